#include "win32/ConfigApp.h"

#include "device/Ardeno.h"
#include "device/WorkerThread.h"
#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "port/ComDevice.h"
#include "present/CommissionRun.h"
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
    CComDevice port;
    // Find's frames go where the connection's will, so that the Traffic window shows them too.
    if (!StartConnection(port, m_store, ComChoiceDialog(m_ports, &m_traffic), std::exchange(m_written, {}))) {
        return false;
    }
    CModbus transport(&port);
    transport.SetFrameObserver(&m_traffic);
    if (port.m_echo) {
        transport.m_echo.TurnOn();
    }
    CModbusSlave slave(&transport, port.m_address);
    CArdeno controller(&slave);
    // Declared after everything the worker uses, so that it is stopped before any of it goes away.
    CWorkerThread worker;
    if (!worker.Start(controller)) {
        return false;
    }
    int result = 0;
    {
        CMainDlg window(controller, port, &m_traffic);
        if (m_trafficPlace) {
            window.ReopenTraffic(*m_trafficPlace);
        }
        result = window.DoModal();
        m_written = window.WrittenConfig();
        m_trafficPlace = window.OpenTrafficPlace();
        // The window may still be registered after a quit request: stop the worker before it goes.
        worker.Stop();
    }
    if (result == CMainDlg::ResultCommission) {
        // The bench talks to the line as this connection did: its reply time and echo handling.
        m_commissionAt.emplace(RecipeOf(port), FactoryOf(port));
    }
    return result == CMainDlg::ResultChange || result == CMainDlg::ResultCommission;
}

void CConfigApp::RunCommission(const ConnectionRecipe& recipe, const ScanCandidate& at) {
    CCommissionDlg dialog(recipe, at);
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
