// ardenox-cli through Modbus TCP: the stand-in serving it itself (checked with mbpoll), a translating
// gateway of pymodbus's in front of the stand-in's line, and the probe that tells a Modbus TCP gateway
// from a transparent bridge, against real gateways and hostile servers.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"
#include "tests/integration/cli/Gateway.h"
#include "tests/integration/cli/HostileGateway.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<std::string> With(std::vector<std::string> args, const std::string& url) {
    args.insert(args.begin(), {"--port", url});
    return args;
}

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// `ardenox-sim --listen`: the URL it prints once it listens.
std::string ListenUrl(CliProcess& controller) {
    if (!controller.WaitForOutput("tcp://")) {
        return {};
    }
    const std::size_t at = controller.out.find("tcp://");
    controller.WaitForOutput("\n", 10s, at);
    return controller.out.substr(at, controller.out.find('\n', at) - at);
}

TEST(CliModbusTcp, StandInServesModbusTcpToMbpollAndTheTool) {
    CliProcess controller(CliProcess::Program{ARDENOX_SIM_PATH}, {"--listen", "tcp://127.0.0.1:0"});
    const std::string url = ListenUrl(controller);
    ASSERT_FALSE(url.empty()) << controller.err;
    const std::string port = url.substr(url.rfind(':') + 1);
    // mbpoll counts registers from 1: reference 35 is holding register 34, the baud rate.
    CliProcess mbpoll(CliProcess::Program{"mbpoll"},
                      {"-m", "tcp", "-p", port, "-a", "16", "-r", "35", "-c", "1", "-1", "127.0.0.1"});
    ASSERT_EQ(mbpoll.Wait(), 0) << mbpoll.err;
    EXPECT_TRUE(Has(mbpoll.out, "[35]: \t192")) << mbpoll.out;

    CliProcess write(With({"--framing", "mbap", "write", "--new-baud", "38400"}, url));
    ASSERT_EQ(write.Wait(30s), 0) << write.err;
    EXPECT_TRUE(Has(write.out, "Done")) << write.out;
    EXPECT_TRUE(Has(write.err, "is a Modbus TCP gateway: set its serial side")) << write.err;
    controller.Signal(SIGHUP);
    controller.Signal(SIGUSR2);
    ASSERT_TRUE(controller.WaitForOutput("requests: ")) << controller.err;
    CliProcess read(With({"--verbose", "--baud", "38400", "read"}, url));
    ASSERT_EQ(read.Wait(), 0) << read.err;
    EXPECT_TRUE(Has(read.out, "baud rate: 38400")) << read.out;
    EXPECT_TRUE(Has(read.err, "Modbus TCP gateway (found on connect")) << read.err;
}

// One translating gateway for the reads; the write is not passed on by pymodbus's RemoteSlaveContext,
// so it changes nothing and the gateway is killed under monitor last.
TEST(CliModbusTcp, ThroughATranslatingGateway) {
    sim::Config config;
    config.singleRegisterReads = true;
    sim::ControllerSim controller(config);
    TranslatingGateway gateway(controller.TerminalPath(), "16");
    const struct {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        const char* out;
        const char* err;
    } cases[] = {
        {"read", {"--verbose", "read"}, 0, "mode: Even, 1 stop bit", "Modbus TCP gateway (found on connect"},
        {"scan by address", {"--address", "15", "scan"}, 0, "address: 16", "searching addresses only"},
        {"unit not behind it",
         {"--address", "17", "--timeout", "3", "read"},
         5,
         "",
         "nothing behind it replied at address 17 (exception 11"},
        {"write not passed on",
         {"--framing", "mbap", "--timeout", "10", "write", "--new-address", "20"},
         8,
         "",
         "echoed another value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliProcess cli(With(c.args, gateway.Url()));
        ASSERT_EQ(cli.Wait(60s), c.exitCode) << cli.out << cli.err;
        EXPECT_TRUE(Has(cli.out, c.out)) << cli.out;
        EXPECT_TRUE(Has(cli.err, c.err)) << cli.err;
        EXPECT_FALSE(Has(cli.out, "Done")) << cli.out;
    }
    EXPECT_EQ(controller.Register(sim::Table::Holding, sim::kRegAddress), 16);

    CliProcess monitor(With({"--framing", "mbap", "monitor"}, gateway.Url()));
    ASSERT_TRUE(monitor.WaitForOutput("baud rate")) << monitor.err;
    gateway.Kill();
    EXPECT_EQ(monitor.Wait(), 4) << monitor.err;
}

TEST(CliModbusTcp, WriteThroughAGatewayThatPassesWritesOnThenRestart) {
    sim::ControllerSim controller;
    TranslatingGateway gateway(controller.TerminalPath(), "16,20", true);
    CliProcess write(With({"--framing", "mbap", "write", "--new-address", "20"}, gateway.Url()));
    ASSERT_EQ(write.Wait(60s), 0) << write.err;
    EXPECT_TRUE(Has(write.out, "Done")) << write.out;
    // Only the speed and mode are the gateway's to follow.
    EXPECT_FALSE(Has(write.err, "serial side")) << write.err;
    controller.Restart();
    CliProcess read(With({"--framing", "mbap", "--address", "20", "read"}, gateway.Url()));
    ASSERT_EQ(read.Wait(), 0) << read.err;
    EXPECT_TRUE(Has(read.out, "address: 20")) << read.out;
}

TEST(CliModbusTcp, ProbeTellsEachKindOfGateway) {
    sim::ControllerSim controller;
    TranslatingGateway translating(controller.TerminalPath(), "16");
    {
        // The trace says it too, after the probe's frames.
        CliProcess cli(With({"--trace", "read"}, translating.Url()));
        ASSERT_EQ(cli.Wait(), 0) << cli.err;
        EXPECT_TRUE(
            Has(cli.err, ("(" + translating.Url() + ": Modbus TCP gateway (found on connect").c_str()))
            << cli.err;
    }
    translating.Kill();
    // The bridges one at a time: each opens the line for its connection.
    for (const auto kind : {GatewayProcess::Kind::Socat, GatewayProcess::Kind::Ser2netRaw}) {
        GatewayProcess bridge(kind, controller.TerminalPath());
        CliProcess cli(With({"--verbose", "read"}, bridge.Url()));
        ASSERT_EQ(cli.Wait(), 0) << cli.err;
        EXPECT_TRUE(Has(cli.err, "transparent bridge (RTU over TCP) (found on connect")) << cli.err;
    }
}

TEST(CliModbusTcp, ProbeAgainstHostileServersEndsWithinTheTimeout) {
    using Behaviour = HostileGateway::Behaviour;
    const struct {
        const char* name;
        Behaviour behaviour;
        int exitCode;
        const char* err;
    } cases[] = {
        {"closes at once", Behaviour::HangsUp, 3,
         "the gateway ended the connection when asked for a register"},
        {"never answers", Behaviour::Silent, 5, "got no well-formed answer"},
        {"answers garbage", Behaviour::Junk, 5, "got no well-formed answer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HostileGateway gateway(c.behaviour);
        const auto start = Clock::now();
        CliProcess cli(
            {"--port", "tcp://127.0.0.1:" + std::to_string(gateway.Port()), "--timeout", "3", "read"});
        ASSERT_EQ(cli.Wait(30s), c.exitCode) << cli.err;
        EXPECT_LT(Clock::now() - start, 6s);
        EXPECT_TRUE(Has(cli.err, c.err)) << cli.err;
    }
}

TEST(CliModbusTcp, FramingMbapDefaultsToPort502AndNeedsTcp) {
    CliProcess refused({"--port", "tcp://127.0.0.1", "--framing", "mbap", "--timeout", "2", "read"});
    EXPECT_EQ(refused.Wait(), 3);
    EXPECT_TRUE(Has(refused.err, "tcp://127.0.0.1:502")) << refused.err;
    CliProcess serial({"--port", "/dev/null", "--framing", "mbap", "read"});
    EXPECT_EQ(serial.Wait(), 2);
    EXPECT_TRUE(Has(serial.err, "--framing mbap needs a Modbus TCP gateway's tcp://")) << serial.err;
}

}  // namespace
