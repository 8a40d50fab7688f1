#include "win32/ConfigApp.h"

#include "device/ControllerStack.h"
#include "port/ComDevice.h"
#include "present/CommissionForm.h"
#include "win32/ComChoiceDlg.h"
#include "win32/CommissionDlg.h"
#include "win32/MainDlg.h"
#include "win32/MessageBoxes.h"
#include "win32/RegistryProfile.h"
#include "win32/SystemPorts.h"

CConfigApp::CConfigApp(ISettingsStore& store, PortSource ports) : m_store(store), m_ports(std::move(ports)) {}

bool CConfigApp::Connect(CComDevice& port, const std::optional<CommConfig>& offered) {
    // Find's frames go where the connection's will, so that the Traffic window shows them too.
    return StartConnection(port, m_store, ComChoiceDialog(m_ports, &Traffic()), offered);
}

CWindowProgram::MainWindowRun CConfigApp::RunMainWindow(CControllerStack& stack, CComDevice& port) {
    CMainDlg window(stack.Controller(), port, &Traffic());
    if (m_trafficPlace) {
        window.ReopenTraffic(*m_trafficPlace);
    }
    const int result = window.DoModal();
    m_trafficPlace = window.OpenTrafficPlace();
    stack.Stop();
    return {result, window.WrittenConfig()};
}

std::optional<ScanCandidate> CConfigApp::RunCommission(const ConnectionRecipe& recipe,
                                                       const ScanCandidate& at) {
    CRegistryProfile remembered(kCommissionSection);
    CCommissionDlg dialog(recipe, at, &remembered);
    dialog.RunModal(nullptr);
    return dialog.LastDone();
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
