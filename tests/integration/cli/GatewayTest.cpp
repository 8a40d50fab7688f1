// ardenox-cli through network gateways in front of the stand-in: ser2net speaking RFC 2217, ser2net and
// socat as transparent bridges, and a relay that splits replies. The stand-in answers only at the speed
// its end of the line is set to, so an answer through RFC 2217 proves the settings travelled.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"
#include "tests/integration/cli/Gateway.h"

namespace {

using Kind = GatewayProcess::Kind;

sim::Config Settings(std::uint8_t address, std::uint16_t baudHundreds, std::uint16_t mode) {
    sim::Config config;
    config.settings = {address, baudHundreds, mode};
    config.singleRegisterReads = true;
    return config;
}

std::vector<std::string> With(std::vector<std::string> args, const std::string& url) {
    args.insert(args.begin(), {"--port", url});
    return args;
}

TEST(CliGateway, ReadsAndScansThroughEachGateway) {
    struct Case {
        const char* name;
        Kind kind;
        sim::CommSettings controller;
        std::vector<std::string> args;
        int exitCode;
        const char* out;  // in standard output
        const char* err;  // in standard error
    };
    const Case cases[] = {
        {"rfc2217 read", Kind::Ser2netRfc2217, {16, 192, 0}, {"read"}, 0, "baud rate: 19200", ""},
        {"ser2net raw read", Kind::Ser2netRaw, {16, 192, 0}, {"read"}, 0, "baud rate: 19200", ""},
        {"socat read", Kind::Socat, {16, 192, 0}, {"read"}, 0, "model: ArdenoX 3102", ""},
        // Asked for 9600 baud, the stand-in's end is set to it and it stays silent.
        {"rfc2217 wrong speed",
         Kind::Ser2netRfc2217,
         {16, 192, 0},
         {"--baud", "9600", "--timeout", "2", "read"},
         5,
         "",
         "nothing answered at 9600 baud"},
        {"rfc2217 scan",
         Kind::Ser2netRfc2217,
         {16, 96, 1},
         {"--address", "5", "scan"},
         0,
         "baud rate: 9600",
         ""},
        {"bridge scan", Kind::Socat, {3, 192, 0}, {"scan"}, 0, "address: 3", "searching addresses only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ControllerSim controller(
            Settings(c.controller.address, c.controller.baudHundreds, c.controller.mode));
        GatewayProcess gateway(c.kind, controller.TerminalPath());
        CliProcess cli(With(c.args, gateway.Url()));
        ASSERT_EQ(cli.Wait(std::chrono::seconds(90)), c.exitCode) << cli.out << cli.err;
        EXPECT_NE(cli.out.find(c.out), std::string::npos) << cli.out;
        EXPECT_NE(cli.err.find(c.err), std::string::npos) << cli.err;
    }
}

// A new speed written through RFC 2217 is reached through it after the stand-in, a process of its own,
// restarts on SIGHUP; a transparent bridge says its own side must follow.
TEST(CliGateway, WriteRestartAndReadAtTheNewSpeed) {
    for (const Kind kind : {Kind::Ser2netRfc2217, Kind::Socat}) {
        const bool rfc2217 = kind == Kind::Ser2netRfc2217;
        SCOPED_TRACE(rfc2217 ? "rfc2217" : "bridge");
        CliProcess controller(CliProcess::Program{ARDENOX_SIM_PATH}, {});
        ASSERT_TRUE(controller.WaitForOutput("\n")) << controller.err;
        GatewayProcess gateway(kind, controller.out.substr(0, controller.out.find('\n')));
        CliProcess write(With({"write", "--new-baud", "38400"}, gateway.Url()));
        ASSERT_EQ(write.Wait(std::chrono::seconds(60)), 0) << write.err;
        EXPECT_EQ(write.err.find("transparent bridge") == std::string::npos, rfc2217) << write.err;
        // Signals are taken lowest first: the count of requests comes once the restart is over.
        controller.Signal(SIGHUP);
        controller.Signal(SIGUSR2);
        ASSERT_TRUE(controller.WaitForOutput("requests: ")) << controller.out << controller.err;
        if (rfc2217) {
            CliProcess read(With({"--baud", "38400", "read"}, gateway.Url()));
            ASSERT_EQ(read.Wait(), 0) << read.err;
            EXPECT_NE(read.out.find("baud rate: 38400"), std::string::npos) << read.out;
        }
    }
}

// Each part has a gateway of its own: socat gives the line back its former settings when a connection
// ends, which would race the next connection's.
TEST(CliGateway, SplitRepliesAreWholeAndADroppedConnectionIsAPortFailure) {
    {
        sim::ControllerSim controller(Settings(16, 192, 0));
        GatewayProcess gateway(Kind::Socat, controller.TerminalPath());
        SplittingRelay relay(gateway.Port(), 2, 15);
        CliProcess read(With({"--verbose", "read"}, relay.Url()));
        ASSERT_EQ(read.Wait(), 0) << read.err;
        EXPECT_NE(read.out.find("mode: Even, 1 stop bit"), std::string::npos) << read.out;
        EXPECT_NE(read.err.find("network round trip"), std::string::npos) << read.err;
    }
    sim::ControllerSim controller(Settings(16, 192, 0));
    GatewayProcess gateway(Kind::Socat, controller.TerminalPath());
    CliProcess monitor(With({"monitor"}, gateway.Url()));
    ASSERT_TRUE(monitor.WaitForOutput("baud rate")) << monitor.err;
    gateway.Kill();
    EXPECT_EQ(monitor.Wait(), 4) << monitor.err;
}

TEST(CliGateway, UnreachableGatewaysAreNotOpened) {
    const std::string closed = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort());
    // A transparent bridge asked for RFC 2217 never agrees to take line settings.
    sim::ControllerSim controller;
    GatewayProcess bridge(Kind::Socat, controller.TerminalPath());
    const std::string noTelnet = "rfc2217://127.0.0.1:" + std::to_string(bridge.Port());
    const struct {
        std::string url;
        const char* timeout;
        const char* err;
    } cases[] = {
        {"rfc2217://no-such-host.invalid:4001", "5", "does not resolve"},
        {closed, "5", "refused"},
        {"tcp://127.0.0.1", "5", "tcp://HOST:PORT"},
        {noTelnet, "5", "does not take line settings"},
        // The command's limit ends the wait for an agreement before the gateway's own limit does.
        {noTelnet, "1", "did not finish connecting within the time allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        CliProcess cli({"--port", c.url, "--timeout", c.timeout, "read"});
        EXPECT_EQ(cli.Wait(), 3);
        EXPECT_NE(cli.err.find(c.err), std::string::npos) << cli.err;
    }
}

}  // namespace
