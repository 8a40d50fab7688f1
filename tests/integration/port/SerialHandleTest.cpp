#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "platform/LastError.h"
#include "platform/SerialHandle.h"
#include "tests/integration/port/PtyPeer.h"

namespace {

using namespace std::chrono_literals;
using platform::SerialHandle;
using Bytes = PtyPeer::Bytes;

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
