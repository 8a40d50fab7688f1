// Whether ardenox-config may try to open its window, from the platform asked for and the environment.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

struct DisplayCase {
    const char* platform;
    const char* display;
    const char* waylandDisplay;
    bool available;
};

class DisplayAvailableTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayAvailableTest, DecidesFromPlatformAndEnvironment) {
    const DisplayCase& c = GetParam();
    EXPECT_EQ(DisplayAvailable(QString::fromUtf8(c.platform), QString::fromUtf8(c.display),
                               QString::fromUtf8(c.waylandDisplay)),
              c.available)
        << "platform '" << c.platform << "' DISPLAY '" << c.display << "' WAYLAND_DISPLAY '"
        << c.waylandDisplay << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Platforms, DisplayAvailableTest,
    ::testing::Values(DisplayCase{"", "", "", false}, DisplayCase{"", ":0", "", true},
                      DisplayCase{"", "", "wayland-0", true}, DisplayCase{"xcb", "", "wayland-0", false},
                      DisplayCase{"wayland", ":0", "", false}, DisplayCase{"wayland;xcb", ":0", "", true},
                      DisplayCase{"offscreen", "", "", true}, DisplayCase{"vnc:size=800x600", "", "", true}));

}  // namespace
