// ardenox-cli against stand-ins whose line repeats itself or refuses a register: a slow controller
// (2-8 ms) whose replies are copied 1.5-7 ms later one time in ten, while the line goes on, as a
// repeater or a second unit at the same address does; and a controller that refuses its model register.
// Every stand-in runs at once, so that the test takes the time of one.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"

namespace {

using namespace std::chrono_literals;

// The mode differs from the status, so that one register's value passed for another's shows.
sim::Config RepeatingLine() {
    sim::Config config;
    config.settings.mode = 2;
    config.latency = {2ms, 8ms};
    config.copyShare = 0.1;
    config.copyDelay = {1500us, 7000us};
    return config;
}

const std::string kTruth =
    "{\"model\": \"ArdenoX 3102\", \"firmwareVersion\": \"2.5\", \"configurationStatus\": \"idle\", "
    "\"address\": 16, \"baudRate\": 19200, \"mode\": \"None, 2 stop bits\", \"modeName\": \"none2\"}\n";
const std::vector<std::string> kTruthLines = {
    "model: ArdenoX 3102", "firmware version: 2.5", "configuration status: idle",
    "address: 16",         "baud rate: 19200",      "mode: None, 2 stop bits",
    "Connected",           "Not connected"};

std::vector<std::string> Port(const sim::ControllerSim& controller) {
    return {"--port", controller.DevicePath(), "--mode", "none2"};
}

// The values a monitor printed, each without its time.
std::vector<std::string> MonitorValues(const std::string& out) {
    std::vector<std::string> values;
    std::size_t start = 0;
    for (std::size_t end = out.find('\n'); end != std::string::npos;
         start = end + 1, end = out.find('\n', start)) {
        const std::string line = out.substr(start, end - start);
        values.push_back(line.substr(line.find(' ') + 1));
    }
    return values;
}

std::unique_ptr<CliProcess> Start(const sim::ControllerSim& controller, std::vector<std::string> command) {
    std::vector<std::string> args = Port(controller);
    args.insert(args.end(), command.begin(), command.end());
    return std::make_unique<CliProcess>(args);
}

TEST(LineRepeats, CopiedRepliesNeverGiveAWrongValue) {
    constexpr int kMonitors = 3;
    std::vector<std::unique_ptr<sim::ControllerSim>> lines;
    for (int i = 0; i < kMonitors + 2; ++i) {
        lines.push_back(std::make_unique<sim::ControllerSim>(RepeatingLine()));
    }
    std::vector<std::unique_ptr<CliProcess>> monitors;
    for (int i = 0; i < kMonitors; ++i) {
        monitors.push_back(Start(*lines[i], {"monitor"}));
    }
    // One stand-in for reads, one for a write that keeps the mode it was not told to change.
    std::thread reads([&] {
        for (int i = 0; i < 3; ++i) {
            const auto read = Start(*lines[kMonitors], {"--json", "--timeout", "15", "read"});
            EXPECT_EQ(read->Wait(30s), 0) << read->err;
            EXPECT_EQ(read->out, kTruth);
        }
    });
    const auto write = Start(*lines[kMonitors + 1], {"write", "--new-address", "97"});
    EXPECT_EQ(write->Wait(60s), 0) << write->err;
    EXPECT_EQ(lines[kMonitors + 1]->SavedSettings(), (sim::CommSettings{97, 192, 2}));
    reads.join();
    std::this_thread::sleep_for(4s);

    std::size_t copiesTold = 0;
    for (const auto& monitor : monitors) {
        monitor->Signal(SIGTERM);
        EXPECT_EQ(monitor->Wait(), 0) << monitor->err;
        for (const std::string& value : MonitorValues(monitor->out)) {
            EXPECT_NE(std::find(kTruthLines.begin(), kTruthLines.end(), value), kTruthLines.end()) << value;
        }
        copiesTold += monitor->err.find("replies arrive twice: two controllers may share address 16") !=
                      std::string::npos;
    }
    EXPECT_GT(copiesTold, 0u) << "a line that copies replies is named";
}

// A register the controller refuses is answered all the same: the line settles, the other registers are
// read once a poll period, and monitor goes on showing them, naming the refusal once.
TEST(LineRepeats, ARefusedRegisterKeepsMonitorRunningWithoutReadingTwice) {
    sim::ControllerSim healthy;
    sim::ControllerSim refusing;
    refusing.AddFault(
        {.kind = sim::FaultKind::Exception, .exceptionCode = 2, .function = 4, .reg = sim::kRegModel});
    CliProcess healthyMonitor({"--port", healthy.DevicePath(), "monitor"});
    CliProcess refusingMonitor({"--port", refusing.DevicePath(), "monitor"});
    std::this_thread::sleep_for(6s);
    healthyMonitor.Signal(SIGTERM);
    refusingMonitor.Signal(SIGTERM);
    EXPECT_EQ(healthyMonitor.Wait(), 0) << healthyMonitor.err;
    EXPECT_EQ(refusingMonitor.Wait(), 0) << refusingMonitor.err;

    const std::vector<std::string> values = MonitorValues(refusingMonitor.out);
    for (const char* shown : {"address: 16", "baud rate: 19200", "firmware version: 2.5"}) {
        EXPECT_NE(std::find(values.begin(), values.end(), shown), values.end()) << refusingMonitor.out;
    }
    const std::string refusal = "the controller refused reading model (input register 2): exception 2";
    const std::size_t told = refusingMonitor.err.find(refusal);
    EXPECT_NE(told, std::string::npos) << refusingMonitor.err;
    EXPECT_EQ(refusingMonitor.err.find(refusal, told + 1), std::string::npos) << "told once";
    EXPECT_LE(refusing.Requests().size() * 2, healthy.Requests().size() * 3)
        << refusing.Requests().size() << " requests against " << healthy.Requests().size();
}

}  // namespace
