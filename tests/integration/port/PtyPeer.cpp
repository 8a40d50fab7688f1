#include "tests/integration/port/PtyPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

PtyPeer::PtyPeer() {
    termios raw{};
    cfmakeraw(&raw);
    char name[128] = {};
    if (::openpty(&m_master, &m_slaveHold, name, &raw, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    m_path = name;
}

PtyPeer::~PtyPeer() {
    JoinSender();
    if (m_slaveHold >= 0) {
        ::close(m_slaveHold);
    }
    if (m_master >= 0) {
        ::close(m_master);
    }
}

void PtyPeer::Send(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (count <= 0) {
            return;
        }
        done += static_cast<std::size_t>(count);
    }
}

PtyPeer::Bytes PtyPeer::Receive(std::size_t expected, std::chrono::milliseconds within) {
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (bytes.size() < expected) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{m_master, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        std::uint8_t buffer[512];
        const ssize_t count = ::read(m_master, buffer, sizeof(buffer));
        if (count <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    return bytes;
}

void PtyPeer::HangUp() {
    JoinSender();
    ::close(m_slaveHold);
    m_slaveHold = -1;
    ::close(m_master);
    m_master = -1;
}

void PtyPeer::JoinSender() {
    if (m_sender.joinable()) {
        m_sender.join();
    }
}
