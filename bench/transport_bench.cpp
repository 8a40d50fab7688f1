// Round trip of one-register reads through the system's own Modbus master (CModbus on CComDevice),
// the same with a frame tap installed (a frame buffer, drained outside the timed transactions as the
// traffic window drains it), and libmodbus's master, interleaved transaction by transaction so that
// all see the same machine load. Each master has its own stand-in of identical configuration: an
// exclusively opened port cannot share its pseudo-terminal with a second master. Our master's time is
// the request to its whole reply, libmodbus's work; the listening after each reply that keeps copied
// replies from passing for the next (as long as a reply may take) is a policy of the line, told apart.
#include <modbus/modbus.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "modbus/Modbus.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "sim/ControllerSim.h"
#include "traffic/FrameRing.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kExpected = 192;  // the stand-in's baud register
// More time-outs than this share of the transactions is no longer load but a fault.
constexpr int kTolerableTimeoutPercent = 10;

// The last failed transaction of either master ran out of time.
bool IsTimeout() {
    return platform::GetLastError() == ERROR_TIMEOUT || errno == ETIMEDOUT;
}

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

// What the transactions of one master came to. A time-out is what a loaded machine produces when the
// stand-in's thread is not scheduled within the read limit (120 ms here, 500 ms for libmodbus), so a few
// are told, not failed; a wrong value or any other failure is a real fault.
struct Outcomes {
    int timeouts = 0;
    int faults = 0;
};

// A transaction: true when it succeeded, with the value read and, for our master, the time until its
// reply was whole (otherwise left as the whole call's time).
using Transaction = std::function<bool(std::uint16_t& value, double& replyUs)>;

void Timed(const Transaction& transaction, std::vector<double>& samples, Outcomes& outcomes) {
    std::uint16_t value = 0;
    const auto start = Clock::now();
    double replyUs = -1;
    const bool ok = transaction(value, replyUs);
    const auto took = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (ok && value == kExpected) {
        samples.push_back(replyUs < 0 ? took : replyUs);
    } else if (!ok && IsTimeout()) {
        ++outcomes.timeouts;
    } else {
        ++outcomes.faults;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Each of ours listens 120 ms after its reply: 500 take about two minutes.
    int iterations = 500;
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
    Outcomes outcomes[3];
    const auto ourRead = [](CModbus& master) -> Transaction {
        return [&master](std::uint16_t& value, double& replyUs) {
            const bool ok = master.ReadRegisters(16, 3, sim::kRegBaud, 1, &value);
            replyUs = std::chrono::duration<double, std::micro>(master.LastReplyTime()).count();
            return ok;
        };
    };
    const Transaction transactions[] = {
        ourRead(ours),
        ourRead(tapped),
        [&](std::uint16_t& value, double&) {
            return modbus_read_registers(theirs, sim::kRegBaud, 1, &value) == 1;
        },
    };
    std::vector<double>* samples[] = {&ourSamples, &tappedSamples, &theirSamples};
    for (int i = 0; i < iterations; ++i) {
        // Each master takes each place in the order equally often.
        for (int k = 0; k < 3; ++k) {
            const int which = (i + k) % 3;
            platform::SetLastError(ERROR_SUCCESS);
            errno = 0;
            Timed(transactions[which], *samples[which], outcomes[which]);
        }
        ring.Drain();
    }
    modbus_close(theirs);
    modbus_free(theirs);

    const char* names[] = {"CModbus", "CModbus + tap", "libmodbus"};
    for (int which = 0; which < 3; ++which) {
        const Outcomes& counts = outcomes[which];
        const char* name = names[which];
        if (counts.timeouts + counts.faults != 0) {
            std::printf("%s: %d time-outs, %d wrong values or other failures\n", name, counts.timeouts,
                        counts.faults);
        }
        if (counts.faults != 0 || counts.timeouts * 100 > iterations * kTolerableTimeoutPercent) {
            std::fprintf(stderr, "transport_bench: %s lost transactions\n", name);
            return 1;
        }
    }
    if (ourSamples.empty() || tappedSamples.empty() || theirSamples.empty()) {
        return 1;
    }
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
    return 0;
}
