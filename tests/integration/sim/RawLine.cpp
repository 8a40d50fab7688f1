#include "tests/integration/sim/RawLine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/RtuFrame.h"

namespace simtest {

RawLine::RawLine(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(m_fd, 0) << path << ": " << std::strerror(errno);
    termios settings{};
    if (m_fd >= 0 && ::tcgetattr(m_fd, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(m_fd, TCSANOW, &settings);
    }
}

RawLine::~RawLine() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void RawLine::SendWithCrc(std::vector<std::uint8_t> body) {
    body.resize(body.size() + 2);
    sim::RewriteCrc(body);
    ::tcflush(m_fd, TCIOFLUSH);
    ASSERT_EQ(::write(m_fd, body.data(), body.size()), static_cast<ssize_t>(body.size()));
}

std::vector<Arrival> RawLine::Collect(std::size_t expected, std::chrono::milliseconds quiet) {
    std::vector<Arrival> arrivals;
    while (arrivals.size() < expected) {
        pollfd line{m_fd, POLLIN, 0};
        if (::poll(&line, 1, static_cast<int>(quiet.count())) <= 0 || !(line.revents & POLLIN)) {
            break;
        }
        std::uint8_t chunk[64];
        const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        for (ssize_t i = 0; i < got; ++i) {
            arrivals.push_back({chunk[i], now});
        }
    }
    return arrivals;
}

std::vector<std::uint8_t> RawLine::Reply(std::size_t expected, std::chrono::milliseconds quiet) {
    return BytesOf(Collect(expected, quiet));
}

std::vector<std::uint8_t> BytesOf(const std::vector<Arrival>& arrivals) {
    std::vector<std::uint8_t> bytes;
    for (const Arrival& arrival : arrivals) {
        bytes.push_back(arrival.byte);
    }
    return bytes;
}

}  // namespace simtest
