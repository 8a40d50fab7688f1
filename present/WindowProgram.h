#pragma once
// The whole run of a window program, the same on every system: connect through the connection dialog,
// settle a gateway's kind, assemble the Modbus stack and the controller on the port, run the worker and
// the main window, take everything down in reverse order, and start over at the connection dialog when
// the operator chose Change. Commission takes the connection down too, runs the Commission dialog on
// the same port and settings, and then offers its last unit done in the connection dialog. A front end
// brings its dialogs.
#include <optional>
#include <utility>

#include "device/DeviceConnection.h"
#include "device/WriteProcedure.h"
#include "present/MainWindowModel.h"
#include "scan/ScanPlan.h"
#include "traffic/FrameRing.h"

class CComDevice;
class CControllerStack;

class CWindowProgram {
public:
    CWindowProgram() = default;
    CWindowProgram(const CWindowProgram&) = delete;
    CWindowProgram& operator=(const CWindowProgram&) = delete;
    virtual ~CWindowProgram() = default;

    // Runs every connection pass until Close, Cancel or a quit request.
    void Run();

protected:
    struct MainWindowRun {
        int result = kMainWindowClosed;     // MainWindowResult
        std::optional<CommConfig> written;  // settings the window wrote into the controller
    };

    // Fills a never-opened port through the connection dialog, which offers `offered` (settings just
    // written, or the last unit commissioned) when there are any: true with an open port, false when the
    // operator cancelled. Find's frames go to Traffic().
    virtual bool Connect(CComDevice& port, const std::optional<CommConfig>& offered) = 0;
    // The main window over the started `stack`, until it ends. It stops the stack before the window
    // goes: the window may still be registered for the worker's posts after a quit request.
    virtual MainWindowRun RunMainWindow(CControllerStack& stack, CComDevice& port) = 0;
    // The Commission dialog where the connection was: the last unit it finished, if any.
    virtual std::optional<ScanCandidate> RunCommission(const ConnectionRecipe& recipe,
                                                       const ScanCandidate& at) = 0;

    // What every connection's transport and the connection dialog's Find report their frames to, for
    // the Traffic window. One producer at a time: each one's thread has ended before the next starts.
    traffic::FrameRing& Traffic() { return m_traffic; }

private:
    // One connection: true when the main window ended with Change or Commission.
    bool RunConnection();

    traffic::FrameRing m_traffic;
    // Settings for the next connection dialog to offer.
    std::optional<CommConfig> m_offered;
    // Where the window that ended with Commission was connected, while its port is being closed.
    std::optional<std::pair<ConnectionRecipe, ScanCandidate>> m_commissionAt;
};
