// Another program that holds the line open is found, by the device's path or a link to it; this
// program's own hold is not named.
#include "port/PortHolders.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/integration/port/PtyPeer.h"

namespace {

// `sleep` with the line as its standard input: a program that shares the port without locking it.
class Holder {
public:
    explicit Holder(const std::string& path) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, path.c_str(), O_RDONLY | O_NOCTTY, 0);
        char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
        EXPECT_EQ(posix_spawnp(&m_pid, "sleep", &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Holder() {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

// The child opens the line after the spawn returns: wait until the system shows it.
std::vector<PortHolder> HoldersSoon(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto holders = OtherHoldersOf(path);
    while (holders.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        holders = OtherHoldersOf(path);
    }
    return holders;
}

TEST(PortHolders, AnotherProgramOnTheLineIsNamedByPathOrLink) {
    PtyPeer line;  // this program holds the line itself
    EXPECT_TRUE(OtherHoldersOf(line.Path()).empty());

    const auto link = std::filesystem::temp_directory_path() / ("holder-link-" + std::to_string(getpid()));
    std::filesystem::create_symlink(line.Path(), link);
    Holder holder(line.Path());
    for (const std::string& path : {line.Path(), link.string()}) {
        SCOPED_TRACE(path);
        const auto holders = HoldersSoon(path);
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
