#include "tests/integration/cli/HostileGateway.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

#include "port/TelnetCodec.h"
#include "tests/integration/cli/ComPortAgreement.h"
#include "tests/integration/cli/Gateway.h"

namespace {

using namespace port::telnet;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr auto kLongest = std::chrono::seconds(60);

// What each misbehaviour sends over and over.
Bytes Stream(HostileGateway::Behaviour behaviour) {
    using Behaviour = HostileGateway::Behaviour;
    Bytes bytes;
    if (behaviour == Behaviour::Flood) {
        // Every option but those the port itself offers, asked for both ways.
        for (int option = 0; option < 256; ++option) {
            if (option != kOptionBinary && option != kOptionSuppressGoAhead && option != kOptionComPort) {
                const auto o = static_cast<std::uint8_t>(option);
                bytes.insert(bytes.end(), {kIac, kDo, o, kIac, kWill, o});
            }
        }
    } else {
        bytes.assign(4096, behaviour == Behaviour::Junk ? 0x55 : 0x01);
    }
    return bytes;
}

}  // namespace

HostileGateway::HostileGateway(Behaviour behaviour, bool agreeFirst) {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (behaviour == Behaviour::Flood) {
        // Taken over by the connection: a small window, so that the port's sends soon find no room.
        const int size = 1024;
        ::setsockopt(m_listen, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
    }
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof(address);
    ::bind(m_listen, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::listen(m_listen, behaviour == Behaviour::NeverAccepts ? 0 : 1);
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    if (behaviour == Behaviour::NeverAccepts) {
        // One connection fills the queue; the kernel drops the handshakes after it.
        m_filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(m_filler, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        return;
    }
    if (behaviour != Behaviour::Silent) {
        m_thread = std::thread([this, behaviour, agreeFirst] { Serve(behaviour, agreeFirst); });
    }
}

HostileGateway::~HostileGateway() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (const int fd : {m_filler, m_listen}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

int HostileGateway::Accept() {
    pollfd wait{m_listen, POLLIN, 0};
    while (!m_stop) {
        if (::poll(&wait, 1, 20) > 0) {
            return ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        }
    }
    return -1;
}

void HostileGateway::Serve(Behaviour behaviour, bool agreeFirst) {
    const int fd = Accept();
    if (fd < 0) {
        return;
    }
    if (behaviour == Behaviour::HangsUp) {
        ::close(fd);
        return;
    }
    if (!agreeFirst || AgreeToComPort(fd, m_stop)) {
        if (agreeFirst) {
            // Misbehaving once the port is open, not among the settings' reports.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        if (behaviour == Behaviour::EndlessSubnegotiation) {
            const Bytes opening{kIac, kSb, kOptionComPort};
            ::send(fd, opening.data(), opening.size(), MSG_NOSIGNAL);
        }
        const Bytes stream = Stream(behaviour);
        const auto end = Clock::now() + kLongest;
        pollfd wait{fd, POLLOUT, 0};
        // Until the port goes away (the send fails) or the test ends.
        while (!m_stop && Clock::now() < end) {
            if (::poll(&wait, 1, 20) > 0 &&
                ::send(fd, stream.data(), stream.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                errno != EAGAIN) {
                break;
            }
        }
    }
    ::close(fd);
}
