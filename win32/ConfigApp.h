#pragma once
// The whole run of the Windows window: connect, assemble the Modbus stack and the controller model on
// this stack, run the worker and the main window, take everything down in reverse order, and start
// over at the connection dialog when the operator chose Change. Commission takes the connection down
// too, runs the Commission dialog on the same port and settings, and then offers the last unit done.
#include <functional>
#include <optional>
#include <utility>

#include "device/DeviceConnection.h"
#include "device/WriteProcedure.h"
#include "present/ConnectionStartup.h"
#include "scan/ScanPlan.h"
#include "traffic/FrameRing.h"
#include "win32/ComChoiceDlg.h"

class CConfigApp {
public:
    // `store`: the remembered connection; `ports`: what the port list offers.
    CConfigApp(ISettingsStore& store, PortSource ports);

    // Runs every connection pass until Close, Cancel or a quit request.
    void Run();

private:
    bool RunConnection();
    void RunCommission(const ConnectionRecipe& recipe, const ScanCandidate& at);

    ISettingsStore& m_store;
    PortSource m_ports;
    std::optional<CommConfig> m_written;
    std::optional<std::pair<ConnectionRecipe, ScanCandidate>> m_commissionAt;
    // What every connection's transport and Find report their frames to, for the Traffic window. One
    // producer at a time: each one's thread has ended before the next starts.
    traffic::FrameRing m_traffic;
    std::optional<RECT> m_trafficPlace;
};

// The program: the common controls and the message boxes, then the run on the registry's profile and
// the system's ports. Returns the exit code.
int RunConfigProgram();
