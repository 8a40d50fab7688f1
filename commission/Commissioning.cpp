#include "commission/Commissioning.h"

#include <fmt/format.h>

namespace {

class CRun {
public:
    CRun(const CommissionPlan& plan, ICommissionBench& bench)
        : m_plan(plan), m_bench(bench), m_nextAddress(plan.firstAddress) {}

    CommissionEnd Run() {
        for (unsigned unit = 1; unit <= m_plan.count; ++unit) {
            m_record = UnitRecord{};
            m_record.unit = unit;
            if (const StepCode code = Commission(); code != 0 || m_stopped) {
                return End(code);
            }
            m_inHand = false;
            // The unit holds its settings whether or not its record is kept.
            ++m_done;
            m_verified += m_record.verified ? 1 : 0;
            if (!m_bench.Record(m_record)) {
                return Counted(
                    {CommissionEnd::Failed, kRecordNotKept, unit, false, "its record could not be kept"});
            }
            ++m_nextAddress;
            if (unit < m_plan.count) {
                m_bench.Prompt(fmt::format("Unit {} done. Connect the next controller (it answers at {}).",
                                           unit, DescribeCandidate(m_plan.factory)));
            }
        }
        return Counted({CommissionEnd::Done, 0, m_plan.count, false, ""});
    }

private:
    StepCode Commission() {
        m_bench.Prompt(fmt::format("Unit {}: waiting for a controller at {}.", m_record.unit,
                                   DescribeCandidate(m_plan.factory)));
        if (const StepCode code = AwaitAnswer(m_plan.factory, &m_record.model); code != 0 || m_stopped) {
            return code;
        }
        m_inHand = true;
        m_record.time = IsoTimeNow();
        m_record.before = DescribeCandidate(m_plan.factory);
        if (const StepCode code = ChooseFreeAddress(); code != 0 || m_stopped) {
            return code;
        }
        const ScanCandidate after{m_plan.target, m_nextAddress};
        if (const StepCode code = m_bench.Write(m_plan.factory, after, m_record.firmware); code != 0) {
            m_stopped = m_bench.StopRequested();
            return code;
        }
        m_record.after = DescribeCandidate(after);
        m_bench.Prompt(
            fmt::format("Unit {}: settings saved; restart the controller now (power off and on): it "
                        "then answers at {}.",
                        m_record.unit, m_record.after));
        if (const StepCode code = AwaitAnswer(after, nullptr); code != 0 || m_stopped) {
            return code;
        }
        const StepCode code = m_bench.ReadBack(after, m_record.verified);
        if (code == 0 && !m_record.verified) {
            Note("after its restart it holds other settings");
        }
        return code;
    }

    // Asks until a controller answers at `at` or the operator stops.
    StepCode AwaitAnswer(const ScanCandidate& at, std::optional<std::uint16_t>* model) {
        for (;;) {
            if (m_bench.StopRequested()) {
                m_stopped = true;
                return 0;
            }
            bool answers = false;
            std::optional<std::uint16_t> said;
            if (const StepCode code = m_bench.Ask(at, answers, said); code != 0) {
                return code;
            }
            if (answers) {
                if (model != nullptr) {
                    *model = said;
                }
                return 0;
            }
            m_bench.Pause();
        }
    }

    // Skips the addresses a controller already answers at on the target settings.
    StepCode ChooseFreeAddress() {
        for (;; ++m_nextAddress) {
            if (m_nextAddress > kLastAddress || m_nextAddress < kFirstAddress) {
                Note(fmt::format("no free address left at or after {}", unsigned{m_plan.firstAddress}));
                return kNoFreeAddress;
            }
            if (m_bench.StopRequested()) {
                m_stopped = true;
                return 0;
            }
            const ScanCandidate at{m_plan.target, m_nextAddress};
            bool answers = false;
            std::optional<std::uint16_t> model;
            if (const StepCode code = m_bench.Ask(at, answers, model); code != 0 || !answers) {
                return code;
            }
            m_bench.Prompt(fmt::format("Unit {}: a controller already answers at {}; skipped.", m_record.unit,
                                       DescribeCandidate(at)));
            Note(fmt::format("address {} taken: skipped", unsigned{m_nextAddress}));
            ++m_skipped;
        }
    }

    CommissionEnd End(StepCode code) {
        const unsigned unit = m_record.unit;
        const bool inHand = m_inHand;
        if (inHand) {
            Note(m_stopped ? "stopped before it was done" : "not done");
            m_bench.Record(m_record);
        }
        const CommissionEnd::EKind kind = m_stopped ? CommissionEnd::Stopped : CommissionEnd::Failed;
        return Counted({kind, code, unit, inHand, m_record.note});
    }

    CommissionEnd Counted(CommissionEnd end) const {
        end.done = m_done;
        end.verified = m_verified;
        end.skipped = m_skipped;
        return end;
    }

    void Note(const std::string& note) { m_record.note += m_record.note.empty() ? note : "; " + note; }

    const CommissionPlan& m_plan;
    ICommissionBench& m_bench;
    std::uint8_t m_nextAddress;
    UnitRecord m_record;
    bool m_inHand = false;
    bool m_stopped = false;
    unsigned m_done = 0;
    unsigned m_verified = 0;
    unsigned m_skipped = 0;
};

}  // namespace

unsigned LastAddressNeeded(const CommissionPlan& plan) {
    return unsigned{plan.firstAddress} + plan.count - 1;
}

PlanFault CheckPlan(const CommissionPlan& plan) {
    const unsigned factory = plan.factory.address;
    if (plan.target == plan.factory.line && plan.firstAddress <= factory &&
        factory <= LastAddressNeeded(plan)) {
        return PlanFault::FactoryAddressInRange;
    }
    return LastAddressNeeded(plan) > kLastAddress ? PlanFault::PastLastAddress : PlanFault::None;
}

CommissionEnd RunCommissioning(const CommissionPlan& plan, ICommissionBench& bench) {
    return CRun(plan, bench).Run();
}

std::string CommissionSummary(const CommissionEnd& end, const std::string& logPath) {
    const auto count = [](unsigned n, const char* one, const char* many) {
        return fmt::format("{} {}", n, n == 1 ? one : many);
    };
    std::string text = "commissioning: " + count(end.done, "unit done", "units done");
    if (end.verified != end.done) {
        text +=
            fmt::format(" ({} not holding their new settings after the restart)", end.done - end.verified);
    }
    text += ", " + count(end.skipped, "address skipped (taken)", "addresses skipped (taken)");
    if (end.kind != CommissionEnd::Done && end.inHand) {
        text +=
            fmt::format(", unit {} {}", end.unit, end.kind == CommissionEnd::Stopped ? "stopped" : "failed");
    }
    return text + (logPath.empty() ? "; no log kept" : "; log: " + logPath);
}
