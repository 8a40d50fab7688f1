#include <algorithm>
#include <chrono>

#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/ReadDeadline.h"
#include "platform/Socket.h"
#include "port/NetworkPort.h"

namespace port {
namespace {

using Milliseconds = std::chrono::milliseconds;

// Connecting and agreeing on the COM port option; a gateway slower than this is not usable anyway.
constexpr Milliseconds kConnectLimit{3000};
// What an RFC 2217 server gets to report all four settings back, on top of the network allowance.
constexpr Milliseconds kSettingsReplyLimit{2000};
// A write that the network does not take within this is stalled.
constexpr Milliseconds kWriteLimit{2000};
// At most this many receives are dropped by a purge: a gateway that streams without end must not keep
// it (or memory) going.
constexpr int kPurgeReceives = 16;

// COM port option commands; the server answers each with the command plus 100.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kPurgeData = 12;
constexpr std::uint8_t kServerOffset = 100;
constexpr std::uint8_t kPurgeBoth = 3;

std::vector<std::uint8_t> BigEndian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

// The COM port option's parity code: 1 none, 2 odd, 3 even.
std::uint8_t ParityCode(std::uint8_t parity) {
    switch (parity) {
        case platform::kOddParity:
            return 2;
        case platform::kEvenParity:
            return 3;
        default:
            return 1;
    }
}

}  // namespace

NetworkPort::~NetworkPort() {
    Close();
}

bool NetworkPort::Fail(std::uint32_t code) {
    platform::SetLastError(code);
    return false;
}

bool NetworkPort::Stopped() const {
    return m_interrupted || (m_opening && m_openingStop != nullptr && *m_openingStop);
}

NetworkPort::Limit NetworkPort::Within(Clock::time_point own, std::uint32_t ownError) const {
    if (m_openingDeadline && *m_openingDeadline < own) {
        return {*m_openingDeadline, platform::kErrorOpeningTimedOut};
    }
    return {own, ownError};
}

bool NetworkPort::Open(const std::string& name) {
    Close();
    m_openingDeadline.reset();
    if (m_openingLimit) {
        m_openingDeadline = Clock::now() + *m_openingLimit;
    }
    m_state = State::Invalid;
    m_timeouts = {};
    m_data.clear();
    m_commands.clear();
    m_decoder = {};
    m_comPortAgreed = false;
    m_refusedDo.reset();
    m_refusedWill.reset();
    m_interrupted = false;
    m_opening = true;
    const std::string rest =
        name.substr(m_protocol == NetworkProtocol::Raw ? kRawPrefix.size() : kRfc2217Prefix.size());
    // HOST:PORT, the host possibly a bracketed IPv6 address.
    const auto colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == rest.size()) {
        return Fail(platform::kErrorBadNetworkName);
    }
    std::string host = rest.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    std::uint32_t roundTripMs = 0;
    const Limit connect = Within(Clock::now() + kConnectLimit, 0);
    m_socket = platform::socket::Connect(host, rest.substr(colon + 1), platform::RemainingMs(connect.at),
                                         roundTripMs, [this] { return Stopped(); });
    if (m_socket == platform::socket::kNoHandle) {
        // Cut short by the opening's limit rather than the system's: say which.
        return connect.error != 0 && platform::GetLastError() == platform::socket::kErrorTimedOut &&
               Fail(connect.error);
    }
    // The handshake took one round trip.
    m_roundTripMs = roundTripMs;
    m_allowanceMs = NetworkAllowanceMs(roundTripMs);
    m_state = State::Open;
    if (m_protocol == NetworkProtocol::Rfc2217 && !Negotiate()) {
        const std::uint32_t code = platform::GetLastError();
        Close();
        return Fail(code);
    }
    return true;
}

bool NetworkPort::Negotiate() {
    using namespace telnet;
    const std::vector<std::uint8_t> offer{
        kIac, kWill, kOptionComPort,         kIac, kDo,   kOptionBinary,         kIac, kWill, kOptionBinary,
        kIac, kDo,   kOptionSuppressGoAhead, kIac, kWill, kOptionSuppressGoAhead};
    if (!SendAll(offer)) {
        return false;
    }
    const Limit limit = Within(Clock::now() + kConnectLimit, platform::kErrorNoComPortControl);
    while (!m_comPortAgreed) {
        if (!ReceiveWithin(limit)) {
            return false;
        }
        if (m_state != State::Open) {
            return Fail(platform::kErrorNoComPortControl);  // refused
        }
    }
    return true;
}

bool NetworkPort::ReceiveWithin(const Limit& limit) {
    if (Stopped()) {
        return Fail(platform::kErrorInterrupted);
    }
    const int waitMs = platform::RemainingMs(limit.at);
    if (waitMs == 0) {
        return Fail(limit.error);
    }
    const bool received = Receive(std::min(waitMs, platform::ReadDeadline::kInterruptCheckMs));
    // Data among the settings' replies answers no request of ours: kept, it would only pile up.
    m_data.clear();
    return received;
}

bool NetworkPort::Answer(const telnet::Command& command) {
    using namespace telnet;
    const bool ours = command.option == kOptionComPort || command.option == kOptionBinary ||
                      command.option == kOptionSuppressGoAhead;
    if (command.verb == kDo && command.option == kOptionComPort) {
        m_comPortAgreed = true;
    } else if (command.verb == kDont && command.option == kOptionComPort) {
        m_state = State::Invalid;  // the server will not take line settings
    } else if (!ours && (command.verb == kDo || command.verb == kWill)) {
        auto& refused = command.verb == kDo ? m_refusedDo : m_refusedWill;
        if (!refused.test(command.option)) {
            refused.set(command.option);
            return SendAll({kIac, command.verb == kDo ? kWont : kDont, command.option});
        }
    }
    // Agreements to our own offers need no answer; line and modem state notifications are not used.
    return true;
}

bool NetworkPort::Receive(int waitMs) {
    const int ready = platform::socket::Wait(m_socket, false, waitMs);
    if (ready <= 0) {
        return ready == 0;
    }
    std::uint8_t buffer[512];
    const long count = platform::socket::Receive(m_socket, buffer, sizeof(buffer));
    if (count == platform::socket::kTryAgain) {
        return true;
    }
    // Acknowledged at once: a gateway that holds its next small segment until the last one is
    // acknowledged (Nagle) would otherwise wait out our delayed acknowledgement, 40 ms, on every reply
    // that follows a purge report.
    platform::socket::AcknowledgeAtOnce(m_socket);
    if (count <= 0) {
        // The gateway closed the connection or it broke: the line is gone, as when an adapter is pulled.
        return false;
    }
    if (m_protocol == NetworkProtocol::Raw) {
        m_data.insert(m_data.end(), buffer, buffer + count);
        return true;
    }
    if (!m_decoder.Feed(buffer, static_cast<std::size_t>(count), m_data, m_commands)) {
        return Fail(platform::kErrorTelnetProtocol);
    }
    for (std::size_t i = 0; i < m_commands.size(); ++i) {
        if (m_commands[i].verb != telnet::kSb && !Answer(m_commands[i])) {
            return false;
        }
    }
    std::erase_if(m_commands, [](const telnet::Command& command) {
        return command.verb != telnet::kSb || command.option != telnet::kOptionComPort;
    });
    return true;
}

bool NetworkPort::SendAll(const std::vector<std::uint8_t>& bytes) {
    const Limit limit = Within(Clock::now() + kWriteLimit, platform::kErrorOutputStalled);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long count = platform::socket::Send(m_socket, bytes.data() + sent, bytes.size() - sent);
        if (count < 0 && count != platform::socket::kTryAgain) {
            return false;
        }
        if (count > 0) {
            sent += static_cast<std::size_t>(count);
            continue;
        }
        if (Stopped()) {
            return Fail(platform::kErrorInterrupted);
        }
        const int waitMs = platform::RemainingMs(limit.at);
        if (waitMs == 0) {
            return Fail(limit.error);
        }
        if (platform::socket::Wait(m_socket, true,
                                   std::min(waitMs, platform::ReadDeadline::kInterruptCheckMs)) < 0) {
            return false;
        }
    }
    return true;
}

bool NetworkPort::SetComPort(std::uint8_t command, const std::vector<std::uint8_t>& value,
                             const Limit& limit) {
    std::vector<std::uint8_t> payload(1 + value.size());
    payload[0] = command;
    std::copy(value.begin(), value.end(), payload.begin() + 1);
    m_commands.clear();
    if (!SendAll(telnet::Subnegotiation(telnet::kOptionComPort, payload))) {
        return false;
    }
    for (;;) {
        for (const telnet::Command& reply : m_commands) {
            if (!reply.payload.empty() && reply.payload.front() == command + kServerOffset) {
                const bool taken =
                    std::equal(value.begin(), value.end(), reply.payload.begin() + 1, reply.payload.end());
                return taken || Fail(platform::kErrorSettingsNotTaken);
            }
        }
        m_commands.clear();
        if (!ReceiveWithin(limit)) {
            return false;
        }
    }
}

bool NetworkPort::Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits) {
    if (!IsOpen()) {
        return Fail(platform::socket::kErrorNotOpen);
    }
    if ((parity != platform::kNoParity && parity != platform::kOddParity &&
         parity != platform::kEvenParity) ||
        (stopBits != platform::kOneStopBit && stopBits != platform::kTwoStopBits)) {
        return Fail(platform::socket::kErrorBadSetting);
    }
    const Limit limit = Within(Clock::now() + kSettingsReplyLimit + Milliseconds(m_allowanceMs),
                               platform::kErrorSettingsNotTaken);
    const bool taken =
        m_protocol == NetworkProtocol::Raw ||
        (SetComPort(kSetBaudRate, BigEndian(baudRate), limit) && SetComPort(kSetDataSize, {8}, limit) &&
         SetComPort(kSetParity, {ParityCode(parity)}, limit) &&
         SetComPort(kSetStopSize, {static_cast<std::uint8_t>(stopBits == platform::kTwoStopBits ? 2 : 1)},
                    limit));
    // The opening ends with its first settings.
    m_openingDeadline.reset();
    m_opening = false;
    return taken;
}

bool NetworkPort::SetTimeouts(const platform::ReadTimeouts& timeouts) {
    if (!IsOpen()) {
        return Fail(platform::socket::kErrorNotOpen);
    }
    m_timeouts = timeouts;
    return true;
}

bool NetworkPort::EnableRs485() {
    return Fail(platform::kErrorNoRs485);
}

void NetworkPort::Purge() {
    if (!IsOpen()) {
        return;
    }
    // Whatever is already readable belongs to an earlier exchange.
    for (int i = 0; i < kPurgeReceives && Receive(0) && platform::socket::Wait(m_socket, false, 0) > 0; ++i) {
        m_data.clear();
    }
    m_data.clear();
    if (m_protocol == NetworkProtocol::Rfc2217) {
        // The server's report of the purge is not waited for: it arrives among the next reply's bytes
        // and is set aside there.
        SendAll(telnet::Subnegotiation(telnet::kOptionComPort, {kPurgeData, kPurgeBoth}));
    }
}

std::size_t NetworkPort::Waiting() const {
    const bool counted = m_protocol == NetworkProtocol::Raw && m_socket != platform::socket::kNoHandle;
    return m_data.size() + (counted ? platform::socket::Pending(m_socket) : 0);
}

bool NetworkPort::Write(const std::uint8_t* data, std::size_t size, std::size_t& written) {
    written = 0;
    if (!IsOpen()) {
        return Fail(platform::socket::kErrorNotOpen);
    }
    const bool sent = m_protocol == NetworkProtocol::Raw ? SendAll({data, data + size})
                                                         : SendAll(telnet::Escape(data, size));
    written = sent ? size : 0;
    return sent;
}

bool NetworkPort::Read(std::uint8_t* data, std::size_t size, std::size_t& received) {
    return Read(data, size, received, m_timeouts);
}

bool NetworkPort::Read(std::uint8_t* data, std::size_t size, std::size_t& received,
                       const platform::ReadTimeouts& timeouts) {
    received = 0;
    if (!IsOpen()) {
        return Fail(platform::socket::kErrorNotOpen);
    }
    // The same limits as on a serial line, each widened by the network's allowance.
    platform::ReadDeadline deadline(timeouts, size, m_interrupted, m_allowanceMs);
    while (received < size) {
        if (!m_data.empty()) {
            const std::size_t count = std::min(size - received, m_data.size());
            std::copy_n(m_data.begin(), count, data + received);
            m_data.erase(m_data.begin(), m_data.begin() + static_cast<std::ptrdiff_t>(count));
            received += count;
            deadline.BytesArrived();
            continue;
        }
        const int waitMs = deadline.WaitMs();
        if (waitMs == 0) {
            break;
        }
        if (!Receive(waitMs)) {
            return false;
        }
        // Line and modem state notifications, and the report of a purge, are not used.
        m_commands.clear();
    }
    return true;
}

void NetworkPort::Close() {
    if (m_socket != platform::socket::kNoHandle) {
        platform::socket::Close(m_socket);
        m_socket = platform::socket::kNoHandle;
    }
    if (m_state != State::Null) {
        m_state = State::Invalid;
    }
}

}  // namespace port
