// The line state the serial handle leaves and finds: whatever another program left on a port is cleaned
// away while the handle holds it, given back at close, and a port that cannot send fails in time.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/SerialHandle.h"
#include "tests/integration/port/PtyPeer.h"

namespace {

using platform::SerialHandle;

// Where the input speed sits in c_cflag when it differs from the output speed (glibc leaves it out).
constexpr int kInputSpeedShift = 16;

// Another opener of the same pseudo-terminal: it sees the settings the handle leaves on the port.
class Onlooker {
public:
    explicit Onlooker(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~Onlooker() { ::close(m_fd); }
    Onlooker(const Onlooker&) = delete;
    Onlooker& operator=(const Onlooker&) = delete;

    termios Settings() const {
        termios settings{};
        EXPECT_EQ(::tcgetattr(m_fd, &settings), 0);
        return settings;
    }
    void Change(const std::function<void(termios&)>& change) const {
        termios settings = Settings();
        change(settings);
        ASSERT_EQ(::tcsetattr(m_fd, TCSANOW, &settings), 0);
    }
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

TEST(SerialHandleLineState, WhatAnotherProgramLeftIsCleanedAndGivenBackAtClose) {
    struct Case {
        const char* name;
        std::function<void(termios&)> dirt;
    };
    const Case cases[] = {
        {"hardware flow control", [](termios& t) { t.c_cflag |= CRTSCTS; }},
        {"mark/space parity", [](termios& t) { t.c_cflag |= CMSPAR; }},
        {"separate input speed",
         [](termios& t) {
             t.c_cflag = (t.c_cflag & ~CIBAUD) | static_cast<tcflag_t>(B9600 << kInputSpeedShift);
         }},
        {"software flow control", [](termios& t) { t.c_iflag |= IXON | IXOFF | IXANY; }},
        {"cooked terminal",
         [](termios& t) {
             t.c_lflag |= ICANON | ECHO | ISIG;
             t.c_oflag |= OPOST | ONLCR;
         }},
        {"all of them at 9600",
         [](termios& t) {
             t.c_cflag |= CRTSCTS | CMSPAR;
             t.c_iflag |= IXON | IXOFF;
             cfsetospeed(&t, B9600);
             cfsetispeed(&t, B9600);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPeer peer;
        const Onlooker onlooker(peer.Path());
        onlooker.Change(c.dirt);
        const termios dirty = onlooker.Settings();

        SerialHandle handle;
        ASSERT_TRUE(handle.Open(peer.Path()));
        ASSERT_TRUE(handle.Configure(19200, platform::kEvenParity, platform::kOneStopBit))
            << platform::GetLastError();
        const termios clean = onlooker.Settings();
        EXPECT_EQ(clean.c_cflag & (CRTSCTS | CMSPAR | CIBAUD), 0u);
        EXPECT_EQ(clean.c_iflag & (IXON | IXOFF | IXANY), 0u);
        EXPECT_EQ(clean.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(clean.c_oflag & OPOST, 0u);
        EXPECT_EQ(clean.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
        EXPECT_EQ(cfgetispeed(&clean), B19200);
        EXPECT_EQ(cfgetospeed(&clean), B19200);

        handle.Close();
        const termios restored = onlooker.Settings();
        EXPECT_EQ(restored.c_cflag, dirty.c_cflag);
        EXPECT_EQ(restored.c_iflag, dirty.c_iflag);
        EXPECT_EQ(restored.c_oflag, dirty.c_oflag);
        EXPECT_EQ(restored.c_lflag, dirty.c_lflag);
    }
}

// Output stopped (as by XOFF or CTS low under flow control) must fail the write like a lost port, in
// about a second, and the close after it must not wait for the unsent bytes.
TEST(SerialHandleLineState, AWriteThatCannotGoOutFailsWithinItsDeadline) {
    PtyPeer peer;
    const Onlooker onlooker(peer.Path());
    SerialHandle handle;
    ASSERT_TRUE(handle.Open(peer.Path()));
    ASSERT_TRUE(handle.Configure(19200, platform::kEvenParity, platform::kOneStopBit));
    ASSERT_EQ(::tcflow(onlooker.Fd(), TCOOFF), 0);

    const std::uint8_t frame[8] = {0x10, 0x03, 0x00, 0x21, 0x00, 0x01, 0xD6, 0x8B};
    std::size_t written = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(handle.Write(frame, sizeof frame, written));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorOutputStalled);
    handle.Close();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

// The operator's own terminal is refused before anything on it changes (here: it is standard input).
TEST(SerialHandleLineState, TheProgramsOwnTerminalIsRefusedUntouched) {
    PtyPeer peer;
    const Onlooker onlooker(peer.Path());
    onlooker.Change([](termios& t) { t.c_lflag |= ICANON | ECHO; });
    const termios before = onlooker.Settings();
    const int savedInput = ::dup(STDIN_FILENO);
    ASSERT_GE(savedInput, 0);
    ASSERT_GE(::dup2(onlooker.Fd(), STDIN_FILENO), 0);
    SerialHandle handle;
    const bool opened = handle.Open(peer.Path());
    const std::uint32_t error = platform::GetLastError();
    ::dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    EXPECT_FALSE(opened);
    EXPECT_EQ(error, platform::kErrorOwnTerminal);
    const termios after = onlooker.Settings();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    // The same terminal, opened while it is nobody's, is a port like any other.
    EXPECT_TRUE(handle.Open(peer.Path())) << platform::GetLastError();
}

TEST(SerialHandleLineState, APseudoTerminalHasNoRs485Mode) {
    PtyPeer peer;
    SerialHandle handle;
    ASSERT_TRUE(handle.Open(peer.Path()));
    EXPECT_FALSE(handle.EnableRs485());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorNoRs485);
}

}  // namespace
