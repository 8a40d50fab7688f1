#include "sim/TcpFront.h"

#include <modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <system_error>
#include <vector>

#include "sim/RtuFrame.h"

namespace sim {
namespace {

constexpr std::size_t kHeaderLength = 7;  // transaction, protocol, length, unit
constexpr std::uint8_t kGatewayTargetFailed = 0x0B;

[[noreturn]] void Fail(const char* what) {
    throw std::system_error(errno, std::system_category(), what);
}

// The RTU frame of the unit and PDU of an MBAP request.
std::vector<std::uint8_t> AsRtu(const std::uint8_t* request, std::size_t length) {
    std::vector<std::uint8_t> frame(request + kHeaderLength - 1, request + length);
    const std::uint16_t crc = Crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

// The MBAP reply that carries `pdu` for `request`'s transaction and unit.
std::vector<std::uint8_t> AsMbap(const std::uint8_t* request, std::span<const std::uint8_t> pdu) {
    const std::size_t length = pdu.size() + 1;
    std::vector<std::uint8_t> reply(kHeaderLength + pdu.size());
    reply[0] = request[0];
    reply[1] = request[1];
    reply[4] = static_cast<std::uint8_t>(length >> 8);
    reply[5] = static_cast<std::uint8_t>(length & 0xFF);
    reply[6] = request[6];
    std::copy(pdu.begin(), pdu.end(), reply.begin() + kHeaderLength);
    return reply;
}

void SendAll(int socket, const std::vector<std::uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;  // the client went; its socket reports that on the next poll
        }
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace

bool ParseListenName(const std::string& name, std::string& host, std::uint16_t& port) {
    constexpr std::string_view kPrefix = "tcp://";
    const std::size_t colon = name.rfind(':');
    if (!name.starts_with(kPrefix) || colon == std::string::npos || colon < kPrefix.size()) {
        return false;
    }
    host = name.substr(kPrefix.size(), colon - kPrefix.size());
    const char* first = name.data() + colon + 1;
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, port);
    return !host.empty() && first != last && end == last && error == std::errc{};
}

TcpFront::TcpFront(ControllerSim& controller, const std::string& host, std::uint16_t port)
    : m_controller(controller) {
    m_context = modbus_new_tcp(host.c_str(), port);
    if (m_context == nullptr) {
        Fail("modbus_new_tcp");
    }
    m_listener = modbus_tcp_listen(m_context, 8);
    if (m_listener < 0) {
        const int error = errno;
        modbus_free(m_context);
        errno = error;
        Fail("modbus_tcp_listen");
    }
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &size);
    m_port = ntohs(bound.sin_port);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        const int error = errno;
        ::close(m_listener);
        modbus_free(m_context);
        errno = error;
        Fail("eventfd");
    }
    m_thread = std::thread([this] { Run(); });
}

TcpFront::~TcpFront() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    ::close(m_wakeFd);
    ::close(m_listener);
    modbus_free(m_context);
}

void TcpFront::Run() {
    std::vector<int> clients;
    std::uint8_t request[MODBUS_TCP_MAX_ADU_LENGTH];
    for (;;) {
        std::vector<pollfd> fds{{m_wakeFd, POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const int client : clients) {
            fds.push_back({client, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        if (fds[0].revents != 0) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            int listener = m_listener;
            if (const int client = modbus_tcp_accept(m_context, &listener); client >= 0) {
                clients.push_back(client);
            }
        }
        for (std::size_t k = 2; k < fds.size(); ++k) {
            if (fds[k].revents == 0) {
                continue;
            }
            // libmodbus reads one whole MBAP request from the client and checks its header.
            modbus_set_socket(m_context, fds[k].fd);
            const int length = modbus_receive(m_context, request);
            if (length < 0) {
                ::close(fds[k].fd);
                std::erase(clients, fds[k].fd);
                continue;
            }
            if (length <= static_cast<int>(kHeaderLength)) {
                continue;
            }
            const std::vector<std::uint8_t> reply =
                m_controller.Answer(AsRtu(request, static_cast<std::size_t>(length)));
            if (reply.size() > 3) {
                // The controller's PDU, without its address and CRC.
                SendAll(fds[k].fd, AsMbap(request, std::span(reply).subspan(1, reply.size() - 3)));
            } else {
                const std::uint8_t refusal[] = {static_cast<std::uint8_t>(request[7] | 0x80),
                                                kGatewayTargetFailed};
                SendAll(fds[k].fd, AsMbap(request, refusal));
            }
        }
    }
    for (const int client : clients) {
        ::close(client);
    }
}

}  // namespace sim
