// ardenox-cli on lines that are not plain: an adapter that echoes, a slow line, a port whose output is
// held back, a driver without RS-485 mode, and the operator's own terminal given as the port.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"
#include "tests/integration/cli/Gateway.h"

namespace {

using Args = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string kEchoNotice = "ardenox-cli: the adapter echoes what it sends; echo handling is on\n";

Args On(const sim::ControllerSim& controller, std::initializer_list<std::string> rest) {
    Args args{"--port", controller.DevicePath()};
    args.insert(args.end(), rest);
    return args;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliLineOptions, AnEchoingAdapterIsReadPast) {
    struct Case {
        const char* name;
        bool adapterEchoes;
        Args args;
        int exitCode;
        std::string outHas;  // a line standard output must have
        std::string err;
    };
    const Case cases[] = {
        {"recognised on its own", true, {"read"}, 0, "mode: Even, 1 stop bit\n", kEchoNotice},
        {"known from the start", true, {"--echo", "read"}, 0, "mode: Even, 1 stop bit\n", ""},
        {"a write after the echo",
         true,
         {"--echo", "write", "--new-address", "16", "--new-baud", "19200", "--new-mode", "even1"},
         0,
         "Done\n",
         ""},
        {"a write recognises it by its first read",
         true,
         {"write", "--new-address", "16", "--new-baud", "19200", "--new-mode", "even1"},
         0,
         "Done\n",
         kEchoNotice},
        // No echo where one is expected: the reply is taken for a wrong echo and never for a reply.
        {"expected but missing", false, {"--echo", "--timeout", "2", "read"}, 5, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Config config;
        config.echo = c.adapterEchoes;
        sim::ControllerSim controller(config);
        Args args = On(controller, {});
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliProcess run(args);
        EXPECT_EQ(run.Wait(), c.exitCode) << run.err;
        EXPECT_NE(run.out.find(c.outHas), std::string::npos) << run.out;
        if (c.exitCode == 0) {
            EXPECT_EQ(run.err, c.err);
        }
    }
}

// A controller that answers 300 ms after each request is too slow for the default limits and in time
// with more time for each reply.
TEST(CliLineOptions, ReplyTimeoutGivesASlowLineTime) {
    struct Case {
        Args args;
        int exitCode;
    };
    const Case cases[] = {{{"--timeout", "2", "read"}, 5}, {{"--reply-timeout", "600", "read"}, 0}};
    for (const Case& c : cases) {
        sim::ControllerSim controller;
        controller.AddFault({.kind = sim::FaultKind::LateReply, .delay = 300ms});
        Args args = On(controller, {});
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliProcess cli(args);
        EXPECT_EQ(cli.Wait(), c.exitCode) << cli.err;
    }
}

// A long reply time does not hold a command past its own limit: the read under way is cut short, on
// the line and through a gateway alike. It used to end only when that read's 10 s ran out.
TEST(CliLineOptions, ALongReplyTimeEndsWithTheCommand) {
    for (const bool throughGateway : {false, true}) {
        SCOPED_TRACE(throughGateway ? "tcp://" : "pty");
        sim::ControllerSim controller;
        controller.AddFault({.kind = sim::FaultKind::NoReply});
        std::optional<GatewayProcess> gateway;
        if (throughGateway) {
            gateway.emplace(GatewayProcess::Kind::Socat, controller.TerminalPath());
        }
        const std::string port = gateway ? gateway->Url() : controller.DevicePath();
        const auto start = std::chrono::steady_clock::now();
        CliProcess cli({"--port", port, "--reply-timeout", "10000", "--timeout", "1", "read"});
        EXPECT_EQ(cli.Wait(), 5) << cli.err;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 7s);
    }
}

TEST(CliLineOptions, Rs485WithoutDriverSupportIsOneLineAndExit3) {
    sim::ControllerSim controller;
    CliProcess cli(On(controller, {"--rs485", "read"}));
    EXPECT_EQ(cli.Wait(), 3);
    EXPECT_EQ(Lines(cli.err), 1u) << cli.err;
    EXPECT_NE(cli.err.find("the port's driver has no RS-485 mode"), std::string::npos) << cli.err;
}

// Output stopped on the port: every write fails in about a second instead of waiting for good, so the
// command ends within its limits.
TEST(CliLineOptions, APortThatCannotSendEndsTheCommandInTime) {
    sim::ControllerSim controller;
    const int onlooker = ::open(controller.TerminalPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(onlooker, 0);
    ASSERT_EQ(::tcflow(onlooker, TCOOFF), 0);
    const auto start = std::chrono::steady_clock::now();
    CliProcess cli(On(controller, {"--timeout", "3", "read"}));
    const int exitCode = cli.Wait(20s);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ::close(onlooker);
    EXPECT_NE(exitCode, 0) << cli.err;
    EXPECT_NE(exitCode, -1) << "still running";
    EXPECT_LT(elapsed, 8s);
    EXPECT_NE(cli.err.find("sends nothing"), std::string::npos) << cli.err;
}

// Run from a terminal that is its controlling terminal and standard input, the program refuses that
// terminal under any of its names and leaves its settings alone.
TEST(CliLineOptions, TheOwnTerminalIsRefusedAndLeftAlone) {
    sim::ControllerSim controller;  // only for a pseudo-terminal that stays up
    const std::string terminal = controller.TerminalPath();
    const int onlooker = ::open(terminal.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(onlooker, 0);
    termios before{};
    ASSERT_EQ(::tcgetattr(onlooker, &before), 0);
    for (const std::string& port : {std::string("/dev/tty"), terminal}) {
        SCOPED_TRACE(port);
        // A new session whose controlling terminal is the pseudo-terminal on standard input.
        const Args launcher{"sh", "-c", "exec setsid --ctty \"$0\" \"$@\" <" + terminal};
        CliProcess cli({"--port", port, "read"}, launcher);
        EXPECT_EQ(cli.Wait(), 3) << cli.err;
        EXPECT_NE(cli.err.find("the program's own terminal"), std::string::npos) << cli.err;
        termios after{};
        ASSERT_EQ(::tcgetattr(onlooker, &after), 0);
        EXPECT_EQ(after.c_lflag, before.c_lflag);
        EXPECT_EQ(after.c_cflag, before.c_cflag);
        EXPECT_EQ(after.c_iflag, before.c_iflag);
    }
    ::close(onlooker);
}

}  // namespace
