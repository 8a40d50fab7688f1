// Round trip of one-register reads through the system's own Modbus master (CModbus on CComDevice),
// the same with a frame tap installed (a frame buffer, drained outside the timed transactions as the
// traffic window drains it), and libmodbus's master, interleaved transaction by transaction so that
// all see the same machine load. Each master has its own stand-in of identical configuration: an
// exclusively opened port cannot share its pseudo-terminal with a second master.
#include <modbus/modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "modbus/Modbus.h"
#include "serial/ComDevice.h"
#include "sim/ControllerSim.h"
#include "traffic/FrameRing.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Summary {
    double medianUs;
    double p99Us;
};

Summary Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double quantile) {
        return samples[std::min(samples.size() - 1, static_cast<std::size_t>(quantile * samples.size()))];
    };
    return {at(0.5), at(0.99)};
}

template <typename Transaction>
bool Timed(Transaction transaction, std::vector<double>& samples) {
    const auto start = Clock::now();
    const bool ok = transaction();
    samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    int iterations = 2000;
    if (argc == 3 && std::string(argv[1]) == "--iterations") {
        iterations = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: transport_bench [--iterations N]\n");
        return 2;
    }
    if (iterations < 1) {
        std::fprintf(stderr, "transport_bench: the iteration count must be positive\n");
        return 2;
    }

    sim::ControllerSim ourController;
    sim::ControllerSim tappedController;
    sim::ControllerSim theirController;

    CComDevice port;
    CComDevice tappedPort;
    for (auto [device, controller] : {std::pair{&port, &ourController}, {&tappedPort, &tappedController}}) {
        if (!device->Open(controller->DevicePath(), 19200, 0, 0)) {
            std::fprintf(stderr, "transport_bench: cannot open %s\n", controller->DevicePath().c_str());
            return 1;
        }
    }
    CModbus ours(&port);
    CModbus tapped(&tappedPort);
    traffic::FrameRing ring;
    tapped.SetFrameObserver(&ring);

    modbus_t* theirs = modbus_new_rtu(theirController.DevicePath().c_str(), 19200, 'N', 8, 1);
    if (theirs == nullptr || modbus_connect(theirs) != 0) {
        std::fprintf(stderr, "transport_bench: libmodbus cannot open %s\n",
                     theirController.DevicePath().c_str());
        return 1;
    }
    modbus_set_slave(theirs, 16);

    std::vector<double> ourSamples;
    std::vector<double> tappedSamples;
    std::vector<double> theirSamples;
    std::uint16_t value = 0;
    const std::function<bool()> transactions[] = {
        [&] { return ours.ReadRegisters(16, 3, sim::kRegBaud, 1, &value); },
        [&] { return tapped.ReadRegisters(16, 3, sim::kRegBaud, 1, &value); },
        [&] { return modbus_read_registers(theirs, sim::kRegBaud, 1, &value) == 1; },
    };
    std::vector<double>* samples[] = {&ourSamples, &tappedSamples, &theirSamples};
    int failures = 0;
    for (int i = 0; i < iterations; ++i) {
        // Each master takes each place in the order equally often.
        for (int k = 0; k < 3; ++k) {
            const int which = (i + k) % 3;
            failures += !Timed(transactions[which], *samples[which]);
        }
        ring.Drain();
    }
    modbus_close(theirs);
    modbus_free(theirs);

    const Summary our = Summarise(ourSamples);
    const Summary tap = Summarise(tappedSamples);
    const Summary their = Summarise(theirSamples);
    std::printf("one-register read, %d transactions each, interleaved\n", iterations);
    std::printf("%-14s %12s %12s\n", "master", "median us", "p99 us");
    std::printf("%-14s %12.1f %12.1f\n", "CModbus", our.medianUs, our.p99Us);
    std::printf("%-14s %12.1f %12.1f\n", "CModbus + tap", tap.medianUs, tap.p99Us);
    std::printf("%-14s %12.1f %12.1f\n", "libmodbus", their.medianUs, their.p99Us);
    std::printf("ratio ours/libmodbus: median %.2f, p99 %.2f\n", our.medianUs / their.medianUs,
                our.p99Us / their.p99Us);
    std::printf("ratio ours with a tap/libmodbus: median %.2f, p99 %.2f\n", tap.medianUs / their.medianUs,
                tap.p99Us / their.p99Us);
    if (failures != 0) {
        std::fprintf(stderr, "transport_bench: %d transactions failed\n", failures);
        return 1;
    }
    return 0;
}
