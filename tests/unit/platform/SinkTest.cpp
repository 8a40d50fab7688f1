#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/DebugOutput.h"

namespace {

TEST(Sinks, InstalledSinkReceivesTextsAndReplacingReturnsIt) {
    const struct {
        const char* name;
        std::function<platform::TextSink(platform::TextSink)> install;
        std::function<void(std::string_view)> write;
    } cases[] = {
        {"debug output", platform::SetDebugOutputSink, platform::OutputDebugText},
        {"message box", platform::SetMessageBoxSink, platform::ShowMessageBox},
    };
    for (const auto& c : cases) {
        std::string received;
        EXPECT_FALSE(c.install([&received](std::string_view text) { received += text; })) << c.name;
        c.write("one");
        const platform::TextSink previous = c.install({});
        ASSERT_TRUE(previous) << c.name;
        previous("two");
        EXPECT_EQ(received, "onetwo") << c.name;
    }
}

TEST(Sinks, ReplacingWhileAnotherThreadWritesIsSafe) {
    std::atomic<int> received = 0;
    std::atomic<bool> done = false;
    const auto count = [&received](std::string_view) { ++received; };
    platform::SetDebugOutputSink(count);
    std::thread writer([&done] {
        while (!done) {
            platform::OutputDebugText("x");
        }
    });
    while (received < 1000) {
        platform::SetDebugOutputSink(count);
    }
    done = true;
    writer.join();
    platform::SetDebugOutputSink({});
}

}  // namespace
