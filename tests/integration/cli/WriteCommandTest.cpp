// ardenox-cli write as a process against the controller stand-in on a pseudo-terminal.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"

namespace {

using Args = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string kAllSteps =
    "Writing configuration...\nVerifying...\nSaving configuration...\nWaiting for save "
    "confirmation...\nDone\n";
const std::string kUpToWaiting =
    "Writing configuration...\nVerifying...\nSaving configuration...\nWaiting for save confirmation...\n";

class WriteCommandTest : public ::testing::Test {
protected:
    Args Write(std::initializer_list<std::string> settings) {
        Args args{"--port", controller.DevicePath(), "write"};
        args.insert(args.end(), settings);
        return args;
    }

    sim::ControllerSim controller;
};

// Settings not given keep the controller's values (16, 19200, even1 until one is saved).
TEST_F(WriteCommandTest, WritesVerifiesAndSavesTheNewSettings) {
    struct Case {
        Args settings;
        sim::CommSettings saved;
        std::string out;
    };
    const Case cases[] = {
        {{"--new-address", "16", "--new-baud", "57600", "--new-mode", "none2"},
         {16, 576, 2},
         kAllSteps + "the controller uses 57600 baud, None, 2 stop bits, address 16 after its next restart; "
                     "connect with --baud 57600 --mode none2 --address 16\n"},
        {{"--new-address=16", "--new-baud=9600", "--new-mode=odd1", "--timeout", "20"},
         {16, 96, 1},
         kAllSteps + "the controller uses 9600 baud, Odd, 1 stop bit, address 16 after its next restart; "
                     "connect with --baud 9600 --mode odd1 --address 16\n"},
        {{"--new-address", "21"},
         {21, 96, 1},
         kAllSteps + "the controller uses 9600 baud, Odd, 1 stop bit, address 21 after its next restart; "
                     "connect with --baud 9600 --mode odd1 --address 21\n"},
        {{"--json", "--new-mode", "none1"},
         {21, 96, 3},
         "{\"address\": 21, \"baudRate\": 9600, \"mode\": \"None, 1 stop bit\", \"modeName\": \"none1\", "
         "\"steps\": [\"Writing configuration...\",\"Verifying...\",\"Saving configuration...\",\"Waiting "
         "for "
         "save confirmation...\",\"Done\"], \"next\": \"the controller uses 9600 baud, None, 1 stop bit, "
         "address "
         "21 after its next restart; connect with --baud 9600 --mode none1 --address 21\"}\n"},
    };
    for (const Case& c : cases) {
        controller.ResetCounts();
        Args args{"--port", controller.DevicePath(), "write"};
        args.insert(args.end(), c.settings.begin(), c.settings.end());
        CliProcess cli(args);
        EXPECT_EQ(cli.Wait(), 0) << cli.err;
        EXPECT_EQ(cli.out, c.out);
        EXPECT_EQ(controller.SavedSettings(), c.saved);
        EXPECT_EQ(controller.SaveCommandCount(), 1u);
    }
}

// Status 2 is not "saving": read once the save is over, or all along, it ends the write with "Done".
TEST(WriteCommand, StatusTwoEndsTheSaveLikeIdle) {
    struct Case {
        const char* name;
        std::optional<std::uint16_t> statusAfterSave;
        std::uint16_t statusBefore;
    };
    const Case cases[] = {{"after the save", 2, 0}, {"all along", std::nullopt, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Config config;
        config.statusAfterSave = c.statusAfterSave;
        sim::ControllerSim controller(config);
        controller.SetRegister(sim::Table::Holding, sim::kRegStatus, c.statusBefore);
        CliProcess cli(
            {"--port", controller.DevicePath(), "write", "--new-address", "17", "--timeout", "10"});
        EXPECT_EQ(cli.Wait(), 0) << cli.err;
        EXPECT_TRUE(cli.out.starts_with(kAllSteps)) << cli.out;
        EXPECT_EQ(controller.SavedSettings(), (sim::CommSettings{17, 192, 0}));
        EXPECT_EQ(controller.Register(sim::Table::Holding, sim::kRegStatus), 2u);
    }
}

// A speed kept is written back as the controller reported it, however the controller takes it: this
// stand-in refuses a write of 48 as a controller without that speed would.
TEST_F(WriteCommandTest, KeptBaudCodeIsWrittenBackAsItIs) {
    controller.SetRegister(sim::Table::Holding, sim::kRegBaud, 48);
    CliProcess cli(Write({"--new-address", "17"}));
    EXPECT_EQ(cli.Wait(), 7) << cli.err;
    const std::vector<sim::RequestRecord> requests = controller.Requests();
    EXPECT_NE(std::find(requests.begin(), requests.end(), sim::RequestRecord{6, sim::kRegBaud, 48}),
              requests.end());
    EXPECT_EQ(controller.SaveCommandCount(), 0u);
}

TEST_F(WriteCommandTest, SettingThatReadsBackDifferentlyIsNamedAndNothingIsSaved) {
    controller.SetStickyRegister(sim::kRegAddress, true);
    CliProcess cli(Write({"--new-address", "5", "--new-baud", "19200", "--new-mode", "even1"}));
    EXPECT_EQ(cli.Wait(), 8);
    EXPECT_EQ(cli.out, "Writing configuration...\nVerifying...\n");
    EXPECT_NE(cli.err.find("Failed verifying written configuration for parameter \"Address\"."),
              std::string::npos)
        << cli.err;
    EXPECT_EQ(controller.SaveCommandCount(), 0u);
}

TEST_F(WriteCommandTest, RefusedSaveEndsTheWriteWithoutRepeatingIt) {
    controller.AddFault({.kind = sim::FaultKind::Exception, .function = 6, .reg = sim::kRegStatus});
    const auto start = std::chrono::steady_clock::now();
    CliProcess cli(Write({"--new-address", "16", "--new-baud", "19200", "--new-mode", "even1"}));
    EXPECT_EQ(cli.Wait(), 7);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(cli.out, "Writing configuration...\nVerifying...\nSaving configuration...\n");
    EXPECT_NE(cli.err.find("refused writing the save command (holding register 32): exception 4"),
              std::string::npos)
        << cli.err;
    EXPECT_LE(controller.RequestCount(6, sim::kRegStatus), 3u);
    EXPECT_EQ(controller.SaveCommandCount(), 0u);
}

TEST_F(WriteCommandTest, LateFirstRepliesStillVerifyAndSave) {
    controller.AddFault({.kind = sim::FaultKind::LateReply, .delay = 150ms, .times = 3});
    CliProcess cli(Write({"--new-address", "16", "--new-baud", "38400", "--new-mode", "none2"}));
    EXPECT_EQ(cli.Wait(), 0) << cli.err;
    EXPECT_EQ(cli.out.rfind(kAllSteps, 0), 0u) << cli.out;
    EXPECT_EQ(controller.SavedSettings(), (sim::CommSettings{16, 384, 2}));
}

// A save that never ends, left by the time limit, a termination request or a second Ctrl-C: each names
// the full command that reaches the controller where it answers until its restart.
TEST_F(WriteCommandTest, EveryWayOutOfAWriteNamesTheWayBack) {
    struct Case {
        std::vector<int> signals;
        int exitCode;
        std::string error;
    };
    const Case cases[] = {
        {{}, 5, "write did not finish within 3 s"},
        {{SIGTERM}, 6, "write interrupted (last step: Waiting for save confirmation...)"},
        {{SIGINT, SIGINT}, 6, "write interrupted (last step: Waiting for save confirmation...)"},
    };
    controller.SetStuckSaving(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        CliProcess cli({"--port", controller.DevicePath(), "--baud", "19200", "--address", "16", "write",
                        "--new-address", "16", "--new-baud", "19200", "--new-mode", "even1", "--timeout",
                        "3"});
        ASSERT_TRUE(cli.WaitForOutput("Waiting for save confirmation..."));
        for (const int signal : c.signals) {
            cli.Signal(signal);
            std::this_thread::sleep_for(200ms);
        }
        EXPECT_EQ(cli.Wait(), c.exitCode);
        EXPECT_EQ(cli.out, kUpToWaiting);
        EXPECT_NE(cli.err.find(c.error), std::string::npos) << cli.err;
        EXPECT_NE(
            cli.err.find("Until its next restart it answers at 19200 baud, Even, 1 stop bit, address 16 on " +
                         controller.DevicePath() + ": check with 'ardenox-cli --port " +
                         controller.DevicePath() + " --baud 19200 --mode even1 --address 16 read'"),
            std::string::npos)
            << cli.err;
    }
}

TEST_F(WriteCommandTest, PortThatFailsIsReported) {
    {
        CliProcess cli({"--port", "/dev/ardenox-no-such-port", "write", "--new-address", "16", "--new-baud",
                        "19200", "--new-mode", "even1"});
        EXPECT_EQ(cli.Wait(), 3);
        EXPECT_NE(cli.err.find("Unable to open communication port"), std::string::npos) << cli.err;
    }
    controller.SetStuckSaving(true);
    CliProcess cli(Write({"--new-address", "16", "--new-baud", "19200", "--new-mode", "even1"}));
    ASSERT_TRUE(cli.WaitForOutput("Waiting for save confirmation..."));
    controller.CloseLine();
    EXPECT_EQ(cli.Wait(), 4);
    EXPECT_NE(cli.err.find("Communication device error."), std::string::npos) << cli.err;
}

TEST_F(WriteCommandTest, FirstCtrlCWarnsTheSecondAborts) {
    controller.SetStuckSaving(true);
    CliProcess cli(Write({"--new-address", "16", "--new-baud", "19200", "--new-mode", "even1"}));
    ASSERT_TRUE(cli.WaitForOutput("Waiting for save confirmation..."));
    cli.Signal(SIGINT);
    // Still running after the warning: a limit that passes gives -1.
    EXPECT_EQ(cli.Wait(1500ms), -1);
    EXPECT_NE(
        cli.err.find("ardenox-cli: Interrupting now leaves the controller's settings in an unknown state. "
                     "Press Ctrl-C again to abort.\n"),
        std::string::npos)
        << cli.err;
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(), 6);
}

TEST_F(WriteCommandTest, BadOrMissingSettingsAreUsageErrors) {
    const Args cases[] = {
        {},
        {"--new-address", "248", "--new-baud", "19200", "--new-mode", "even1"},
        {"--new-address", "16", "--new-baud", "4800", "--new-mode", "even1"},
        {"--new-address", "16", "--new-baud", "19200", "--new-mode", "even2"},
        {"--new-address", "16", "--new-baud", "19200", "--new-mode", "even1", "--timeout", "0"},
        {"--new-address", "16", "--new-baud", "19200", "--new-mode", "even1", "extra"},
    };
    for (const Args& settings : cases) {
        Args args{"--port", controller.DevicePath(), "write"};
        args.insert(args.end(), settings.begin(), settings.end());
        CliProcess cli(args);
        EXPECT_EQ(cli.Wait(), 2) << cli.err;
        EXPECT_NE(cli.err.find("(see ardenox-cli write --help)\n"), std::string::npos) << cli.err;
    }
    EXPECT_EQ(controller.RequestCount(6), 0u);
}

}  // namespace
