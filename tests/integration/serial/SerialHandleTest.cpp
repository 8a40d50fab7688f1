#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "platform/LastError.h"
#include "platform/SerialHandle.h"
#include "tests/integration/serial/PtyPeer.h"

namespace {

using namespace std::chrono_literals;
using platform::SerialHandle;
using Bytes = PtyPeer::Bytes;
using Clock = std::chrono::steady_clock;

constexpr platform::ReadTimeouts kPortTimeouts{200, 10, 50};

void OpenConfigured(SerialHandle& handle, const std::string& path,
                    std::uint8_t parity = platform::kEvenParity) {
    ASSERT_TRUE(handle.Open(path)) << platform::GetLastError();
    ASSERT_TRUE(handle.Configure(19200, parity, platform::kOneStopBit)) << platform::GetLastError();
    ASSERT_TRUE(handle.SetTimeouts(kPortTimeouts));
}

Bytes ReadFrom(SerialHandle& handle, std::size_t size) {
    Bytes bytes(size);
    std::size_t received = 0;
    EXPECT_TRUE(handle.Read(bytes.data(), size, received)) << platform::GetLastError();
    bytes.resize(received);
    return bytes;
}

TEST(SerialHandleOpen, StatesFollowTheOpenAndCloseHistory) {
    PtyPeer peer;
    SerialHandle handle;
    EXPECT_TRUE(handle.IsNull());
    EXPECT_FALSE(handle.IsOpen());

    EXPECT_FALSE(handle.Open("/dev/ardenox-no-such-port"));
    EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(ENOENT));
    EXPECT_FALSE(handle.IsNull());
    EXPECT_FALSE(handle.IsOpen());

    ASSERT_TRUE(handle.Open(peer.Path()));
    EXPECT_TRUE(handle.IsOpen());
    handle.Close();
    EXPECT_FALSE(handle.IsOpen());
    EXPECT_FALSE(handle.IsNull());
}

TEST(SerialHandleOpen, PortIsExclusiveUntilClosed) {
    PtyPeer peer;
    SerialHandle first;
    ASSERT_TRUE(first.Open(peer.Path()));

    SerialHandle second;
    EXPECT_FALSE(second.Open(peer.Path()));
    const auto error = platform::GetLastError();
    EXPECT_TRUE(error == EBUSY || error == EWOULDBLOCK) << error;

    first.Close();
    EXPECT_TRUE(second.Open(peer.Path())) << platform::GetLastError();
}

TEST(SerialHandleConfigure, NonTerminalIsRefused) {
    SerialHandle handle;
    ASSERT_TRUE(handle.Open("/dev/null"));
    EXPECT_FALSE(handle.Configure(19200, platform::kEvenParity, platform::kOneStopBit));
    EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(ENOTTY));
}

TEST(SerialHandleConfigure, UnsupportedSettingsAreRefused) {
    struct Case {
        std::uint32_t baudRate;
        std::uint8_t parity;
        std::uint8_t stopBits;
    };
    const Case cases[] = {{12345, 0, 0}, {19200, 3, 0}, {19200, 0, 1}};
    PtyPeer peer;
    SerialHandle handle;
    ASSERT_TRUE(handle.Open(peer.Path()));
    for (const auto& c : cases) {
        EXPECT_FALSE(handle.Configure(c.baudRate, c.parity, c.stopBits))
            << c.baudRate << "/" << int{c.parity};
        EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(EINVAL));
    }
}

// A pseudo-terminal stores no parity: the second open asking only for parity again is refused by the
// system and must still count as configured.
TEST(SerialHandleConfigure, EveryModeWorksOnFirstAndRepeatedOpen) {
    const std::uint8_t modes[][2] = {{2, 0}, {1, 0}, {0, 2}, {0, 0}};
    for (const std::uint32_t baudRate : {9600u, 19200u, 38400u, 57600u}) {
        for (const auto& mode : modes) {
            PtyPeer peer;
            for (int open = 0; open < 3; ++open) {
                SerialHandle handle;
                ASSERT_TRUE(handle.Open(peer.Path()));
                EXPECT_TRUE(handle.Configure(baudRate, mode[0], mode[1]))
                    << baudRate << " parity " << int{mode[0]} << " open " << open << ": "
                    << platform::GetLastError();
            }
        }
    }
}

TEST(SerialHandleTransfer, BinaryBytesPassUntouchedBothWays) {
    const Bytes allBytes = [] {
        Bytes bytes;
        for (int value = 0; value < 256; ++value) {
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
        return bytes;
    }();
    PtyPeer peer;
    SerialHandle handle;
    OpenConfigured(handle, peer.Path());

    std::size_t written = 0;
    ASSERT_TRUE(handle.Write(allBytes.data(), allBytes.size(), written));
    EXPECT_EQ(written, allBytes.size());
    EXPECT_EQ(peer.Receive(allBytes.size()), allBytes);

    peer.Send(allBytes);
    EXPECT_EQ(ReadFrom(handle, allBytes.size()), allBytes);
}

TEST(SerialHandleTransfer, LargeWriteIsWrittenWhole) {
    PtyPeer peer;
    SerialHandle handle;
    OpenConfigured(handle, peer.Path());
    const Bytes big(64 * 1024, 0x5A);
    std::thread drain([&] { EXPECT_EQ(peer.Receive(big.size(), 10s).size(), big.size()); });
    std::size_t written = 0;
    EXPECT_TRUE(handle.Write(big.data(), big.size(), written)) << platform::GetLastError();
    EXPECT_EQ(written, big.size());
    drain.join();
}

// Read time-outs: 50 ms + 10 ms per byte in all, 200 ms between two bytes. Delays sit well inside or
// well outside those limits so that a loaded machine does not change the verdict.
TEST(SerialHandleTimeouts, ReadEndsAsTheTimeoutsSay) {
    struct Case {
        const char* name;
        std::size_t readSize;
        std::chrono::milliseconds firstDelay;
        std::size_t firstPart;
        std::chrono::milliseconds gap;
        std::size_t expected;
    };
    const Case cases[] = {
        {"prompt reply", 7, 0ms, 7, 0ms, 7},
        {"reply 60 ms late", 7, 60ms, 7, 0ms, 7},
        {"reply 250 ms late", 7, 250ms, 7, 0ms, 0},
        {"100 ms gap in a long reply", 255, 0ms, 3, 100ms, 255},
        {"300 ms gap in a long reply", 255, 0ms, 3, 300ms, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPeer peer;
        SerialHandle handle;
        OpenConfigured(handle, peer.Path());
        const Bytes reply(c.readSize, 0xA5);
        std::thread sender([&] {
            std::this_thread::sleep_for(c.firstDelay);
            peer.Send(Bytes(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(c.firstPart)));
            std::this_thread::sleep_for(c.gap);
            peer.Send(Bytes(reply.begin() + static_cast<std::ptrdiff_t>(c.firstPart), reply.end()));
        });
        EXPECT_EQ(ReadFrom(handle, c.readSize).size(), c.expected);
        sender.join();
    }
}

TEST(SerialHandleTimeouts, SilentLineEndsTheReadAfterTheTotalTimeout) {
    PtyPeer peer;
    SerialHandle handle;
    OpenConfigured(handle, peer.Path());
    const auto start = Clock::now();
    EXPECT_TRUE(ReadFrom(handle, 7).empty());
    EXPECT_GE(Clock::now() - start, 120ms);
}

TEST(SerialHandleTransfer, PurgeDiscardsWhatTheReadLeft) {
    PtyPeer peer;
    SerialHandle handle;
    OpenConfigured(handle, peer.Path());
    peer.Send({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(ReadFrom(handle, 7), (Bytes{1, 2, 3, 4, 5, 6, 7}));
    handle.Purge();
    peer.Send({42});
    EXPECT_EQ(ReadFrom(handle, 1), Bytes{42});
}

TEST(SerialHandleFailure, LineGoingAwayFailsReadAndWrite) {
    PtyPeer peer;
    SerialHandle handle;
    OpenConfigured(handle, peer.Path());
    peer.HangUp();

    std::uint8_t buffer[7];
    std::size_t count = 0;
    platform::SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(handle.Read(buffer, sizeof(buffer), count));
    EXPECT_NE(platform::GetLastError(), ERROR_SUCCESS);
    platform::SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(handle.Write(buffer, sizeof(buffer), count));
    EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(EIO));
}

TEST(SerialHandleFailure, NotOpenHandleFailsReadAndWrite) {
    SerialHandle handle;
    std::uint8_t buffer[1];
    std::size_t count = 0;
    EXPECT_FALSE(handle.Read(buffer, sizeof(buffer), count));
    EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(EBADF));
    EXPECT_FALSE(handle.Write(buffer, sizeof(buffer), count));
    EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(EBADF));
}

}  // namespace
