// A read cut short from another thread, on a serial line and through a network bridge alike: it ends at
// once as a time-out, so does every later read, and the port waits for its bytes again once reopened.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/LastError.h"
#include "port/NetworkPort.h"
#include "port/SerialLinePort.h"
#include "tests/integration/port/PtyPeer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A loopback gateway that takes connections (the kernel completes them) and never sends a byte.
class SilentGateway {
public:
    SilentGateway() : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        ::listen(m_fd, 4);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_url = "tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    SilentGateway(const SilentGateway&) = delete;
    SilentGateway& operator=(const SilentGateway&) = delete;
    ~SilentGateway() { ::close(m_fd); }

    const std::string& Url() const { return m_url; }

private:
    int m_fd;
    std::string m_url;
};

std::size_t ReadNothing(port::IPort& port) {
    std::uint8_t bytes[7];
    std::size_t received = 1;
    EXPECT_TRUE(port.Read(bytes, sizeof bytes, received)) << platform::GetLastError();
    return received;
}

TEST(PortInterrupt, EndsTheReadUnderWayAndEveryLaterOneUntilTheNextOpen) {
    PtyPeer line;
    SilentGateway gateway;
    struct Case {
        const char* name;
        std::unique_ptr<port::IPort> port;
        std::string path;
    };
    Case cases[] = {
        {"serial line", std::make_unique<port::SerialLinePort>(), line.Path()},
        {"network bridge", std::make_unique<port::NetworkPort>(port::NetworkProtocol::Raw), gateway.Url()}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        port::IPort& port = *c.port;
        ASSERT_TRUE(port.Open(c.path)) << platform::GetLastError();
        ASSERT_TRUE(port.Configure(19200, platform::kEvenParity, platform::kOneStopBit));
        ASSERT_TRUE(port.SetTimeouts({10000, 0, 10000}));
        const auto start = Clock::now();
        std::thread stopper([&port] {
            std::this_thread::sleep_for(100ms);
            port.Interrupt();
        });
        EXPECT_EQ(ReadNothing(port), 0u);
        stopper.join();
        EXPECT_EQ(ReadNothing(port), 0u);
        EXPECT_LT(Clock::now() - start, 5s) << "a read waited out its 10 s";

        ASSERT_TRUE(port.Open(c.path)) << platform::GetLastError();
        ASSERT_TRUE(port.Configure(19200, platform::kEvenParity, platform::kOneStopBit));
        ASSERT_TRUE(port.SetTimeouts({0, 0, 300}));
        const auto reopened = Clock::now();
        EXPECT_EQ(ReadNothing(port), 0u);
        EXPECT_GE(Clock::now() - reopened, 250ms) << "the interrupt outlived the open";
    }
}

}  // namespace
