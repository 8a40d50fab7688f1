#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "platform/DebugOutput.h"

namespace {

// Redirects standard error into a temporary file while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() : m_file(std::tmpfile()), m_saved(dup(STDERR_FILENO)) {
        std::fflush(stderr);
        dup2(fileno(m_file), STDERR_FILENO);
    }
    ~StandardErrorCapture() {
        Restore();
        std::fclose(m_file);
    }

    std::string Text() {
        Restore();
        std::rewind(m_file);
        std::string text;
        for (int c = std::fgetc(m_file); c != EOF; c = std::fgetc(m_file)) {
            text.push_back(static_cast<char>(c));
        }
        return text;
    }

private:
    void Restore() {
        if (m_saved >= 0) {
            std::fflush(stderr);
            dup2(m_saved, STDERR_FILENO);
            close(m_saved);
            m_saved = -1;
        }
    }

    std::FILE* m_file;
    int m_saved;
};

TEST(Sinks, DefaultsWriteToStandardError) {
    const struct {
        const char* name;
        std::function<void(std::string_view)> write;
        std::string text;
        std::string expected;
    } cases[] = {
        {"debug output as it stands", platform::OutputDebugText, "abc", "abc"},
        {"message box ends its line", platform::ShowMessageBox, "abc", "abc\n"},
        {"message box line already ended", platform::ShowMessageBox, "abc\n", "abc\n"},
        {"empty message box", platform::ShowMessageBox, "", "\n"},
    };
    for (const auto& c : cases) {
        StandardErrorCapture capture;
        c.write(c.text);
        EXPECT_EQ(capture.Text(), c.expected) << c.name;
    }
}

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
