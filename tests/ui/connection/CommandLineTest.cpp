// Whether ardenox-config may try to open its window, from the platform asked for and the environment.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

TEST(CommandLine, DisplayAvailableDecidesFromPlatformAndEnvironment) {
    const struct {
        const char* platform;
        const char* display;
        const char* waylandDisplay;
        bool available;
    } rows[] = {
        {"", "", "", false},          {"", ":0", "", true},
        {"", "", "wayland-0", true},  {"xcb", "", "wayland-0", false},
        {"wayland", ":0", "", false}, {"wayland;xcb", ":0", "", true},
        {"offscreen", "", "", true},  {"vnc:size=800x600", "", "", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "platform '" << row.platform << "' DISPLAY '" << row.display
                                        << "' WAYLAND_DISPLAY '" << row.waylandDisplay << "'");
        EXPECT_EQ(DisplayAvailable(QString::fromUtf8(row.platform), QString::fromUtf8(row.display),
                                   QString::fromUtf8(row.waylandDisplay)),
                  row.available);
    }
}

}  // namespace
