// The line itself: going away under the tool, and the optional stable link to it.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "sim/ControllerSim.h"
#include "tests/integration/sim/RawLine.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(Line, ClosingTheLineHangsUpTheToolAndRemovesTheNode) {
    sim::ControllerSim controller;
    const std::string path = controller.DevicePath();
    simtest::RawLine line(path);

    controller.CloseLine();
    pollfd tool{line.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&tool, 1, 2000), 1);
    EXPECT_TRUE(tool.revents & (POLLHUP | POLLERR));
    std::uint8_t byte = 0;
    EXPECT_LE(::read(line.Fd(), &byte, 1), 0);
    EXPECT_EQ(::write(line.Fd(), &byte, 1), -1);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(controller.RequestCount(3), 0u);
}

TEST(Line, LinkPointsAtTheTerminalReplacesAStaleLinkAndGoesAway) {
    const fs::path link = fs::temp_directory_path() / ("ardenox-sim-link-" + std::to_string(::getpid()));
    fs::create_symlink("/nonexistent/stale", link);
    {
        sim::Config config;
        config.linkPath = link.string();
        sim::ControllerSim controller(config);
        EXPECT_EQ(controller.DevicePath(), link.string());
        EXPECT_EQ(fs::read_symlink(link), controller.TerminalPath());
        simtest::RawLine line(controller.DevicePath());
        line.SendWithCrc({16, 4, 0, 0, 0, 1});
        EXPECT_EQ(line.Reply(7, 1000ms).size(), 7u);
    }
    EXPECT_FALSE(fs::is_symlink(link));
}

TEST(Line, RefusesToReplaceAFileThatIsNoLink) {
    const fs::path file = fs::temp_directory_path() / ("ardenox-sim-file-" + std::to_string(::getpid()));
    std::ofstream(file) << "keep me";
    sim::Config config;
    config.linkPath = file.string();
    EXPECT_THROW(sim::ControllerSim{config}, std::system_error);
    EXPECT_EQ(fs::file_size(file), 7u);
    fs::remove(file);
}

}  // namespace
