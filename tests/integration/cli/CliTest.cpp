// ardenox-cli run as a process against the controller stand-in on a pseudo-terminal.
#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"
#include "tests/integration/port/LineHolder.h"

namespace {

using Args = std::vector<std::string>;

class CliTest : public ::testing::Test {
protected:
    Args With(std::initializer_list<std::string> rest) {
        Args args{"--port", controller.DevicePath()};
        args.insert(args.end(), rest);
        return args;
    }

    sim::ControllerSim controller;
};

TEST_F(CliTest, ReadPrintsTheControllersValuesOnce) {
    struct Case {
        Args options;
        std::string expected;
    };
    const Case cases[] = {
        {{},
         "model: ArdenoX 3102\nfirmware version: 2.5\nconfiguration status: idle\naddress: 16\n"
         "baud rate: 19200\nmode: Even, 1 stop bit\n"},
        {{"--json"},
         "{\"model\": \"ArdenoX 3102\", \"firmwareVersion\": \"2.5\", \"configurationStatus\": \"idle\", "
         "\"address\": 16, \"baudRate\": 19200, \"mode\": \"Even, 1 stop bit\", \"modeName\": \"even1\"}\n"},
    };
    for (const Case& c : cases) {
        Args args = With({});
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("read");
        const auto start = std::chrono::steady_clock::now();
        CliProcess cli(args);
        EXPECT_EQ(cli.Wait(), 0) << cli.err;
        const auto elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
        RecordProperty("read_ms" + std::to_string(c.options.size()), std::to_string(elapsed.count()));
        std::printf("read took %.1f ms\n", elapsed.count());
        EXPECT_EQ(cli.out, c.expected);
        EXPECT_EQ(cli.err, "") << "diagnostics stay quiet without --verbose";
    }
}

TEST_F(CliTest, ReadShowsTheOtherSettingsAndModes) {
    controller.SetRegister(sim::Table::Holding, sim::kRegBaud, 576);
    controller.SetRegister(sim::Table::Holding, sim::kRegMode, 2);
    controller.SetRegister(sim::Table::Input, sim::kRegFirmware, 1234);
    CliProcess cli(With({"--mode=none1", "read"}));
    EXPECT_EQ(cli.Wait(), 0) << cli.err;
    EXPECT_NE(cli.out.find("baud rate: 57600\n"), std::string::npos) << cli.out;
    EXPECT_NE(cli.out.find("mode: None, 2 stop bits\n"), std::string::npos) << cli.out;
    EXPECT_NE(cli.out.find("firmware version: 12.34\n"), std::string::npos) << cli.out;
}

// Every status the register map allows and every baud code read; the baud rate is the code times 100.
TEST_F(CliTest, ReadShowsEveryStatusAndBaudCodeTheRegisterMapAllows) {
    struct Case {
        std::uint16_t status;
        std::uint16_t baudCode;
        bool json;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {2, 48, false, {"configuration status: status 2\n", "baud rate: 4800\n"}},
        {1, 0, false, {"configuration status: saving\n", "baud rate: 0\n"}},
        {2, 0, true, {"\"configurationStatus\": \"status 2\"", "\"baudRate\": 0,"}},
    };
    for (const Case& c : cases) {
        controller.SetRegister(sim::Table::Holding, sim::kRegStatus, c.status);
        controller.SetRegister(sim::Table::Holding, sim::kRegBaud, c.baudCode);
        CliProcess cli(c.json ? With({"--json", "read"}) : With({"read"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.err;
        for (const std::string& text : c.shown) {
            EXPECT_NE(cli.out.find(text), std::string::npos) << cli.out;
        }
    }
}

TEST_F(CliTest, FailuresExitWithTheirCodeAndSayWhy) {
    struct Case {
        Args args;
        int exitCode;
        std::string errorText;
    };
    const std::string port = controller.DevicePath();
    const Case cases[] = {
        {{"--port", port, "--baud", "1234", "read"},
         2,
         "--baud: bad value '1234': one of 9600, 19200, 38400, 57600"},
        {{"--port", port, "--mode", "even2", "read"}, 2, "one of even1, odd1, none2, none1"},
        {{"--port", port, "--address", "248", "read"}, 2, "an integer from 1 to 247"},
        {{"--port", port, "--timeout", "0", "read"}, 2, "--timeout: bad value"},
        {{"--port", port, "--address"}, 2, "--address needs a value (N)"},
        {{"--port", port, "--frobnicate", "read"}, 2, "unknown option '--frobnicate'"},
        {{"--port", port, "--adress", "17", "read"}, 2, "--adress: did you mean --address?"},
        {{"--port", port, "write", "--new-adress", "17"}, 2, "--new-adress: did you mean --new-address?"},
        {{"--port", port, "erase"}, 2, "unknown command 'erase'"},
        {{"--port", port}, 2, "no command given: one of read, monitor, write, scan, commission"},
        {{"read"}, 2, "--port is required"},
        {{"--port", port, "read", "extra", "--frobnicate", "words"},
         2,
         "unknown option '--frobnicate'; unexpected words 'extra', 'words'"},
        {{"--port", port, "--timeout", "3", "write", "--new-address", "3", "--timeout", "4"},
         2,
         "--timeout given 2 times: give it once"},
        {{"--port", "/dev/ardenox-no-such-port", "read"},
         3,
         "Unable to open communication port \"/dev/ardenox-no-such-port\"."},
        {{"--port", "/dev/ardenox-no-such-port", "read"}, 3, "\nNo such port"},
        {{"--port", port, "--address", "17", "--timeout", "1", "read"},
         5,
         "no value within 1 s for: model, firmware version, configuration status, address, baud rate, mode"},
        {{"--port", port, "--address", "17", "--timeout", "1", "read"},
         5,
         "\nardenox-cli: nothing answered at 19200 baud, Even, 1 stop bit, address 17 on " + port +
             ". Check the controller's power and the port, then the address, then the wiring (swap A and "
             "B) and the termination, or find the settings with 'ardenox-cli --port " +
             port + " scan'.\n"},
    };
    for (const Case& c : cases) {
        CliProcess cli(c.args);
        EXPECT_EQ(cli.Wait(), c.exitCode) << c.errorText << "\n" << cli.err;
        EXPECT_NE(cli.err.find(c.errorText), std::string::npos) << cli.err;
        EXPECT_EQ(cli.err.rfind("ardenox-cli: ", 0), 0u) << cli.err;
        if (c.exitCode == 2) {  // one line naming the problem, not the whole help
            EXPECT_EQ(std::count(cli.err.begin(), cli.err.end(), '\n'), 1) << cli.err;
            EXPECT_NE(cli.err.find(" --help)\n"), std::string::npos) << cli.err;
        }
        EXPECT_EQ(cli.out, "");
    }
}

// With --json a failure ends with one JSON object on standard output; the message stays on stderr.
TEST_F(CliTest, FailuresAreJsonWithJson) {
    struct Case {
        Args args;
        std::string out;
    };
    const std::string port = controller.DevicePath();
    const Case cases[] = {
        {{"--port", port, "--json", "read", "--baud", "1234"},
         "{\"error\": \"--baud: bad value '1234': one of 9600, 19200, 38400, 57600 (see ardenox-cli read "
         "--help)\", \"exitCode\": 2}\n"},
        {{"--port", port, "--address", "17", "--timeout", "1", "--json", "write", "--new-baud", "9600"},
         "{\"error\": \"no value within 1 s for: address, mode\", \"exitCode\": 5}\n"},
    };
    for (const Case& c : cases) {
        CliProcess cli(c.args);
        cli.Wait();
        EXPECT_EQ(cli.out, c.out);
        EXPECT_NE(cli.err, "");
    }
}

// A late reply must never be printed as another register's value, and a refusal is not a time-out.
TEST_F(CliTest, ReadPrintsOnlyValuesThatAnsweredTheirOwnRequest) {
    using std::chrono::milliseconds;
    struct Case {
        sim::ReplyFault fault;
        int exitCode;
        std::string out;
        std::string err;
    };
    const std::string values =
        "{\"model\": \"ArdenoX 3102\", \"firmwareVersion\": \"2.5\", \"configurationStatus\": \"idle\", "
        "\"address\": 16, \"baudRate\": 19200, \"mode\": \"Even, 1 stop bit\", \"modeName\": \"even1\"}\n";
    const Case cases[] = {
        {{.kind = sim::FaultKind::LateReply, .delay = milliseconds(130), .times = 3}, 0, values, ""},
        {{.kind = sim::FaultKind::LateReply, .delay = milliseconds(150), .times = 3}, 0, values, ""},
        {{.kind = sim::FaultKind::LateReply, .delay = milliseconds(200), .times = 3}, 0, values, ""},
        {{.kind = sim::FaultKind::LateReply, .delay = milliseconds(150)},
         5,
         "{\"error\": \"no value within 4 s for: ",
         "no value within 4 s"},
        {{.kind = sim::FaultKind::Exception, .exceptionCode = 2, .reg = sim::kRegModel},
         7,
         "{\"error\": \"the controller refused reading model (input register 2): exception 2 (illegal data "
         "address)\", \"exitCode\": 7}\n",
         "refused reading model (input register 2): exception 2 (illegal data address)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exitCode);
        controller.ClearFaults();
        controller.AddFault(c.fault);
        CliProcess cli(With({"--json", "--timeout", "4", "read"}));
        EXPECT_EQ(cli.Wait(), c.exitCode) << cli.err;
        EXPECT_EQ(cli.out.rfind(c.out, 0), 0u) << cli.out;  // a failure's JSON object starts so
        EXPECT_NE(cli.err.find(c.err), std::string::npos) << cli.err;
    }
}

// Each fault the stand-in can put on the line gets its own next step.
TEST(CliLineHints, NoValueNamesWhatTheLineDid) {
    struct Case {
        sim::ReplyFault fault;
        bool echo;  // the stand-in also sends every request back, as an adapter that hears itself
        std::string note;
    };
    const std::string at = "at 19200 baud, Even, 1 stop bit, address 16 on ";
    const Case cases[] = {
        {{.kind = sim::FaultKind::NoReply},
         false,
         "nothing answered " + at + "PORT. Check the controller's power and the port"},
        {{.kind = sim::FaultKind::BadCrc},
         false,
         "no valid reply " + at + "PORT. Something answers, but every reply arrives damaged"},
        {{.kind = sim::FaultKind::BadCrc, .reg = sim::kRegModel},
         false,
         "damaged replies " + at + "PORT. Some replies arrive damaged: check the 120 ohm termination"},
        {{.kind = sim::FaultKind::LongByOne},
         false,
         "damaged replies " + at + "PORT. Some replies arrive damaged: check the 120 ohm termination"},
        {{.kind = sim::FaultKind::NoReply},
         true,
         "no valid reply " + at + "PORT. Only the adapter's own echo comes back"},
        {{.kind = sim::FaultKind::OtherAddress},
         false,
         "no valid reply " + at + "PORT. Another controller answers, at address 17:"},
        {{.kind = sim::FaultKind::LateReply, .delay = std::chrono::milliseconds(300)},
         false,
         "no valid reply " + at + "PORT. Replies come, but only after the tool stopped waiting for them"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        sim::Config config;
        config.echo = c.echo;
        sim::ControllerSim controller(config);
        controller.AddFault(c.fault);
        CliProcess cli({"--port", controller.DevicePath(), "--timeout", "2", "read"});
        EXPECT_EQ(cli.Wait(), 5) << cli.err;
        std::string note = "\nardenox-cli: " + c.note;
        note.replace(note.find("PORT"), 4, controller.DevicePath());
        EXPECT_NE(cli.err.find(note), std::string::npos) << cli.err;
    }
}

TEST_F(CliTest, AnotherProgramOnThePortIsNamedBeforeTheRead) {
    const LineHolder holder(controller.TerminalPath());
    CliProcess cli(With({"read"}));
    EXPECT_EQ(cli.Wait(), 0) << cli.err;
    EXPECT_NE(cli.err.find(" is also open in process " + std::to_string(holder.Pid()) +
                           " (sleep): close that program"),
              std::string::npos)
        << cli.err;
}

TEST_F(CliTest, PortWithoutPermissionNamesTheGroupToJoin) {
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr || ::getuid() != 0) {
        GTEST_SKIP() << "needs the group dialout and root to run the tool as another user";
    }
    const std::string port = controller.TerminalPath();
    ASSERT_EQ(::chown(port.c_str(), static_cast<uid_t>(-1), dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(port.c_str(), 0660), 0);
    CliProcess cli({"--port", port, "read"},
                   {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    EXPECT_EQ(cli.Wait(), 3);
    EXPECT_EQ(cli.err, "ardenox-cli: Unable to open communication port \"" + port +
                           "\".\nPermission denied\nThe port belongs to the group "
                           "dialout: join it with \"sudo usermod -aG dialout $USER\", then log in again.\n");
}

TEST_F(CliTest, ReadNamesOnlyTheValuesThatNeverCame) {
    controller.SetRegister(sim::Table::Input, sim::kRegModel, 0);
    // Long enough for the other values to come on a loaded machine under ASan.
    CliProcess cli(With({"--timeout", "4", "read"}));
    EXPECT_EQ(cli.Wait(), 5);
    EXPECT_NE(cli.err.find("no value within 4 s for: model (the controller reports model 0, which this "
                           "tool does not know)\n"),
              std::string::npos)
        << cli.err;
}

TEST_F(CliTest, HelpOfEachCommandListsItsOptions) {
    struct Case {
        Args args;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {{"--help"}, {"read", "monitor", "write", "--port", "--timeout", "5 values missing after --timeout"}},
        {{"write", "--help"},
         {"usage: ardenox-cli write", "--new-address", "--new-baud", "--new-mode", "Line options",
          "--port PATH"}},
        {{"--port", "x", "read", "-h"}, {"usage: ardenox-cli read"}},
        {{"--version"}, {"ardenox-cli 1."}},
    };
    for (const Case& c : cases) {
        CliProcess cli(c.args);
        EXPECT_EQ(cli.Wait(), 0);
        for (const std::string& text : c.texts) {
            EXPECT_NE(cli.out.find(text), std::string::npos) << text << "\n" << cli.out;
        }
    }
}

TEST_F(CliTest, GlobalOptionsAfterTheCommandWordKeepTheirMeaning) {
    CliProcess cli({"read", "--port", controller.DevicePath(), "--json"});
    EXPECT_EQ(cli.Wait(), 0) << cli.err;
    EXPECT_EQ(cli.out.rfind("{\"model\": \"ArdenoX 3102\"", 0), 0u) << cli.out;
}

TEST_F(CliTest, MonitorFollowsValuesAndTheConnectionUntilInterrupted) {
    CliProcess cli(With({"monitor"}));
    ASSERT_TRUE(cli.WaitForOutput("Connected\n")) << cli.out << cli.err;
    ASSERT_TRUE(cli.WaitForOutput("mode: Even, 1 stop bit\n")) << cli.out;
    ASSERT_TRUE(cli.WaitForOutput("model: ArdenoX 3102\n")) << cli.out;

    controller.SetRegister(sim::Table::Holding, sim::kRegBaud, 384);
    ASSERT_TRUE(cli.WaitForOutput("baud rate: 38400\n")) << cli.out;

    controller.AddFault({.kind = sim::FaultKind::NoReply, .reg = sim::kRegAddress, .times = 1});
    ASSERT_TRUE(cli.WaitForOutput("Not connected\n")) << cli.out;
    ASSERT_TRUE(cli.WaitForOutput("Not connected\n")) << cli.out;
    const std::size_t lost = cli.out.find("Not connected\n");
    ASSERT_TRUE(cli.WaitForOutput(" Connected\n", std::chrono::seconds(10), lost)) << cli.out;

    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(), 0) << cli.err;
    EXPECT_EQ(cli.out.find("baud rate: 19200\n"), cli.out.rfind("baud rate: 19200\n")) << "printed once";
    // Every line starts with its local time: "2026-12-09T15:30:01.250+01:00 ".
    const std::regex stamped(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d [^\n]+\n)");
    for (std::size_t start = 0, end = 0; (end = cli.out.find('\n', start)) != std::string::npos;
         start = end + 1) {
        EXPECT_TRUE(std::regex_match(cli.out.substr(start, end - start + 1), stamped)) << cli.out;
    }
}

TEST_F(CliTest, MonitorEndsWithTheDeviceErrorWhenTheLineGoes) {
    CliProcess cli(With({"monitor"}));
    ASSERT_TRUE(cli.WaitForOutput("mode: ")) << cli.err;
    controller.CloseLine();
    EXPECT_EQ(cli.Wait(), 4);
    EXPECT_NE(cli.err.find("Communication device error. Check communication adapter and try again."),
              std::string::npos)
        << cli.err;
    EXPECT_NE(cli.out.find("Not connected\n"), std::string::npos) << cli.out;
}

TEST_F(CliTest, MonitorEndsOnSigterm) {
    CliProcess cli(With({"--json", "monitor"}));
    ASSERT_TRUE(cli.WaitForOutput("\", \"connection\": \"Connected\"}\n")) << cli.err;
    ASSERT_TRUE(cli.WaitForOutput("\", \"mode\": \"Even, 1 stop bit\", \"modeName\": \"even1\"}\n"))
        << cli.out;
    EXPECT_EQ(cli.out.rfind("{\"time\": \"", 0), 0u) << cli.out;
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 0);
}

}  // namespace

TEST_F(CliTest, ScanPrintsWhatAnsweredAndEndsOnAnInterrupt) {
    sim::Config singleRegisterReads;
    singleRegisterReads.singleRegisterReads = true;
    sim::ControllerSim here(singleRegisterReads);
    CliProcess found({"--port", here.DevicePath(), "scan", "--json"});
    EXPECT_EQ(found.Wait(), 0) << found.err;
    EXPECT_EQ(
        found.out,
        "{\"address\": 16, \"baudRate\": 19200, \"mode\": \"Even, 1 stop bit\", \"modeName\": \"even1\", "
        "\"fasterThanLine\": true, \"identified\": true}\n");

    CliProcess text(With({"scan"}));
    EXPECT_EQ(text.Wait(), 0) << text.err;
    EXPECT_NE(text.err.find("ardenox-cli: connect with --baud 19200 --mode even1 --address 16\n"),
              std::string::npos)
        << text.err;

    sim::Config silentHere;
    silentHere.settings = {200, 96, 1};
    sim::ControllerSim elsewhere(silentHere);
    CliProcess interrupted({"--port", elsewhere.DevicePath(), "scan"});
    std::this_thread::sleep_for(std::chrono::seconds(1));
    interrupted.Signal(SIGINT);
    EXPECT_EQ(interrupted.Wait(), 6) << interrupted.err;
    EXPECT_EQ(interrupted.out, "");
    EXPECT_NE(interrupted.err.find("scan: 0% 19200 baud, Even, 1 stop bit\n"), std::string::npos)
        << "plain progress lines when standard error is no terminal: " << interrupted.err;
}
