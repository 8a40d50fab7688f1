// The commissioning run on a scripted bench: what no real line can stage on demand (every address
// taken, a log that stops taking rows, Stop at a given ask) and what the run does then.
#include "commission/Commissioning.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr LineSettings kTarget{38400, 0};

class ScriptedBench : public ICommissionBench {
public:
    std::set<unsigned> taken;  // addresses a controller answers at on the target settings
    std::size_t stopAfterAsks = SIZE_MAX;
    bool logKeepsRows = true;

    std::vector<std::string> calls;
    std::vector<UnitRecord> records;

    StepCode Ask(const ScanCandidate& at, bool& answers, std::optional<std::uint16_t>& model) override {
        ++m_asks;
        const bool factory = at == kFactorySettings;
        calls.push_back((factory ? "ask factory" : "ask ") + (factory ? "" : std::to_string(at.address)));
        answers = factory || (at.line == kTarget && (taken.contains(at.address) || m_written == at));
        model = answers ? std::optional<std::uint16_t>(3102) : std::nullopt;
        return 0;
    }
    StepCode Write(const ScanCandidate&, const ScanCandidate& to,
                   std::optional<std::uint16_t>& firmware) override {
        calls.push_back("write " + std::to_string(to.address));
        firmware = 205;
        m_written = to;
        return 0;
    }
    StepCode ReadBack(const ScanCandidate&, bool& holds) override {
        holds = true;
        return 0;
    }
    bool StopRequested() override { return m_asks >= stopAfterAsks; }
    void Pause() override {}
    void Prompt(const std::string&) override {}
    bool Record(const UnitRecord& record) override {
        records.push_back(record);
        return logKeepsRows;
    }

private:
    std::size_t m_asks = 0;
    ScanCandidate m_written{{0, 0}, 0};
};

TEST(Commissioning, RunEndsWhereItMustAndRecordsTheUnitInHand) {
    struct Case {
        const char* name;
        std::uint8_t firstAddress;
        unsigned count;
        std::set<unsigned> taken;
        std::size_t stopAfterAsks;
        bool logKeepsRows;
        CommissionEnd::EKind kind;
        StepCode code;
        std::vector<std::string> calls;
        std::vector<std::string> notes;  // one per record
        const char* summary;
    };
    const Case cases[] = {
        {"no free address",
         246,
         1,
         {246, 247},
         SIZE_MAX,
         true,
         CommissionEnd::Failed,
         kNoFreeAddress,
         {"ask factory", "ask 246", "ask 247"},
         {"address 246 taken: skipped; address 247 taken: skipped; no free address left at or after 246; "
          "not done"},
         "commissioning: 0 units done, 2 addresses skipped (taken), unit 1 failed; log: site.csv"},
        {"log write fails",
         20,
         2,
         {},
         SIZE_MAX,
         false,
         CommissionEnd::Failed,
         kRecordNotKept,
         {"ask factory", "ask 20", "write 20", "ask 20"},
         {""},
         "commissioning: 1 unit done, 0 addresses skipped (taken); log: site.csv"},
        {"stop during an address skip",
         20,
         1,
         {20, 21},
         3,
         true,
         CommissionEnd::Stopped,
         0,
         {"ask factory", "ask 20", "ask 21"},
         {"address 20 taken: skipped; address 21 taken: skipped; stopped before it was done"},
         "commissioning: 0 units done, 2 addresses skipped (taken), unit 1 stopped; log: site.csv"},
    };
    for (const Case& c : cases) {
        ScriptedBench bench;
        bench.taken = c.taken;
        bench.stopAfterAsks = c.stopAfterAsks;
        bench.logKeepsRows = c.logKeepsRows;
        const CommissionEnd end =
            RunCommissioning({kFactorySettings, kTarget, c.firstAddress, c.count}, bench);
        EXPECT_EQ(end.kind, c.kind) << c.name;
        EXPECT_EQ(end.code, c.code) << c.name;
        EXPECT_EQ(end.unit, 1u) << c.name;
        // Nothing is written past the end, and no next unit is asked for.
        EXPECT_EQ(bench.calls, c.calls) << c.name;
        std::vector<std::string> notes;
        for (const UnitRecord& record : bench.records) {
            notes.push_back(record.note);
        }
        EXPECT_EQ(notes, c.notes) << c.name;
        EXPECT_EQ(CommissionSummary(end, "site.csv"), c.summary);
    }
}

TEST(Commissioning, PlanFaultsAreFoundBeforeAnyUnit) {
    struct Case {
        LineSettings target;
        std::uint8_t firstAddress;
        unsigned count;
        PlanFault fault;
    };
    const Case cases[] = {
        {kFactorySettings.line, 10, 7, PlanFault::FactoryAddressInRange},  // 10..16
        {kFactorySettings.line, 10, 6, PlanFault::None},                   // 10..15
        {kTarget, 10, 7, PlanFault::None},                                 // other settings: 16 is free there
        {kTarget, 240, 8, PlanFault::None},                                // 240..247
        {kTarget, 240, 9, PlanFault::PastLastAddress},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckPlan({kFactorySettings, c.target, c.firstAddress, c.count}), c.fault)
            << unsigned{c.firstAddress} << "+" << c.count;
    }
}

}  // namespace
