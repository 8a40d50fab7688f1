// The Commission dialog's remembered fields, its log path note and the table's settings phrases.
#include "present/CommissionForm.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "present/CommissionRun.h"
#include "tests/unit/present/MemoryStore.h"

namespace {

const CommissionFields kShown{1, 1, 19200, 0, ""};

TEST(CommissionForm, TheFieldsOfTheLastRunComeBackAndWhatTheDialogCannotShowKeepsItsOwn) {
    MemoryStore store;
    EXPECT_EQ(RememberedCommission(store, kShown), kShown) << "nothing remembered yet";
    const CommissionFields started{20, 10, 38400, 2, "bench.csv"};
    RememberCommission(store, started);
    EXPECT_EQ(RememberedCommission(store, kShown), started);

    const struct {
        const char* key;
        const char* stored;
    } unshowable[] = {{"FirstAddress", "0"}, {"FirstAddress", "248"}, {"Count", "0"}, {"BaudRate", "4800"},
                      {"Mode", "4"},         {"Mode", "-1"},          {"LogPath", ""}};
    for (const auto& row : unshowable) {
        MemoryStore edited;
        edited.values[row.key] = row.stored;
        EXPECT_EQ(RememberedCommission(edited, kShown), kShown) << row.key << "=" << row.stored;
    }
}

TEST(CommissionForm, ARelativeLogPathIsShownWhereItWillBe) {
    struct {
        const char* typed;
        const char* workingFolder;
        const char* shown;
    } const paths[] = {
#ifdef _WIN32
        {"bench.csv", "C:\\op", "Log: C:\\op\\bench.csv"},
        {"..\\logs\\.\\bench.csv", "C:\\op\\site", "Log: C:\\op\\logs\\bench.csv"},
        {"D:\\log\\bench.csv", "C:\\op", ""},
#else
        {"bench.csv", "/home/op", "Log: /home/op/bench.csv"},
        {"../logs/./bench.csv", "/home/op/site", "Log: /home/op/logs/bench.csv"},
        {"/var/log/bench.csv", "/home/op", ""},
#endif
        {"", "op", ""},
    };
    for (const auto& row : paths) {
        EXPECT_EQ(LogPathNote(row.typed, row.workingFolder), row.shown) << row.typed;
    }
}

TEST(CommissionForm, TheTableShowsTheWholeSettingsAddressFirst) {
    UnitRecord record;
    record.before = "19200 baud, Even, 1 stop bit, address 16";
    record.after = "38400 baud, None, 2 stop bits, address 20";
    const auto cells = UnitRowCells(record);
    EXPECT_EQ(cells[3], "address 16, 19200 baud, Even, 1 stop bit");
    EXPECT_EQ(cells[4], "address 20, 38400 baud, None, 2 stop bits");
    EXPECT_EQ(AddressFirst(""), "") << "a unit that got no settings";
}

}  // namespace
