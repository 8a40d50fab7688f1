// The commissioning log: fields a spreadsheet reads back unchanged, a header only in a new file, and
// earlier rows kept.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "commission/UnitLog.h"

namespace {

TEST(UnitLog, RowsQuoteWhatCsvNeedsQuoted) {
    struct Case {
        UnitRecord record;
        const char* row;
    };
    const Case cases[] = {
        {{"t", 1, 3102, 205, "plain", "", false, ""}, "t,1,3102,2.5,plain,,no,"},
        {{"t", 2, std::nullopt, std::nullopt, "a, b", "c", true, "said \"taken\""},
         "t,2,,,\"a, b\",c,yes,\"said \"\"taken\"\"\""},
        {{"t", 3, 1, 1002, "x", "y", true, "two\nlines"}, "t,3,1,10.2,x,y,yes,\"two\nlines\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnitCsvRow(c.record), c.row);
    }
}

TEST(UnitLog, AppendsAndWritesTheHeaderOnlyIntoANewFile) {
    const std::string path = testing::TempDir() + "unit-log-" + std::to_string(::getpid()) + ".csv";
    std::remove(path.c_str());
    const UnitRecord first{"t1", 1, 3102, 205, "b", "a", true, ""};
    const UnitRecord second{"t2", 2, 3102, 206, "b", "a", false, "n"};
    for (const UnitRecord* record : {&first, &second}) {  // one run each
        CUnitLog log;
        ASSERT_TRUE(log.Open(path)) << log.Failure();
        ASSERT_TRUE(log.Append(*record)) << log.Failure();
    }
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    EXPECT_EQ(text.str(),
              std::string(kUnitLogHeader) + "\n" + UnitCsvRow(first) + "\n" + UnitCsvRow(second) + "\n");
    std::remove(path.c_str());
    CUnitLog missing;  // /dev/full and a directory: in the commission command and dialog tests
    EXPECT_FALSE(missing.Open(testing::TempDir() + "no-such-dir/log.csv"));
}

}  // namespace
