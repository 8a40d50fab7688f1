#include "present/WindowProgram.h"

#include "device/ControllerStack.h"
#include "port/ComDevice.h"
#include "present/CommissionRun.h"
#include "present/ConnectionStartup.h"

void CWindowProgram::Run() {
    while (RunConnection()) {
        if (m_commissionAt) {
            const auto [recipe, at] = *std::exchange(m_commissionAt, {});
            if (const std::optional<ScanCandidate> done = RunCommission(recipe, at)) {
                m_offered = OfferedAfter(*done);
            }
        }
    }
}

bool CWindowProgram::RunConnection() {
    // The last frames of the connection before (sent after the window last drained) are no part of
    // this one: the Traffic window starts with what this connection's dialog and line do.
    m_traffic.Drain();
    CComDevice port;
    if (!Connect(port, std::exchange(m_offered, {}))) {
        return false;
    }
    if (!SettleGatewayKind(port, &m_traffic)) {
        return true;
    }
    CControllerStack stack(port, &m_traffic);
    if (!stack.Start()) {
        return false;
    }
    const MainWindowRun run = RunMainWindow(stack, port);
    m_offered = run.written;
    if (run.result == kMainWindowCommission) {
        // The bench talks to the line as this connection did: its reply time and echo handling.
        m_commissionAt.emplace(RecipeOf(port), FactoryOf(port));
    }
    return run.result == kMainWindowChange || run.result == kMainWindowCommission;
}
