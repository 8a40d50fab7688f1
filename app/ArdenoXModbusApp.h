#pragma once
// The whole run of the program: connect, assemble the Modbus stack and the controller model on this
// stack, run the worker and the main window, take everything down in reverse order, and start over at
// the connection dialog when the operator chose Change. Commission takes the connection down too, runs
// the Commission dialog on the same port and settings, and then offers the last unit done in the
// connection dialog.
#include <QByteArray>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "device/DeviceConnection.h"
#include "device/WriteProcedure.h"
#include "scan/ScanPlan.h"

#include "traffic/FrameRing.h"

class CComDevice;

class CArdenoXModbusApp {
public:
    // Fills a never-opened port: true with an open port, false when the operator cancelled.
    using ConnectOperation = std::function<bool(CComDevice& device)>;

    // Connects through the connection settings dialog and the remembered settings.
    CArdenoXModbusApp();
    explicit CArdenoXModbusApp(ConnectOperation connect);

    // Runs every connection pass; false always: the program ends when it returns.
    bool InitInstance();

private:
    // One connection: true when the main window ended with Change or Commission.
    bool RunConnection();
    // The Commission dialog where the connection was; its last unit done becomes the offered settings.
    void RunCommission(const ConnectionRecipe& recipe, const ScanCandidate& at);

    ConnectOperation m_connect;
    // Settings the last window wrote into the controller, for the next connection dialog to offer.
    std::optional<CommConfig> m_written;
    // Where the window that ended with Commission was connected, while its port is being closed.
    std::optional<std::pair<ConnectionRecipe, ScanCandidate>> m_commissionAt;
    // What every connection's transport and the connection dialog's Find report their frames to, for
    // the traffic window. One producer at a time: each one's thread has ended before the next starts.
    traffic::FrameRing m_traffic;
    // Where the Traffic window was when the last window ended with it open: it opens again there.
    std::optional<QByteArray> m_trafficGeometry;
};
