// Time of a scan against the stand-in, per case, against the physical floor: the sum over the probes
// sent of their request and reply on the wire at the probe's speed. A pseudo-terminal carries bytes at
// once, so the time measured is what the scan's waits cost; a silent probe is planned at one budget (no
// guard waits after it), and the full sweep where nothing answers is the bound of a scan. The slow
// cases answer late at the factory settings and must be found there. Each case has a goal; --quick runs
// only the factory case.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "scan/ScanEngine.h"
#include "sim/ControllerSim.h"

namespace {

using Clock = std::chrono::steady_clock;

// Adds up the floor and the planned time of every probe sent.
class CProbeTally : public IScanObserver {
public:
    void OnProbe(const ScanProgress& progress) override {
        const std::uint32_t baudRate = progress.current.line.baudRate;
        m_floorUs += ProbeFloorUs(baudRate);
        m_plannedMs += ProbeBudgetMs(baudRate);
    }
    std::uint64_t m_floorUs = 0;
    std::uint64_t m_plannedMs = 0;
};

struct Case {
    const char* name;
    sim::CommSettings stored;
    bool silent;
    double goalSeconds;
    std::chrono::milliseconds late{0};
};

bool RunCase(const Case& c) {
    sim::Config config;
    config.settings = c.stored;
    sim::ControllerSim controller(config);
    if (c.silent) {
        controller.AddFault({.kind = sim::FaultKind::NoReply});
    }
    if (c.late.count() != 0) {
        controller.AddFault({.kind = sim::FaultKind::LateReply, .delay = c.late});
    }
    CProbeTally tally;
    const auto start = Clock::now();
    const ScanResult result = CScanEngine().Run(controller.DevicePath(), PlanScan(std::nullopt), tally);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double floorSeconds = static_cast<double>(tally.m_floorUs) / 1e6;
    const ScanCandidate stored{{c.stored.baudHundreds * 100u, c.stored.mode},
                               static_cast<std::uint8_t>(c.stored.address)};
    const bool expected = c.silent
                              ? result.outcome == ScanResult::NothingAnswered
                              : result.outcome == ScanResult::Found && result.found[0].Working() == stored;
    const bool inTime = seconds <= c.goalSeconds;
    std::printf(
        "%-40s %5zu probes %8.2f s   floor %7.2f s   ratio %5.2f   planned %7.2f s   goal %5.0f s%s%s\n",
        c.name, result.tried, seconds, floorSeconds, seconds / floorSeconds,
        static_cast<double>(tally.m_plannedMs) / 1e3, c.goalSeconds, inTime ? "" : "   OVER GOAL",
        expected ? "" : "   UNEXPECTED OUTCOME");
    return expected;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc == 2 && std::string(argv[1]) == "--quick";
    if (argc > 1 && !quick) {
        std::fprintf(stderr, "usage: scan_bench [--quick]\n");
        return 2;
    }
    const std::vector<Case> cases = {
        {"factory settings", {16, 192, 0}, false, 1},
        {"address 123, 38400, none/2", {123, 384, 2}, false, 25},
        {"full sweep, nothing answers", {16, 192, 0}, true, 100},
        {"factory settings, 25 ms late", {16, 192, 0}, false, 5, std::chrono::milliseconds(25)},
        {"factory settings, 60 ms late", {16, 192, 0}, false, 5, std::chrono::milliseconds(60)},
        {"factory settings, 100 ms late", {16, 192, 0}, false, 5, std::chrono::milliseconds(100)},
        {"address 123, 38400, none/2, 40 ms late", {123, 384, 2}, false, 40, std::chrono::milliseconds(40)},
    };
    bool ok = true;
    for (const Case& c : cases) {
        ok = RunCase(c) && ok;
        if (quick) {
            break;
        }
    }
    return ok ? 0 : 1;
}
