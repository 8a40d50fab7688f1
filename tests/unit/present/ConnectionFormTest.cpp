// The connection dialog's settings: what it shows for given values, what OK takes or refuses, and the
// guess Find tries first.
#include "present/ConnectionForm.h"

#include <gtest/gtest.h>

#include <variant>

namespace {

TEST(ConnectionForm, ShowsTheGivenSettingsAndTheFactoryOnesForWhatItCannotShow) {
    const struct {
        std::uint32_t baud;
        std::uint8_t parity, stopBits, address;
        LineChoice shown;
    } rows[] = {
        {57600, 0, 2, 5, {3, 2, "5"}},     {9600, 1, 0, 247, {0, 1, "247"}},
        {38400, 0, 0, 248, {2, 3, "16"}},  {19200, 2, 0, 0, {1, 0, "16"}},
        {12345, 2, 2, 200, {1, 0, "200"}}, {0xFFFFFFFF, 255, 255, 255, {1, 0, "16"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PreselectLine(row.baud, row.parity, row.stopBits, row.address), row.shown) << row.baud;
    }
    EXPECT_EQ(FactoryLineChoice(), (LineChoice{1, 0, "16"}));
    EXPECT_EQ(LineChoiceOf({{57600, 3}, 5}), (LineChoice{3, 3, "5"}));
}

TEST(ConnectionForm, OkTakesAWellFormedAddressInRangeOnly) {
    const struct {
        const char* address;
        const char* refusal;  // the title, or null when taken
    } rows[] = {
        {"1", nullptr},
        {"247", nullptr},
        {"0016", nullptr},
        {"0", "Invalid value"},
        {"248", "Invalid value"},
        {"-0", "Invalid value"},
        {"99999999999", "Invalid value"},
        {"", "Invalid format"},
        {" 16", "Invalid format"},
        {"+16", "Invalid format"},
        {"0x10", "Invalid format"},
        {"1.5", "Invalid format"},
        {"-", "Invalid format"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.address);
        const auto taken = TakeLine({2, 1, row.address});
        if (row.refusal == nullptr) {
            ASSERT_TRUE(std::holds_alternative<ChosenLine>(taken));
            const ChosenLine& line = std::get<ChosenLine>(taken);
            EXPECT_EQ(line.baudRate, 38400u);
            EXPECT_EQ(line.parity, 1);
            EXPECT_EQ(line.stopBits, 0);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<FieldRefusal>(taken));
        EXPECT_EQ(std::get<FieldRefusal>(taken).title, row.refusal);
        EXPECT_EQ(std::get<FieldRefusal>(taken).message, "Enter an integer value between 1 and 247.");
        EXPECT_FALSE(FindGuess({2, 1, row.address})) << "a refused address is no guess";
    }
    EXPECT_EQ(FindGuess({2, 1, "5"}), (ScanCandidate{{38400, 1}, 5}));
}

TEST(ConnectionForm, ReplyTimeIsEmptyForTheUsualLimitOrAWholeNumberOfMilliseconds) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> taken;
        const char* refusal;
    } rows[] = {
        {"", std::nullopt, nullptr},    {"10", 10u, nullptr},           {"10000", 10000u, nullptr},
        {"9", {}, "Invalid value"},     {"10001", {}, "Invalid value"}, {"0", {}, "Invalid value"},
        {"50ms", {}, "Invalid format"}, {" 50", {}, "Invalid format"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const auto taken = TakeReplyTime(row.text);
        if (row.refusal == nullptr) {
            ASSERT_TRUE(std::holds_alternative<ReplyTime>(taken));
            EXPECT_EQ(std::get<ReplyTime>(taken), row.taken);
            EXPECT_EQ(ReplyTimeText(row.taken), row.text) << "shown again as typed";
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<FieldRefusal>(taken));
        EXPECT_EQ(std::get<FieldRefusal>(taken).title, row.refusal);
        EXPECT_EQ(std::get<FieldRefusal>(taken).message, "Enter an integer value between 10 and 10000.");
    }
    EXPECT_EQ(ReplyTimeText(20000u), "") << "a value the field would refuse is not shown";
}

}  // namespace
