// Another program that holds the line open is found, by the device's path or a link to it; this
// program's own hold is not named.
#include "port/PortHolders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/integration/port/LineHolder.h"
#include "tests/integration/port/PtyPeer.h"

namespace {

TEST(PortHolders, AnotherProgramOnTheLineIsNamedByPathOrLink) {
    PtyPeer line;  // this program holds the line itself
    EXPECT_TRUE(OtherHoldersOf(line.Path()).empty());

    const auto link = std::filesystem::temp_directory_path() / ("holder-link-" + std::to_string(getpid()));
    std::filesystem::create_symlink(line.Path(), link);
    LineHolder holder(line.Path());
    for (const std::string& path : {line.Path(), link.string()}) {
        SCOPED_TRACE(path);
        const auto holders = OtherHoldersOf(path);
        ASSERT_EQ(holders.size(), 1u);
        EXPECT_EQ(holders[0].pid, holder.Pid());
        EXPECT_EQ(DescribeHolders(holders),
                  "also open in process " + std::to_string(holder.Pid()) + " (sleep)");
    }
    std::filesystem::remove(link);
}

TEST(PortHolders, NothingIsNamedForWhatIsNoDevice) {
    EXPECT_TRUE(OtherHoldersOf("/nonexistent/ttyUSB9").empty());
    EXPECT_TRUE(OtherHoldersOf("tcp://127.0.0.1:4001").empty());
    EXPECT_EQ(DescribeHolders({{12, "minicom"}, {34, ""}}), "also open in process 12 (minicom), process 34");
}

}  // namespace
