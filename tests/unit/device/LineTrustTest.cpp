// The line trust's settling: evidence unsettles, a whole poll round without evidence settles again.
#include <gtest/gtest.h>

#include <vector>

#include "device/LineTrust.h"

namespace {

struct Read {
    int varId;
    bool answered;
    std::uint64_t before;
    std::uint64_t after;
    bool settledAfter;
};

TEST(LineTrust, SettlesOnlyAfterAWholeRoundWithoutEvidence) {
    constexpr std::size_t kRound = 3;
    const std::vector<Read> reads = {
        {0, true, 0, 0, true},    // a clean line stays settled
        {1, false, 0, 1, false},  // a failed exchange is evidence
        {2, true, 1, 1, false},  {0, true, 1, 1, false},
        {0, true, 1, 1, false},   // the same variable twice is no round
        {1, false, 1, 1, false},  // nor a read that got no reply
        {1, true, 1, 2, false},   // evidence during a read starts the round anew
        {2, true, 2, 2, false},  {0, true, 2, 2, false},
        {1, true, 2, 2, true},
    };
    CLineTrust trust;
    for (const Read& read : reads) {
        trust.Note(read.varId, read.answered, read.before, read.after, kRound);
        EXPECT_EQ(trust.Settled(read.after), read.settledAfter)
            << "var " << read.varId << " at " << read.after;
    }
    trust.Unsettle();
    EXPECT_FALSE(trust.Settled(2)) << "asked for confirmation";
}

}  // namespace
