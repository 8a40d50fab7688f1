#include "bench/ModbusTcpPaths.h"

#include <modbus.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/PymodbusPeer.h"
#include "device/GatewayProbe.h"
#include "modbus/Modbus.h"
#include "port/ComDevice.h"
#include "sim/ControllerSim.h"
#include "sim/TcpFront.h"
#include "tests/integration/cli/Gateway.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSlave = 16;
constexpr int kRegister = 34;
constexpr std::uint16_t kExpected = 192;
// mbpoll is one process per read: its start dominates, so it runs for every tenth read only.
constexpr int kMbpollEvery = 10;

double MedianUs(std::vector<double> samples) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// One way to the register; `read` gives the read's time in microseconds, nothing when it failed.
struct Reader {
    std::string name;
    std::function<std::optional<double>()> read;
    std::vector<double> samples;
    int failures = 0;
    int every = 1;
};

template <typename Read>
std::optional<double> Timed(Read read) {
    const auto start = Clock::now();
    const bool ok = read();
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    return ok ? std::optional(us) : std::nullopt;
}

std::unique_ptr<CComDevice> OpenMbap(const std::string& url) {
    auto port = std::make_unique<CComDevice>();
    port->m_framing = traffic::Framing::Mbap;
    if (!port->Open(url, 19200, 2, 0)) {
        return nullptr;
    }
    port->UseFraming(traffic::Framing::Mbap);
    return port;
}

// A one-shot mbpoll read; true when it printed the value.
bool MbpollRead(int port) {
    const std::string command = "mbpoll -m tcp -p " + std::to_string(port) + " -a " + std::to_string(kSlave) +
                                " -r " + std::to_string(kRegister + 1) + " -c 1 -1 -q 127.0.0.1 2>/dev/null";
    std::FILE* out = ::popen(command.c_str(), "r");
    if (out == nullptr) {
        return false;
    }
    char line[256];
    bool found = false;
    while (std::fgets(line, sizeof line, out) != nullptr) {
        found = found || std::string(line).find(std::to_string(kExpected)) != std::string::npos;
    }
    return ::pclose(out) == 0 && found;
}

// The median time of `connects` opens of `url`, with the gateway probe after each when `probe`.
double ConnectMs(const std::string& url, bool probe, int connects) {
    std::vector<double> samples;
    for (int k = 0; k < connects; ++k) {
        CComDevice port;
        const auto start = Clock::now();
        if (!port.Open(url, 19200, 2, 0)) {
            continue;
        }
        if (probe) {
            ProbeGateway(port, kSlave, nullptr);
        }
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return MedianUs(samples);
}

}  // namespace

bool RunModbusTcpPaths(int iterations) {
    sim::ControllerSim direct;
    sim::TcpFront front(direct, "127.0.0.1", 0);
    const std::string frontUrl = "tcp://127.0.0.1:" + std::to_string(front.Port());
    sim::ControllerSim behind;
    TranslatingGateway gateway(behind.TerminalPath(), std::to_string(kSlave));

    std::unique_ptr<CComDevice> frontPort = OpenMbap(frontUrl);
    std::unique_ptr<CComDevice> gatewayPort = OpenMbap(gateway.Url());
    if (!frontPort || !gatewayPort) {
        std::fprintf(stderr, "gateway_bench: a Modbus TCP server did not open\n");
        return false;
    }
    CModbus toFront(frontPort.get(), traffic::Framing::Mbap);
    CModbus toGateway(gatewayPort.get(), traffic::Framing::Mbap);
    modbus_t* libmodbus = modbus_new_tcp("127.0.0.1", front.Port());
    modbus_set_response_timeout(libmodbus, 1, 0);
    if (libmodbus == nullptr || modbus_connect(libmodbus) != 0) {
        std::fprintf(stderr, "gateway_bench: libmodbus did not connect\n");
        return false;
    }
    modbus_set_slave(libmodbus, kSlave);
    PymodbusPeer peer("mbap://127.0.0.1:" + gateway.Url().substr(gateway.Url().rfind(':') + 1), kSlave,
                      kRegister);
    const int gatewayPortNumber = std::stoi(gateway.Url().substr(gateway.Url().rfind(':') + 1));

    const auto ours = [](CModbus& modbus) {
        return [&modbus]() {
            std::uint16_t value = 0;
            return Timed(
                [&] { return modbus.ReadRegisters(kSlave, 3, kRegister, 1, &value) && value == kExpected; });
        };
    };
    std::vector<Reader> readers;
    const auto add = [&readers](std::string name, std::function<std::optional<double>()> read,
                                int every = 1) {
        readers.push_back({std::move(name), std::move(read), {}, 0, every});
    };
    add("mbap ours (sim --listen)", ours(toFront));
    add("mbap libmodbus (sim --listen)", [&] {
        std::uint16_t value = 0;
        return Timed([&] {
            return modbus_read_registers(libmodbus, kRegister, 1, &value) == 1 && value == kExpected;
        });
    });
    add("mbap ours (pymodbus gateway)", ours(toGateway));
    if (peer.Ready()) {
        add("mbap pymodbus (pymodbus gateway)", [&]() -> std::optional<double> {
            const auto read = peer.ReadOnce();
            return read && read->value == kExpected ? std::optional(read->micros) : std::nullopt;
        });
    } else {
        std::printf("pymodbus peer %s\n", peer.Note().c_str());
    }
    readers.push_back({"mbap mbpoll run (pymodbus gateway)",
                       [&] { return Timed([&] { return MbpollRead(gatewayPortNumber); }); },
                       {},
                       0,
                       kMbpollEvery});
    for (int i = 0; i < iterations; ++i) {
        for (Reader& reader : readers) {
            if (i % reader.every != 0) {
                continue;
            }
            if (const std::optional<double> us = reader.read()) {
                reader.samples.push_back(*us);
            } else {
                ++reader.failures;
            }
        }
    }
    modbus_close(libmodbus);
    modbus_free(libmodbus);
    for (const Reader& reader : readers) {
        std::printf("%-36s median %8.0f us  failed %d of %d\n", reader.name.c_str(), MedianUs(reader.samples),
                    reader.failures, (iterations + reader.every - 1) / reader.every);
    }
    const auto ratio = [&](std::size_t a, std::size_t b) {
        const double base = MedianUs(readers[b].samples);
        return base > 0 ? MedianUs(readers[a].samples) / base : 0.0;
    };
    std::printf("%-36s ours/libmodbus x%.2f\n", "mbap (sim --listen)", ratio(0, 1));
    if (peer.Ready()) {
        std::printf("%-36s ours/pymodbus x%.2f  ours/mbpoll run x%.3f\n", "mbap (pymodbus gateway)",
                    ratio(2, 3), ratio(2, 4));
    }
    // What asking the gateway's kind adds to a connect: found at once through Modbus TCP, after a
    // Modbus TCP read that gets nothing through a bridge.
    constexpr int kConnects = 5;
    GatewayProcess bridge(GatewayProcess::Kind::Socat, behind.TerminalPath());
    gateway.Kill();
    for (const auto& [name, url] : {std::pair<const char*, std::string>{"sim --listen", frontUrl},
                                    std::pair<const char*, std::string>{"socat bridge", bridge.Url()}}) {
        std::printf("connect %-28s %6.1f ms, with the probe %6.1f ms\n", name,
                    ConnectMs(url, false, kConnects), ConnectMs(url, true, kConnects));
    }
    const bool faulty =
        std::any_of(readers.begin(), readers.begin() + 1,
                    [&](const Reader& reader) { return reader.failures * 10 > iterations; }) ||
        readers[2].failures * 10 > iterations;
    return !faulty;
}
