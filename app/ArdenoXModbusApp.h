#pragma once
// The window program on Qt: the shared run of connections (present/WindowProgram.h) with the Qt
// dialogs, the profile's root and the operator's message boxes.
#include <QByteArray>
#include <functional>
#include <optional>

#include "present/WindowProgram.h"

class CArdenoXModbusApp final : public CWindowProgram {
public:
    // Fills a never-opened port, offering `offered` when there are settings to offer: true with an open
    // port, false when the operator cancelled.
    using ConnectOperation =
        std::function<bool(CComDevice& device, const std::optional<CommConfig>& offered)>;

    // Connects through the connection settings dialog and the remembered settings.
    CArdenoXModbusApp();
    explicit CArdenoXModbusApp(ConnectOperation connect);

    // Runs every connection pass; false always: the program ends when it returns.
    bool InitInstance();

private:
    bool Connect(CComDevice& port, const std::optional<CommConfig>& offered) override;
    MainWindowRun RunMainWindow(CControllerStack& stack, CComDevice& port) override;
    std::optional<ScanCandidate> RunCommission(const ConnectionRecipe& recipe,
                                               const ScanCandidate& at) override;

    ConnectOperation m_connect;
    // Where the Traffic window was when the last window ended with it open: it opens again there.
    std::optional<QByteArray> m_trafficGeometry;
};
