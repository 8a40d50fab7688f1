// ardenox-cli against the stand-in on a line out of step: replies far later than the late-reply guard,
// replies sent twice, busy refusals and values no setting allows. Whatever the fault, the tool never
// ends well with a value the stand-in does not hold, monitor never prints one, and write never changes
// a setting it was not asked to.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"

namespace {

using Args = std::vector<std::string>;
using sim::FaultKind;
using namespace std::chrono_literals;

// What a read prints for the stand-in's factory settings.
const std::string kTruth =
    "{\"model\": \"ArdenoX 3102\", \"firmwareVersion\": \"2.5\", \"configurationStatus\": \"idle\", "
    "\"address\": 16, \"baudRate\": 19200, \"mode\": \"Even, 1 stop bit\", \"modeName\": \"even1\"}\n";
const std::string kTruthLines[] = {"model: ArdenoX 3102",        "firmware version: 2.5",
                                   "configuration status: idle", "address: 16",
                                   "baud rate: 19200",           "mode: Even, 1 stop bit"};

struct Fault {
    const char* name;
    std::vector<sim::ReplyFault> faults;
    // The command's --timeout: short where no value can ever be believed, so that the test stays lean.
    std::string timeout;
};

const Fault kLineFaults[] = {
    {"first 5 replies 500 ms late", {{.kind = FaultKind::LateReply, .delay = 500ms, .times = 5}}, "15"},
    {"every reply 500 ms late", {{.kind = FaultKind::LateReply, .delay = 500ms}}, "3"},
    {"every reply sent twice 10 ms apart", {{.kind = FaultKind::Twice, .delay = 10ms}}, "3"},
    {"first 3 replies sent twice 10 ms apart", {{.kind = FaultKind::Twice, .delay = 10ms, .times = 3}}, "15"},
    {"busy for the first 3 reads of the address",
     {{.kind = FaultKind::Exception, .exceptionCode = 6, .function = 3, .reg = sim::kRegAddress, .times = 3}},
     "15"},
};

void AddFaults(sim::ControllerSim& controller, const Fault& fault) {
    for (const sim::ReplyFault& each : fault.faults) {
        controller.AddFault(each);
    }
}

TEST(WireTrust, ReadEndsWellOnlyWithTheStandInsValues) {
    for (const Fault& fault : kLineFaults) {
        SCOPED_TRACE(fault.name);
        sim::ControllerSim controller;
        AddFaults(controller, fault);
        CliProcess cli({"--port", controller.DevicePath(), "--json", "--timeout", fault.timeout, "read"});
        const int exitCode = cli.Wait(30s);
        if (exitCode == 0) {
            EXPECT_EQ(cli.out, kTruth);
        } else {
            EXPECT_EQ(exitCode, 5) << cli.err;
        }
    }
}

TEST(WireTrust, BusyIsAskedAgainAndTheReadEndsWell) {
    sim::ControllerSim controller;
    AddFaults(controller, kLineFaults[4]);
    CliProcess cli({"--port", controller.DevicePath(), "--json", "read"});
    EXPECT_EQ(cli.Wait(30s), 0) << cli.err;
    EXPECT_EQ(cli.out, kTruth);
}

TEST(WireTrust, MonitorPrintsNoValueTheStandInDoesNotHold) {
    for (const Fault& fault : kLineFaults) {
        SCOPED_TRACE(fault.name);
        sim::ControllerSim controller;
        AddFaults(controller, fault);
        CliProcess cli({"--port", controller.DevicePath(), "monitor"});
        std::this_thread::sleep_for(3s);
        cli.Signal(SIGTERM);
        EXPECT_EQ(cli.Wait(), 0) << cli.err;
        std::size_t start = 0;
        for (std::size_t end = cli.out.find('\n'); end != std::string::npos;
             start = end + 1, end = cli.out.find('\n', start)) {
            // "<time> name: value"; the connection lines carry no value.
            const std::string line = cli.out.substr(start, end - start);
            const std::string text = line.substr(line.find(' ') + 1);
            if (text == "Connected" || text == "Not connected") {
                continue;
            }
            EXPECT_NE(std::find(std::begin(kTruthLines), std::end(kTruthLines), text), std::end(kTruthLines))
                << line;
        }
    }
}

TEST(WireTrust, WriteChangesNothingItWasNotAskedTo) {
    for (const Fault& fault : kLineFaults) {
        SCOPED_TRACE(fault.name);
        sim::ControllerSim controller;
        AddFaults(controller, fault);
        CliProcess cli(
            {"--port", controller.DevicePath(), "write", "--new-address", "17", "--timeout", fault.timeout});
        const int exitCode = cli.Wait(40s);
        const sim::CommSettings saved = controller.SavedSettings();
        EXPECT_EQ(controller.Register(sim::Table::Holding, sim::kRegBaud), 192);
        EXPECT_EQ(controller.Register(sim::Table::Holding, sim::kRegMode), 0);
        EXPECT_EQ(saved.baudHundreds, 192);
        EXPECT_EQ(saved.mode, 0);
        if (exitCode == 0) {
            EXPECT_EQ(saved.address, 17);
        } else {
            EXPECT_NE(exitCode, 7) << cli.err;
        }
    }
}

// Busy or a passing refusal of the status poll right after the save, and busy on a write, are asked
// again: the write ends well.
TEST(WireTrust, BusyAndPassingRefusalsDuringAWriteAreAskedAgain) {
    struct Case {
        std::uint8_t exceptionCode;
        int times;
    };
    for (const Case& c : {Case{6, 2}, Case{5, 1}, Case{4, 1}}) {
        SCOPED_TRACE(c.exceptionCode);
        sim::ControllerSim controller;
        controller.AddFault({.kind = FaultKind::Exception, .exceptionCode = 6, .function = 6, .times = 1});
        CliProcess cli({"--port", controller.DevicePath(), "write", "--new-mode", "odd1"});
        ASSERT_TRUE(cli.WaitForOutput("Saving configuration...", 20s)) << cli.err;
        for (int i = 0; i < 200 && controller.SaveCommandCount() == 0; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        controller.AddFault({.kind = FaultKind::Exception,
                             .exceptionCode = c.exceptionCode,
                             .function = 3,
                             .reg = sim::kRegStatus,
                             .times = c.times});
        EXPECT_EQ(cli.Wait(40s), 0) << cli.err;
        EXPECT_EQ(controller.SavedSettings(), (sim::CommSettings{16, 192, 1}));
    }
}

// The controller reports what no setting allows: the read fails with its own text, is retried no
// faster than a poll period, and the value is never shown.
TEST(WireTrust, UnknownValuesAreToldNeverShownAndNotFlooded) {
    struct Case {
        std::uint16_t reg;
        std::uint16_t value;
        const char* told;
    };
    const Case cases[] = {
        {sim::kRegMode, 9, "the controller reports mode 9, which this tool does not know"},
        {sim::kRegStatus, 3, "the controller reports configuration status 3, which this tool does not know"},
        {sim::kRegAddress, 0, "the controller reports address 0, which this tool does not know"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        sim::ControllerSim controller;
        controller.SetRegister(sim::Table::Holding, c.reg, c.value);
        CliProcess cli({"--port", controller.DevicePath(), "--timeout", "3", "read"});
        EXPECT_EQ(cli.Wait(), 5);
        EXPECT_NE(cli.err.find(c.told), std::string::npos) << cli.err;
        EXPECT_EQ(cli.out, "");
        // Once a poll period, and the confirming read, in 3 s: a handful, not thousands.
        EXPECT_LE(controller.RequestCount(3, c.reg), 10u);
    }
}

// A write that stops before the save says which registers hold values that vanish at the next
// restart, and how to look; a termination request takes the same way as the second Ctrl-C.
TEST(WireTrust, WriteStoppedEarlySaysWhatItLeft) {
    struct Case {
        const char* name;
        std::function<void(CliProcess&)> stop;
        int exitCode;
    };
    const Case cases[] = {
        {"SIGTERM", [](CliProcess& cli) { cli.Signal(SIGTERM); }, 6},
        {"SIGHUP", [](CliProcess& cli) { cli.Signal(SIGHUP); }, 6},
        {"time-out", [](CliProcess&) {}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ControllerSim controller;
        // The mode's read-back never comes: the write waits at verifying.
        controller.AddFault({.kind = FaultKind::NoReply, .function = 3, .reg = sim::kRegMode});
        CliProcess cli({"--port", controller.DevicePath(), "write", "--new-address", "17", "--new-baud",
                        "38400", "--new-mode", "none2", "--timeout", "6"});
        ASSERT_TRUE(cli.WaitForOutput("Verifying...", 20s)) << cli.err;
        c.stop(cli);
        EXPECT_EQ(cli.Wait(), c.exitCode) << cli.err;
        EXPECT_NE(
            cli.err.find("holding registers 33 (address 17), 34 (baud rate 38400), 35 (mode none2) hold "
                         "new values that are not saved"),
            std::string::npos)
            << cli.err;
        EXPECT_NE(cli.err.find("--port " + controller.DevicePath() +
                               " --baud 19200 --mode even1 --address 16 read"),
                  std::string::npos)
            << cli.err;
        EXPECT_EQ(controller.SaveCommandCount(), 0u);
    }
}

}  // namespace
