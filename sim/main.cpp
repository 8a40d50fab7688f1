// ardenox-sim: the controller stand-in as a program, for trying the tool by hand or from scripts.
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <optional>

#include "sim/ControllerSim.h"
#include "sim/FaultRotation.h"
#include "sim/SimOptions.h"
#include "sim/TcpFront.h"
#include "traffic/Trace.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr Clock::time_point kNever = Clock::time_point::max();

// Waits for a signal of the set, up to the deadline. Returns the signal, or 0 when the deadline passed.
int WaitForSignal(const sigset_t& signals, Clock::time_point deadline) {
    for (;;) {
        if (deadline == kNever) {
            int signal = 0;
            if (sigwait(&signals, &signal) == 0) {
                return signal;
            }
            continue;
        }
        const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec wait{static_cast<time_t>(seconds.count()),
                            static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
        const int signal = sigtimedwait(&signals, nullptr, &wait);
        if (signal > 0) {
            return signal;
        }
        if (errno == EAGAIN) {
            return 0;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const sim::ParsedOptions parsed = sim::ParseOptions({argv + 1, argv + argc});
    if (!parsed.options) {
        std::fprintf(stderr, "ardenox-sim: %s\nTry 'ardenox-sim --help'.\n", parsed.error.c_str());
        return 2;
    }
    const sim::SimOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(sim::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("ardenox-sim %s\n", ARDENOX_VERSION);
        return 0;
    }

    // Signals are taken synchronously, so they must be blocked before the line thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2, SIGPWR}) {
        sigaddset(&signals, signal);
    }
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    try {
        // Before the controller, so that it is written to until the line thread has stopped.
        std::optional<traffic::Trace> log;
        sim::Config config = options.config;
        if (!options.logPath.empty()) {
            config.lineTap = &log.emplace(options.logPath).Observer();
        }
        sim::ControllerSim controller(config);
        for (const sim::ReplyFault& fault : options.faults) {
            controller.AddFault(fault);
        }
        for (const auto& [reg, value] : options.holdingValues) {
            controller.SetRegister(sim::Table::Holding, reg, value);
        }
        for (std::uint16_t reg : options.stickyRegisters) {
            controller.SetStickyRegister(reg, true);
        }
        controller.SetStuckSaving(options.stuckSaving);
        std::printf("%s\n", controller.DevicePath().c_str());
        std::optional<sim::TcpFront> front;
        if (options.listenPort) {
            front.emplace(controller, options.listenHost, *options.listenPort);
            std::printf("tcp://%s:%u\n", options.listenHost.c_str(), unsigned{front->Port()});
        }
        std::fflush(stdout);

        Clock::time_point hangUp = options.hangUpAfter ? Clock::now() + *options.hangUpAfter : kNever;
        sim::FaultRotation rotation;
        for (;;) {
            const int signal = WaitForSignal(signals, hangUp);
            if (signal == 0) {
                controller.CloseLine();
                hangUp = kNever;
            } else if (signal == SIGHUP) {
                controller.Restart();
            } else if (signal == SIGUSR1) {
                const sim::FaultBurst burst = rotation.Next();
                controller.AddFault(burst.fault);
                std::printf("fault: %s\n", burst.name.c_str());
                std::fflush(stdout);
            } else if (signal == SIGPWR) {
                controller.SwapForFreshUnit(static_cast<std::uint16_t>(controller.Firmware() + 1));
                std::printf("unit: firmware %u\n", unsigned{controller.Firmware()});
                std::fflush(stdout);
            } else if (signal == SIGUSR2) {
                std::printf("requests: %zu\n", controller.Requests().size());
                std::fflush(stdout);
            } else {
                return 0;
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ardenox-sim: %s\n", error.what());
        return 1;
    }
}
