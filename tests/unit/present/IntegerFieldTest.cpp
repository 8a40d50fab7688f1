// The integer field check: the format, the range, and the value converted in every case.
#include "present/IntegerField.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kFormat = "Invalid format";
constexpr const char* kValue = "Invalid value";

TEST(IntegerField, AcceptsExactlyWellFormedIntegersInRange) {
    const struct {
        const char* text;
        bool accepted;
        std::int32_t value;  // converted as wcstol would, in every case
        const char* title;   // the refusal's title
    } rows[] = {
        {"16", true, 16, nullptr},
        {"0016", true, 16, nullptr},
        {"1", true, 1, nullptr},
        {"247", true, 247, nullptr},
        {"", false, 0, kFormat},
        {"0", false, 0, kValue},
        {"248", false, 248, kValue},
        {"-1", false, -1, kValue},
        {"-0", false, 0, kValue},
        {" 16", false, 16, kFormat},
        {"16 ", false, 16, kFormat},
        {"\t16", false, 16, kFormat},
        {"+16", false, 16, kFormat},
        {"1.5", false, 1, kFormat},
        {"1,5", false, 1, kFormat},
        {"0x10", false, 0, kFormat},
        {"1e2", false, 1, kFormat},
        {"-", false, 0, kFormat},
        {"abc", false, 0, kFormat},
        {"--1", false, 0, kFormat},
        {"99999999999", false, 2147483647, kValue},
        {"-99999999999", false, -2147483647 - 1, kValue},
        {"2147483648", false, 2147483647, kValue},
        {"-2147483648", false, -2147483647 - 1, kValue},
        {"000000000000000000000000000016", true, 16, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "text \"" << row.text << "\"");
        const IntegerCheck check = CheckInteger(row.text, 1, 247);
        EXPECT_EQ(check.value, row.value);
        ASSERT_EQ(!check.refusal, row.accepted);
        if (check.refusal) {
            EXPECT_EQ(check.refusal->title, row.title);
            EXPECT_EQ(check.refusal->message, "Enter an integer value between 1 and 247.");
        }
    }
}

TEST(IntegerField, RefusalNamesTheFieldsOwnRange) {
    const struct {
        std::int32_t min, max;
        const char* text;
        const char* message;  // null: taken
    } rows[] = {
        {-5, 5, "6", "Enter an integer value between -5 and 5."},
        {100, 200, "99", "Enter an integer value between 100 and 200."},
        {-5, 5, "-5", nullptr},
    };
    for (const auto& row : rows) {
        const IntegerCheck check = CheckInteger(row.text, row.min, row.max);
        ASSERT_EQ(check.refusal.has_value(), row.message != nullptr) << row.text;
        if (check.refusal) {
            EXPECT_EQ(check.refusal->title, kValue);
            EXPECT_EQ(check.refusal->message, row.message);
        }
    }
}

}  // namespace
