// One-register reads through network gateways against the same read on the pseudo-terminal directly:
// socat and ser2net as transparent bridges (tcp://) and ser2net speaking RFC 2217 (rfc2217://), each in front
// of its own stand-in, and pymodbus through a gateway of each kind, interleaved read by read so that all see
// the same machine load. Prints the median and 99th percentile of each, their ratios to the direct read, and
// the tool's ratio to pymodbus on each kind of gateway; then the Modbus TCP paths (ModbusTcpPaths.h).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/ModbusTcpPaths.h"
#include "bench/PymodbusPeer.h"
#include "modbus/Modbus.h"
#include "port/ComDevice.h"
#include "sim/ControllerSim.h"
#include "tests/integration/cli/Gateway.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSlave = 16;
constexpr int kRegister = 34;             // the baud register
constexpr std::uint16_t kExpected = 192;  // the stand-in's value there

// One way to the register: the tool's own master, or pymodbus, each with a stand-in (and a gateway) of
// its own.
struct Path {
    std::string name;
    std::unique_ptr<sim::ControllerSim> controller = std::make_unique<sim::ControllerSim>();
    std::unique_ptr<GatewayProcess> gateway;
    CComDevice port;
    std::unique_ptr<CModbus> modbus;
    std::unique_ptr<PymodbusPeer> peer;
    std::vector<double> samples;
    int failures = 0;

    Path(std::string pathName, std::optional<GatewayProcess::Kind> kind) : name(std::move(pathName)) {
        if (kind) {
            gateway = std::make_unique<GatewayProcess>(*kind, controller->TerminalPath());
        }
    }
    std::string Url() const { return gateway ? gateway->Url() : controller->DevicePath(); }

    void ReadOnce() {
        if (peer) {
            const auto read = peer->ReadOnce();
            read && read->value == kExpected ? samples.push_back(read->micros) : void(++failures);
            return;
        }
        std::uint16_t value = 0;
        const auto start = Clock::now();
        const bool ok = modbus->ReadRegisters(kSlave, 3, kRegister, 1, &value);
        const auto took = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        ok&& value == kExpected ? samples.push_back(took) : void(++failures);
    }
};

double Quantile(std::vector<double> samples, double quantile) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[std::min(samples.size() - 1, static_cast<std::size_t>(quantile * samples.size()))];
}

double Ratio(const Path& path, const Path& base) {
    const double baseMedian = Quantile(base.samples, 0.5);
    return baseMedian > 0 ? Quantile(path.samples, 0.5) / baseMedian : 0.0;
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
    std::signal(SIGPIPE, SIG_IGN);  // a peer that ends early is counted as failing, not fatal
    using Kind = GatewayProcess::Kind;
    // ser2net's raw mode tells its own delay apart from what RFC 2217 adds.
    const std::pair<const char*, Kind> gateways[] = {{"tcp (socat)", Kind::Socat},
                                                     {"rfc2217 (ser2net)", Kind::Ser2netRfc2217},
                                                     {"tcp (ser2net)", Kind::Ser2netRaw}};
    std::vector<std::unique_ptr<Path>> ours;
    std::vector<std::unique_ptr<Path>> peers;
    ours.push_back(std::make_unique<Path>("pty", std::nullopt));
    for (const auto& [name, kind] : gateways) {
        ours.push_back(std::make_unique<Path>(name, kind));
        peers.push_back(std::make_unique<Path>(std::string("pymodbus ") + name, kind));
    }
    for (auto& path : ours) {
        if (!path->port.Open(path->Url(), 19200, 2, 0)) {
            std::fprintf(stderr, "gateway_bench: %s did not open\n", path->Url().c_str());
            return 1;
        }
        if (const auto roundTripMs = path->port.Port().RoundTripMs()) {
            std::printf("%-28s round trip at connect: %u ms\n", path->name.c_str(), *roundTripMs);
        }
        path->modbus = std::make_unique<CModbus>(&path->port);
    }
    for (auto& path : peers) {
        path->peer = std::make_unique<PymodbusPeer>(path->Url(), kSlave, kRegister);
    }
    if (!peers.front()->peer->Ready()) {
        std::printf("pymodbus peer %s; install python3-pymodbus to compare\n",
                    peers.front()->peer->Note().c_str());
        peers.clear();
    }
    for (int i = 0; i < iterations; ++i) {
        for (auto& path : ours) {
            path->ReadOnce();
        }
        for (auto& path : peers) {
            path->ReadOnce();
        }
    }
    const Path& direct = *ours.front();
    for (const auto* group : {&ours, &peers}) {
        for (const auto& path : *group) {
            std::printf("%-28s median %8.0f us  p99 %8.0f us  x%.2f  failed %d of %d\n", path->name.c_str(),
                        Quantile(path->samples, 0.5), Quantile(path->samples, 0.99), Ratio(*path, direct),
                        path->failures, iterations);
        }
    }
    for (std::size_t i = 0; i < peers.size(); ++i) {
        std::printf("%-28s ours/pymodbus x%.2f\n", ours[i + 1]->name.c_str(), Ratio(*ours[i + 1], *peers[i]));
    }
    // Only the tool's own faults, not slowness nor the peer's failures, fail the run: a few failures are
    // what a loaded machine produces.
    const bool faulty = std::any_of(ours.begin(), ours.end(),
                                    [&](const auto& path) { return path->failures * 10 > iterations; });
    const bool modbusTcpFaulty = !RunModbusTcpPaths(iterations);
    return faulty || modbusTcpFaulty ? 1 : 0;
}
