#include "log/LogService.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/SystemText.h"
#include "platform/Thread.h"
#include "res/Strings.h"
#include "tests/unit/log/CapturedOutput.h"

namespace {

using Strings = std::vector<std::string>;

std::string OwnPrefix() {
    return fmt::format("{}: ", platform::GetCurrentThreadId());
}

// An error report: the message, the system's text of the code and the code. The C library's texts are
// fixed; Windows' wording differs between versions and wine, so there it is the platform's own.
std::string ErrorReport(std::string_view message, std::uint32_t code,
                        [[maybe_unused]] const char* linuxText) {
#ifdef _WIN32
    std::string text = platform::SystemErrorText(code);
    text.erase(text.find_last_not_of(" \r\n") + 1);
#else
    const std::string text = linuxText;
#endif
    return fmt::format("{}\n{} (0x{:x})\n", message, text, code);
}

class LogServiceTest : public testing::Test {
protected:
    void SetUp() override {
        CLogService::Instance();  // the start line of the first use is not what these tests look at
        m_output.Clear();
    }

    CapturedOutput m_output;
};

TEST_F(LogServiceTest, EachMessageIsPrefixAndTextAsTwoWrites) {
    CLogService& log = CLogService::Instance();
    const std::string long300(300, 'x');
    const struct {
        const char* name;
        std::function<void()> call;
        std::string text;
        bool shown;
    } cases[] = {
        {"arguments", [&] { log.Log("value %u of %s\n", false, 7u, std::string("port")); },
         "value 7 of port\n", false},
        {"signed and hexadecimal", [&] { log.Log("%i %x", true, -5, 0xBEEFu); }, "-5 beef", true},
        {"string table", [&] { log.Report(res::IDS_OPEN_FAILED, true, "/dev/ttyUSB0"); },
         "Unable to open communication port \"/dev/ttyUSB0\".", true},
        {"no such string", [&] { log.Report(9999, true); }, "", true},
        {"300 characters", [&] { log.Log("%s", true, long300); }, long300, true},
        {"long format", [&] { log.Log(long300 + "%%", false); }, long300 + "%", false},
        {"percent in argument", [&] { log.Log("%s", false, "50% done"); }, "50% done", false},
        {"missing argument", [&] { log.Log("%s and %s", true, "one"); }, "%s and %s", true},
        {"lone percent", [&] { log.Log("100%", false); }, "100%", false},
    };
    for (const auto& c : cases) {
        m_output.Clear();
        c.call();
        EXPECT_EQ(m_output.Writes(), (Strings{OwnPrefix(), c.text})) << c.name;
        EXPECT_EQ(m_output.Boxes(), c.shown ? Strings{c.text} : Strings{}) << c.name;
    }
}

TEST_F(LogServiceTest, ErrorReportAppendsSystemTextAndCode) {
    CLogService& log = CLogService::Instance();
    const struct {
        const char* name;
        std::function<void()> call;
        std::string text;
        std::string shown;  // outside Windows, without the code
    } cases[] = {
        {"percent in argument survives", [&] { log.ReportError(res::IDS_OPEN_FAILED, 5, "/dev/tty%s%%"); },
         ErrorReport("Unable to open communication port \"/dev/tty%s%%\".", 5, "Input/output error"),
         "Unable to open communication port \"/dev/tty%s%%\".\nInput/output error\n"},
        // The system has no text of its own for this code (the C library would invent one).
        {"no system text", [&] { log.ReportError(res::IDS_DEVICE_ERROR, 100000); },
         "Communication device error. Check communication adapter and try again.\n (0x186a0)\n",
         "Communication device error. Check communication adapter and try again.\n"},
        {"no such string", [&] { log.ReportError(9999, 2); }, ErrorReport("", 2, "No such file or directory"),
         "\nNo such file or directory\n"},
    };
    for (const auto& c : cases) {
        m_output.Clear();
        c.call();
        EXPECT_EQ(m_output.Writes(), (Strings{OwnPrefix(), c.text})) << c.name;
#ifdef _WIN32
        EXPECT_EQ(m_output.Boxes(), Strings{c.text}) << c.name;
#else
        EXPECT_EQ(m_output.Boxes(), Strings{c.shown}) << c.name;
#endif
    }
}

TEST_F(LogServiceTest, ThreadsLoggingTogetherNeverSplitAMessage) {
    constexpr int kThreads = 4;
    constexpr int kMessages = 200;
    // A start gate on a future, not std::latch: a latch (atomic wait in MinGW's runtime) hung once under
    // wine, a future waits on a plain mutex and condition variable.
    std::promise<void> go;
    const std::shared_future<void> start = go.get_future().share();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([start] {
            start.wait();
            for (int i = 0; i < kMessages; ++i) {
                CLogService::Instance().Log("from %u\n", false, platform::GetCurrentThreadId());
            }
        });
    }
    go.set_value();
    for (auto& thread : threads) {
        thread.join();
    }

    const Strings writes = m_output.Writes();
    ASSERT_EQ(writes.size(), 2u * kThreads * kMessages);
    for (std::size_t i = 0; i < writes.size(); i += 2) {
        const std::string id = writes[i].substr(0, writes[i].size() - 2);
        ASSERT_EQ(writes[i], id + ": ") << "write " << i;
        ASSERT_EQ(writes[i + 1], "from " + id + "\n") << "write " << i + 1;
    }
}

TEST_F(LogServiceTest, OpenMessageBoxDoesNotHoldUpOtherThreads) {
    // The other thread's future lives out here: were the lock still held, the box must still be able to
    // return so that the test fails instead of hanging.
    std::future<void> meanwhile;
    std::future_status otherThread = std::future_status::deferred;
    const platform::TextSink capturing = platform::SetMessageBoxSink([&](std::string_view) {
        meanwhile = std::async(std::launch::async, [] { CLogService::Instance().Log("meanwhile\n", false); });
        otherThread = meanwhile.wait_for(std::chrono::seconds(10));
    });
    CLogService::Instance().Log("box\n", true);
    platform::SetMessageBoxSink(capturing);
    meanwhile.get();

    EXPECT_EQ(otherThread, std::future_status::ready);
}

std::string RunProbe(const std::string& arguments) {
    const std::string command = std::string(LOG_EXIT_PROBE) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return {};
    }
    std::string output;
    char chunk[512];
    while (const std::size_t read = std::fread(chunk, 1, sizeof chunk, pipe)) {
        output.append(chunk, read);
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return output;
}

TEST(LogServiceLifetime, RunThatNeverLogsWritesNothing) {
    EXPECT_EQ(RunProbe(""), "");
}

TEST(LogServiceLifetime, StartAndStopLinesFrameARunThatLogs) {
    const std::regex expected(
        "(\\d+): Log service started at [^\\n]+\\n"
        "\\1: probe message\\n"
        "\\1: Log service stopped at [^\\n]+\\n\\n\\n");
    const std::string output = RunProbe("log");
    EXPECT_TRUE(std::regex_match(output, expected)) << output;
}

}  // namespace
