// ardenox-cli scan against a stand-in that, like the controller, answers only reads of one register:
// the trace shows every probe, and the port is left with the settings it had before.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scan/ScanPlan.h"
#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"

namespace {

sim::Config SingleRegisterReads(sim::CommSettings settings) {
    sim::Config config;
    config.settings = settings;
    config.singleRegisterReads = true;
    return config;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::size_t CountContaining(const std::vector<std::string>& lines, const std::string& part) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    }));
}

TEST(CliScan, TraceShowsEveryProbeAndOneRegisterPerIdentifyingRead) {
    for (const bool toFile : {true, false}) {
        SCOPED_TRACE(toFile ? "--trace-file" : "--trace");
        // Address 3: the guess and address 16 at every line setting time out before it answers.
        sim::ControllerSim controller(SingleRegisterReads({3, 192, 0}));
        const std::string traceFile = testing::TempDir() + "cli-scan-trace-" + std::to_string(::getpid());
        std::vector<std::string> args{"--port", controller.DevicePath(), "scan"};
        if (toFile) {
            args.insert(args.end(), {"--trace-file", traceFile});
        } else {
            args.push_back("--trace");
        }

        CliProcess cli(args);
        ASSERT_EQ(cli.Wait(std::chrono::seconds(60)), 0) << cli.err;
        EXPECT_NE(cli.out.find("address: 3\n"), std::string::npos) << cli.out;
        EXPECT_EQ(cli.out.find("identified: no"), std::string::npos) << cli.out;
        std::string trace = cli.err;
        if (toFile) {
            std::ostringstream file;
            file << std::ifstream(traceFile).rdbuf();
            trace = file.str();
            std::remove(traceFile.c_str());
        }
        const std::vector<std::string> lines = Lines(trace);
        // Every probe up to the one answered, that one again, then the three identifying reads. (The
        // stand-in's own count can fall short: a purge may drop a probe it had not read yet.)
        const std::vector<ScanCandidate> plan = PlanScan(kFactorySettings);
        const auto answered = std::find(plan.begin(), plan.end(), ScanCandidate{{19200, 0}, 3});
        const auto probes = static_cast<std::size_t>(answered - plan.begin()) + 1;
        EXPECT_EQ(CountContaining(lines, " -> "), probes + 1 + 3) << trace;
        EXPECT_EQ(CountContaining(lines, "time-out"), probes - 1) << trace;
        for (const char* read :
             {"read holding 33 address (1)", "read holding 34 baud (1)", "read holding 35 mode (1)"}) {
            EXPECT_EQ(CountContaining(lines, read), 1u) << read << "\n" << trace;
        }
        EXPECT_EQ(CountContaining(lines, "exception"), 0u) << trace;
    }
}

// The speed and framing that scan tries must not stay on the port: another program (or a terminal)
// uses it next.
TEST(CliScan, LeavesThePortWithTheSettingsItFound) {
    sim::ControllerSim controller(SingleRegisterReads({16, 384, 1}));
    const int port = ::open(controller.TerminalPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios before{};
    ASSERT_EQ(::tcgetattr(port, &before), 0);
    ASSERT_EQ(::cfsetspeed(&before, B4800), 0);
    before.c_cflag |= CSTOPB;
    ASSERT_EQ(::tcsetattr(port, TCSANOW, &before), 0);
    ASSERT_EQ(::tcgetattr(port, &before), 0);

    CliProcess cli({"--port", controller.DevicePath(), "scan"});
    ASSERT_EQ(cli.Wait(std::chrono::seconds(60)), 0) << cli.err;
    ASSERT_NE(cli.out.find("baud rate: 38400\n"), std::string::npos) << cli.out;

    termios after{};
    ASSERT_EQ(::tcgetattr(port, &after), 0);
    ::close(port);
    EXPECT_EQ(::cfgetospeed(&after), ::cfgetospeed(&before));
    EXPECT_EQ(::cfgetispeed(&after), ::cfgetispeed(&before));
    EXPECT_EQ(after.c_cflag, before.c_cflag);
}

}  // namespace
