#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AppErrors.h"
#include "platform/DebugOutput.h"
#include "platform/LastError.h"
#include "platform/SerialHandle.h"
#include "platform/SystemText.h"
#include "port/ComDevice.h"
#include "port/PortHint.h"
#include "tests/integration/port/PtyPeer.h"

namespace {

constexpr std::uint8_t kEven = 2;
constexpr std::uint8_t kOneStop = 0;

// Captures what the operator is shown and what reaches the debug output.
class ComDeviceOpen : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousBox = platform::SetMessageBoxSink([this](std::string_view text) {
            std::lock_guard guard(m_lock);
            m_boxes.emplace_back(text);
        });
        m_previousDebug = platform::SetDebugOutputSink([this](std::string_view text) {
            std::lock_guard guard(m_lock);
            m_debug += text;
        });
    }
    void TearDown() override {
        platform::SetMessageBoxSink(m_previousBox);
        platform::SetDebugOutputSink(m_previousDebug);
    }

    std::vector<std::string> Boxes() {
        std::lock_guard guard(m_lock);
        return m_boxes;
    }
    std::string Debug() {
        std::lock_guard guard(m_lock);
        return m_debug;
    }

    // As the diagnostics give it (`shown`: as a message box shows it, with the code only on Windows).
    static std::string OpenFailure(const std::string& path, std::uint32_t code, bool shown = false) {
        std::string systemText = platform::SystemErrorText(code);
        systemText.erase(systemText.find_last_not_of(" \t\r\n") + 1);
#ifdef _WIN32
        shown = false;
#endif
        return fmt::format("Unable to open communication port \"{}\".\n{}{}\n", path, systemText,
                           shown ? "" : fmt::format(" (0x{:x})", code));
    }
    static std::string ConfigFailure(const std::string& path) {
        return fmt::format("Unable to configure communication port \"{}\". Check port settings.", path);
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_boxes;
    std::string m_debug;
    platform::TextSink m_previousBox;
    platform::TextSink m_previousDebug;
};

TEST_F(ComDeviceOpen, PathThatIsNoSerialPortReportsTheReason) {
    const struct {
        std::string path;
        std::uint32_t code;
        std::string hint;  // the line after the system's text
    } cases[] = {{"/dev/ardenox-missing-port", ENOENT, MissingPortHint(ENOENT) + "\n"},
                 {"/dev/null", platform::kErrorNotSerialDevice, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        CComDevice device;
        EXPECT_FALSE(device.Open(c.path, 19200, kEven, kOneStop));
        EXPECT_FALSE(device.Port().IsOpen());
        EXPECT_FALSE(device.Port().IsNull());
        ASSERT_FALSE(Boxes().empty());
        EXPECT_EQ(Boxes().back(), OpenFailure(c.path, c.code, true) + c.hint);
        EXPECT_NE(Debug().find(": " + OpenFailure(c.path, c.code) + c.hint), std::string::npos) << Debug();
    }
    EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(ComDeviceOpen, PortHeldByAnotherOpenIsRefusedUntilReleased) {
    PtyPeer peer;
    auto holder = std::make_unique<CComDevice>();
    ASSERT_TRUE(holder->Open(peer.Path(), 19200, kEven, kOneStop));

    CComDevice device;
    EXPECT_FALSE(device.Open(peer.Path(), 19200, kEven, kOneStop));
    EXPECT_EQ(Boxes(), std::vector<std::string>{OpenFailure(peer.Path(), platform::kErrorPortInUse, true)});
    EXPECT_NE(Boxes().front().find("in use by another program"), std::string::npos);

    holder.reset();  // destruction closes the port
    EXPECT_TRUE(device.Open(peer.Path(), 19200, kEven, kOneStop));
    EXPECT_TRUE(device.Port().IsOpen());
}

TEST_F(ComDeviceOpen, ConfigurationFailureReportsPlainlyAndFreesThePort) {
    PtyPeer peer;
    CComDevice failed;
    EXPECT_FALSE(failed.Open(peer.Path(), 12345, kEven, kOneStop));  // a baud rate no driver takes
    EXPECT_FALSE(failed.Port().IsOpen());
    EXPECT_FALSE(failed.Port().IsNull());
    EXPECT_EQ(Boxes(), std::vector<std::string>{ConfigFailure(peer.Path())});

    // The next attempt at the connection dialog finds the port free.
    platform::SerialHandle again;
    EXPECT_TRUE(again.Open(peer.Path())) << platform::GetLastError();
}

TEST_F(ComDeviceOpen, EvenParityOpensFirstAndRepeatedly) {
    PtyPeer peer;
    for (int attempt = 0; attempt < 3; ++attempt) {
        CComDevice device;
        EXPECT_TRUE(device.Open(peer.Path(), 19200, kEven, kOneStop)) << "attempt " << attempt;
    }
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
