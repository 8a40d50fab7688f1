// Find's progress window plans as `scan` does: through a transparent bridge, whose serial side keeps its
// own line settings, it searches the addresses only.
#include "ui/ScanDlg.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/Gateway.h"

namespace {

TEST(ScanDlg, FindThroughATransparentBridgeSearchesAddressesOnly) {
    sim::ControllerSim controller;
    controller.AddFault({.kind = sim::FaultKind::NoReply});
    const GatewayProcess gateway(GatewayProcess::Kind::Socat, controller.TerminalPath());
    struct Case {
        std::string port;
        int probes;  // the plan's size, as the bar's length shows it
    };
    const Case cases[] = {{gateway.Url(), 247}, {controller.DevicePath(), 4 * 4 * 247}};
    for (const Case& c : cases) {
        CScanDlg scan(c.port, ScanCandidate{{19200, 0}, 16});
        int probes = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            // The bar gets its length with the first probe shown; then Cancel.
            if (!scan.findChild<QLabel*>(QStringLiteral("currentLabel"))->text().isEmpty() && probes == 0) {
                probes = scan.findChild<QProgressBar*>(QStringLiteral("progressBar"))->maximum();
                scan.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
            }
        });
        poll.start(20);
        scan.Run();
        EXPECT_EQ(probes, c.probes) << c.port;
        EXPECT_EQ(scan.Result().outcome, ScanResult::Cancelled) << c.port;
    }
}

}  // namespace
