#include "win32/ConfigApp.h"

#include "device/ControllerStack.h"
#include "port/ComDevice.h"
#include "present/CommissionForm.h"
#include "present/CommissionRun.h"
#include "present/ConnectionStartup.h"
#include "win32/ComChoiceDlg.h"
#include "win32/CommissionDlg.h"
#include "win32/MainDlg.h"
#include "win32/MessageBoxes.h"
#include "win32/RegistryProfile.h"
#include "win32/SystemPorts.h"

CConfigApp::CConfigApp(ISettingsStore& store, PortSource ports) : m_store(store), m_ports(std::move(ports)) {}

void CConfigApp::Run() {
    while (RunConnection()) {
        if (m_commissionAt) {
            const auto [recipe, at] = *std::exchange(m_commissionAt, {});
            RunCommission(recipe, at);
        }
    }
}

bool CConfigApp::RunConnection() {
    // The last frames of the connection before (sent after the window last drained) are no part of
    // this one: the Traffic window starts with what this connection's dialog and line do.
    m_traffic.Drain();
    CComDevice port;
    // Find's frames go where the connection's will, so that the Traffic window shows them too.
    if (!StartConnection(port, m_store, ComChoiceDialog(m_ports, &m_traffic), std::exchange(m_written, {}))) {
        return false;
    }
    if (!SettleGatewayKind(port, &m_traffic)) {
        return true;
    }
    CControllerStack stack(port, &m_traffic);
    if (!stack.Start()) {
        return false;
    }
    int result = 0;
    {
        CMainDlg window(stack.Controller(), port, &m_traffic);
        if (m_trafficPlace) {
            window.ReopenTraffic(*m_trafficPlace);
        }
        result = window.DoModal();
        m_written = window.WrittenConfig();
        m_trafficPlace = window.OpenTrafficPlace();
        // The window may still be registered after a quit request: stop the worker before it goes.
        stack.Stop();
    }
    if (result == CMainDlg::ResultCommission) {
        // The bench talks to the line as this connection did: its reply time and echo handling.
        m_commissionAt.emplace(RecipeOf(port), FactoryOf(port));
    }
    return result == CMainDlg::ResultChange || result == CMainDlg::ResultCommission;
}

void CConfigApp::RunCommission(const ConnectionRecipe& recipe, const ScanCandidate& at) {
    CRegistryProfile remembered(kCommissionSection);
    CCommissionDlg dialog(recipe, at, &remembered);
    dialog.RunModal(nullptr);
    if (const auto& done = dialog.LastDone()) {
        m_written = OfferedAfter(*done);
    }
}

int RunConfigProgram() {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const CMessageBoxSinkScope messageBoxes;
    CRegistryProfile profile;
    CConfigApp app(profile, SystemPorts);
    app.Run();
    return 0;
}
