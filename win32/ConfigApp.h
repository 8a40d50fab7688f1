#pragma once
// The window program on Windows: the shared run of connections (present/WindowProgram.h) with the Win32
// dialogs, the registry's profile and the system's ports.
#include <optional>

#include "present/ConnectionStartup.h"
#include "present/WindowProgram.h"
#include "win32/ComChoiceDlg.h"

class CConfigApp final : public CWindowProgram {
public:
    // `store`: the remembered connection; `ports`: what the port list offers.
    CConfigApp(ISettingsStore& store, PortSource ports);

private:
    bool Connect(CComDevice& port, const std::optional<CommConfig>& offered) override;
    MainWindowRun RunMainWindow(CControllerStack& stack, CComDevice& port) override;
    std::optional<ScanCandidate> RunCommission(const ConnectionRecipe& recipe,
                                               const ScanCandidate& at) override;

    ISettingsStore& m_store;
    PortSource m_ports;
    std::optional<RECT> m_trafficPlace;
};

// The program: the common controls and the message boxes, then the run on the registry's profile and
// the system's ports. Returns the exit code.
int RunConfigProgram();
