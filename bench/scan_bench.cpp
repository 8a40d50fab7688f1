// Time of a scan against the stand-in, per case, against the physical floor: the sum over the probes
// sent of their request and reply on the wire at the probe's speed. A pseudo-terminal carries bytes at
// once, so the time measured is what the scan's waits cost; a silent probe is planned at two budgets
// (its own wait and the late-reply guard's), and the full sweep where nothing answers is the bound of
// a scan. --quick runs only the factory case.
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
        m_plannedMs += 2 * ProbeBudgetMs(baudRate);
    }
    std::uint64_t m_floorUs = 0;
    std::uint64_t m_plannedMs = 0;
};

struct Case {
    const char* name;
    sim::CommSettings stored;
    bool silent;
};

bool RunCase(const Case& c) {
    sim::Config config;
    config.settings = c.stored;
    sim::ControllerSim controller(config);
    if (c.silent) {
        controller.AddFault({.kind = sim::FaultKind::NoReply});
    }
    CProbeTally tally;
    const auto start = Clock::now();
    const ScanResult result = CScanEngine().Run(controller.DevicePath(), PlanScan(std::nullopt), tally);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double floorSeconds = static_cast<double>(tally.m_floorUs) / 1e6;
    const bool expected = result.outcome == (c.silent ? ScanResult::NothingAnswered : ScanResult::Found);
    std::printf("%-34s %5zu probes %8.2f s   floor %7.2f s   ratio %5.2f   planned %7.2f s%s\n", c.name,
                result.tried, seconds, floorSeconds, seconds / floorSeconds,
                static_cast<double>(tally.m_plannedMs) / 1e3, expected ? "" : "   UNEXPECTED OUTCOME");
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
        {"factory settings", {16, 192, 0}, false},
        {"address 123, 38400, none/2", {123, 384, 2}, false},
        {"full sweep, nothing answers", {16, 192, 0}, true},
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
