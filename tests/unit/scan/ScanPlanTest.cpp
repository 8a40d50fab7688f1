// The order in which a scan tries its candidates, and the wait it gives a probe at each speed.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "modbus/LateReplyGuard.h"
#include "scan/ProbeBudget.h"
#include "scan/ScanPlan.h"

namespace {

constexpr LineSettings kFactoryLine{19200, 0};
constexpr std::size_t kAllCandidates = 4 * 4 * 247;

TEST(ScanPlan, TriesTheLikeliestFirstAndEveryCandidateOnce) {
    const ScanCandidate remembered{{9600, 3}, 200};
    struct Case {
        std::optional<ScanCandidate> remembered;
        std::size_t index;
        ScanCandidate expected;
    };
    const Case cases[] = {
        // Remembered, factory, address 16 at the remembered line, then the others fastest first.
        {remembered, 0, remembered},
        {remembered, 1, kFactorySettings},
        {remembered, 2, {{9600, 3}, 16}},
        {remembered, 3, {{57600, 0}, 16}},
        {remembered, 6, {{57600, 3}, 16}},
        {remembered, 7, {{38400, 0}, 16}},
        {remembered, 16, {{9600, 2}, 16}},
        // The address sweeps: the remembered line, then the factory one, then fastest first.
        {remembered, 17, {{9600, 3}, 1}},
        {remembered, 17 + 15, {{9600, 3}, 17}},    // 16 was tried before
        {remembered, 17 + 244, {{9600, 3}, 247}},  // and so was 200
        {remembered, 17 + 245, {{19200, 0}, 1}},
        {remembered, 17 + 245 + 246, {{57600, 0}, 1}},
        {std::nullopt, 0, kFactorySettings},
        {std::nullopt, 1, {{57600, 0}, 16}},
        {std::nullopt, 16, {kFactoryLine, 1}},
        {std::nullopt, 16 + 246, {{57600, 0}, 1}},
        {std::nullopt, kAllCandidates - 1, {{9600, 3}, 247}},
    };
    for (const Case& c : cases) {
        const std::vector<ScanCandidate> plan = PlanScan(c.remembered);
        ASSERT_EQ(plan.size(), kAllCandidates);
        EXPECT_EQ(plan.at(c.index), c.expected) << c.index << ": " << DescribeCandidate(plan.at(c.index))
                                                << ", expected " << DescribeCandidate(c.expected);
        std::set<std::tuple<std::uint32_t, std::size_t, unsigned>> distinct;
        for (const ScanCandidate& candidate : plan) {
            distinct.insert({candidate.line.baudRate, candidate.line.modeIndex, candidate.address});
        }
        EXPECT_EQ(distinct.size(), kAllCandidates);
    }
}

// Through a bridge the line setting is the gateway's: every address at it, the guess first, once each.
TEST(ScanPlan, AddressScanStaysOnOneLine) {
    const ScanCandidate guess{{38400, 2}, 200};
    const std::vector<ScanCandidate> plan = PlanAddressScan(guess);
    ASSERT_EQ(plan.size(), 247u);
    EXPECT_EQ(plan.front(), guess);
    EXPECT_EQ(plan.at(1), (ScanCandidate{guess.line, 1}));
    EXPECT_EQ(plan.back(), (ScanCandidate{guess.line, 247}));
    EXPECT_TRUE(
        std::all_of(plan.begin(), plan.end(), [&](const ScanCandidate& c) { return c.line == guess.line; }));
}

// A transparent bridge cannot be set to another line setting: Find and scan search its addresses only.
TEST(ScanPlan, EachKindOfPortGetsItsOwnPlan) {
    const ScanCandidate guess{{9600, 3}, 200};
    struct Case {
        const char* port;
        std::optional<ScanCandidate> guess;
        std::size_t size;
        LineSettings everyLine;  // when the plan keeps to one line
    };
    const Case cases[] = {
        {"tcp://gateway:4001", guess, 247, guess.line},
        {"tcp://gateway:4001", std::nullopt, 247, kFactoryLine},
        {"rfc2217://gateway:4001", guess, kAllCandidates, {}},
        {"/dev/ttyUSB0", guess, kAllCandidates, {}},
    };
    for (const Case& c : cases) {
        const std::vector<ScanCandidate> plan = PlanScanOn(c.port, c.guess);
        EXPECT_EQ(plan.size(), c.size) << c.port;
        EXPECT_EQ(plan.front(), c.guess.value_or(kFactorySettings)) << c.port;
        if (c.size == 247) {
            EXPECT_TRUE(std::all_of(plan.begin(), plan.end(), [&](const ScanCandidate& at) {
                return at.line == c.everyLine;
            })) << c.port;
        }
    }
}

TEST(ScanPlan, KnownAddressesAreLeftOutEverywhere) {
    const std::vector<ScanCandidate> plan = LeaveOut(PlanScan(std::nullopt), {16, 1});
    EXPECT_EQ(plan.size(), kAllCandidates - 2 * 16);
    EXPECT_TRUE(std::none_of(plan.begin(), plan.end(), [](const ScanCandidate& candidate) {
        return candidate.address == 16 || candidate.address == 1;
    }));
    EXPECT_EQ(plan.front(), (ScanCandidate{kFactoryLine, 2})) << "the rest keep their order";
}

TEST(ProbeBudget, FitsTheWaitToTheSpeedAndTheGuardFollowsIt) {
    struct Case {
        std::uint32_t baudRate;
        std::uint32_t budgetMs;  // frames, end-of-frame silence and 10 ms answer time, rounded up, + 1
        std::uint64_t floorUs;   // 15 characters of 11 bits
    };
    const Case cases[] = {
        {9600, 33, 17188},
        {19200, 22, 8594},
        {38400, 18, 4297},
        {57600, 16, 2865},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProbeBudgetMs(c.baudRate), c.budgetMs) << c.baudRate;
        EXPECT_EQ(ProbeFloorUs(c.baudRate), c.floorUs) << c.baudRate;
        const platform::ReadTimeouts limits = ProbeTimeouts(c.baudRate);
        EXPECT_EQ(ReadAllowanceMs(limits, kProbeReplyBytes), c.budgetMs) << c.baudRate;
        EXPECT_EQ(GuardQuietMs(limits, kProbeReplyBytes), c.budgetMs) << "a silent probe costs two budgets";
        EXPECT_GT(std::uint64_t{ProbeBudgetMs(c.baudRate, 0)} * 1000, c.floorUs) << "room for the frames";
    }
}

}  // namespace
