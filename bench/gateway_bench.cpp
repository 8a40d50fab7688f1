// One-register reads through network gateways against the same read on the pseudo-terminal directly:
// socat and ser2net as transparent bridges (tcp://) and ser2net speaking RFC 2217 (rfc2217://), each in front
// of its own stand-in, interleaved read by read so that all see the same machine load. Prints the median and
// 99th percentile of each and their ratios to the direct read.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "modbus/Modbus.h"
#include "serial/ComDevice.h"
#include "sim/ControllerSim.h"
#include "tests/integration/cli/Gateway.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kExpected = 192;  // the stand-in's baud register

struct Path {
    const char* name;
    std::unique_ptr<sim::ControllerSim> controller = std::make_unique<sim::ControllerSim>();
    std::unique_ptr<GatewayProcess> gateway;
    CComDevice port;
    std::unique_ptr<CModbus> modbus;
    std::vector<double> samples;
    int failures = 0;
};

double Quantile(std::vector<double> samples, double quantile) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[std::min(samples.size() - 1, static_cast<std::size_t>(quantile * samples.size()))];
}

}  // namespace

int main(int argc, char** argv) {
    int iterations = 1000;
    if (argc == 3 && std::string(argv[1]) == "--iterations") {
        iterations = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: gateway_bench [--iterations N]\n");
        return 2;
    }
    Path paths[4];
    paths[0].name = "pty";
    paths[1].name = "tcp (socat)";
    paths[1].gateway =
        std::make_unique<GatewayProcess>(GatewayProcess::Kind::Socat, paths[1].controller->TerminalPath());
    paths[2].name = "rfc2217 (ser2net)";
    paths[2].gateway = std::make_unique<GatewayProcess>(GatewayProcess::Kind::Ser2netRfc2217,
                                                        paths[2].controller->TerminalPath());
    // ser2net's raw mode tells its own delay apart from what RFC 2217 adds.
    paths[3].name = "tcp (ser2net)";
    paths[3].gateway = std::make_unique<GatewayProcess>(GatewayProcess::Kind::Ser2netRaw,
                                                        paths[3].controller->TerminalPath());
    for (Path& path : paths) {
        const std::string name = path.gateway ? path.gateway->Url() : path.controller->DevicePath();
        if (!path.port.Open(name, 19200, 2, 0)) {
            std::fprintf(stderr, "gateway_bench: %s did not open\n", name.c_str());
            return 1;
        }
        if (const auto roundTripMs = path.port.Port().RoundTripMs()) {
            std::printf("%-18s round trip at connect: %u ms\n", path.name, *roundTripMs);
        }
        path.modbus = std::make_unique<CModbus>(&path.port);
    }
    for (int i = 0; i < iterations; ++i) {
        for (Path& path : paths) {
            std::uint16_t value = 0;
            const auto start = Clock::now();
            const bool ok = path.modbus->ReadRegisters(16, 3, 34, 1, &value);
            const auto took = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
            ok&& value == kExpected ? path.samples.push_back(took) : void(++path.failures);
        }
    }
    const double directMedian = Quantile(paths[0].samples, 0.5);
    for (const Path& path : paths) {
        const double median = Quantile(path.samples, 0.5);
        std::printf("%-18s median %8.0f us  p99 %8.0f us  x%.2f  failed %d of %d\n", path.name, median,
                    Quantile(path.samples, 0.99), directMedian > 0 ? median / directMedian : 0.0,
                    path.failures, iterations);
    }
    // Only a fault, not slowness, fails the run: a few failures are what a loaded machine produces.
    const bool faulty = std::any_of(std::begin(paths), std::end(paths),
                                    [&](const Path& path) { return path.failures * 10 > iterations; });
    return faulty ? 1 : 0;
}
