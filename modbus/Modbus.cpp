#include "modbus/Modbus.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <utility>

#include "modbus/LateReplyGuard.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"

namespace {

constexpr std::uint16_t kMaxReadCount = 125;
constexpr std::uint16_t kMaxWriteCount = 123;
constexpr std::uint32_t kRegisterSpace = 0x10000;

}  // namespace

void CModbus::Tap(traffic::Direction direction, traffic::Outcome outcome, std::span<const std::uint8_t> bytes,
                  std::size_t expected) {
    m_signsThenTap.OnFrame(traffic::MakeFrame(direction, outcome, bytes, expected));
}

void CModbus::SignsThenTap::OnFrame(const traffic::Frame& frame) {
    // Every frame, the late bytes the guard drops included, is read in this master's framing.
    traffic::Frame framed = frame;
    framed.framing = m_modbus.m_framingKind;
    m_modbus.m_signs.OnFrame(framed);
    if (m_modbus.m_tap != nullptr) {
        m_modbus.m_tap->OnFrame(framed);
    }
}

bool CModbus::Exchange(const ModbusRequest& request, std::span<const std::uint8_t>& pdu) {
    using traffic::Direction;
    using traffic::Outcome;
    port::IPort& port = m_device->Port();
    const std::size_t length = m_framing->ReplyLength(request);
    if (!ClearLine(length)) {
        Tap(Direction::FromSlave, Outcome::PortFailure, {});
        m_portFailed = true;
        return false;
    }
    // Noise, or what a slave sent unasked, must not be taken for this request's reply.
    port.Purge();
    const auto start = std::chrono::steady_clock::now();
    std::array<std::uint8_t, kMaxFrameBytes> frame;
    const std::span<const std::uint8_t> sent(frame.data(), m_framing->Encode(request, frame));
    std::size_t written = 0;
    if (!port.Write(sent.data(), sent.size(), written)) {
        Tap(Direction::ToSlave, Outcome::PortFailure, sent);
        m_portFailed = true;
        return false;
    }
    Tap(Direction::ToSlave, Outcome::Request, sent);
    if (m_echo.IsOn() && !AwaitEcho(sent, length)) {
        return false;
    }
    std::size_t received = 0;
    const bool read = ReadReply(request, length, received);
    const std::span<const std::uint8_t> bytes(m_reply.data(), received);
    if (!read) {
        Tap(Direction::FromSlave, Outcome::PortFailure, bytes, length);
        m_portFailed = true;
        ++m_evidence;
        return false;
    }
    if (m_framing->IsExceptionReply(request, bytes)) {
        // The slave answered in full; a copy of its refusal would pass for the next request's.
        Tap(Direction::FromSlave, Outcome::Exception, bytes, length);
        if (!ListenAfterReply(bytes)) {
            return false;
        }
        platform::SetLastError(platform::ModbusExceptionError(m_framing->Pdu(bytes)[1]));
        return false;
    }
    if (received != length) {
        Tap(Direction::FromSlave, received == 0 ? Outcome::Timeout : Outcome::Short, bytes, length);
        GuardNextExchange(length);
        platform::SetLastError(ERROR_TIMEOUT);
        return false;
    }
    const Outcome outcome = m_framing->Check(request, bytes);
    if (outcome != Outcome::Ok && m_echo.Recognise(sent, bytes)) {
        // That was the adapter's echo: once the line is quiet, ask again, now reading past it.
        Tap(Direction::FromSlave, Outcome::AdapterEcho, bytes, length);
        GuardNextExchange(length);
        return Exchange(request, pdu);
    }
    Tap(Direction::FromSlave, outcome, bytes, length);
    if (outcome != Outcome::Ok) {
        GuardNextExchange(length);
        // A late reply answered an earlier request: this one's reply has not come in time. A reply that
        // names this request and echoes another value was not damaged on the way: nothing wrote it.
        const bool sureEcho = outcome == Outcome::WrongEcho && m_framing->NumbersReplies();
        platform::SetLastError(outcome == Outcome::Late ? ERROR_TIMEOUT
                               : sureEcho               ? platform::kErrorWriteEchoDiffers
                                                        : ERROR_CRC);
        return false;
    }
    m_lastReplyTime =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    pdu = m_framing->Pdu(bytes);
    return ListenAfterReply(bytes);
}

bool CModbus::ClearLine(std::size_t replyLength) {
    port::IPort& port = m_device->Port();
    if (m_guardQuietMs != 0) {
        if (!AwaitQuietLine(port, m_guardQuietMs, &m_signsThenTap)) {
            return false;
        }
        m_guardQuietMs = 0;
    }
    // What the purge would drop came after the last reply (or the guard): no request of ours asked for
    // it. Seen, traced and counted; then the guard makes sure the rest of it is gone too.
    if (DropWaiting()) {
        GuardNextExchange(replyLength);
        if (!AwaitQuietLine(port, m_guardQuietMs, &m_signsThenTap)) {
            return false;
        }
        m_guardQuietMs = 0;
    }
    return true;
}

bool CModbus::DropWaiting() {
    port::IPort& port = m_device->Port();
    std::uint8_t dropped[256];
    const std::size_t waiting = std::min(port.Waiting(), sizeof dropped);
    if (waiting == 0) {
        return false;
    }
    std::size_t received = 0;
    // They are in the driver already: the limit only bounds a driver that miscounted.
    port.Read(dropped, waiting, received, platform::ReadTimeouts{0, 0, 1});
    Tap(traffic::Direction::FromSlave, traffic::Outcome::Late, {dropped, received});
    return true;
}

void CModbus::Interrupt() {
    m_device->Port().Interrupt();
}

bool CModbus::ListenAfterReply(std::span<const std::uint8_t> reply) {
    // A copy would carry this reply's number and be dropped as late before the next request.
    if (m_framing->NumbersReplies()) {
        return true;
    }
    port::IPort& port = m_device->Port();
    const platform::ReadTimeouts& limits = port.Timeouts();
    const auto listenMs = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(ReadAllowanceMs(limits, reply.size()), UINT32_MAX));
    std::array<std::uint8_t, kMaxFrameBytes> heard{};
    std::size_t received = 0;
    if (!port.Read(heard.data(), 1, received, platform::ReadTimeouts{0, 0, std::max(listenMs, 1u)})) {
        Tap(traffic::Direction::FromSlave, traffic::Outcome::PortFailure, {});
        m_portFailed = true;
        return false;
    }
    if (received == 0) {
        return true;
    }
    // Something is sending: take as much as the reply had, at the pace a reply keeps, to tell a copy.
    std::size_t rest = 0;
    const std::size_t more = std::min(reply.size(), heard.size()) - 1;
    const bool read =
        port.Read(heard.data() + 1, more, rest, platform::ReadTimeouts{limits.intervalMs, 0, listenMs});
    received += rest;
    Tap(traffic::Direction::FromSlave, traffic::Outcome::Late, {heard.data(), received});
    if (!read) {
        m_portFailed = true;
        return false;
    }
    if (std::ranges::equal(reply, std::span(heard.data(), received))) {
        ++m_copiedReplies;
    }
    GuardNextExchange(reply.size());
    return true;
}

bool CModbus::ReadReply(const ModbusRequest& request, std::size_t length, std::size_t& received) {
    port::IPort& port = m_device->Port();
    const platform::ReadTimeouts& limits = port.Timeouts();
    if (m_firstByteLimitMs != 0) {
        if (!port.Read(m_reply.data(), 1, received, platform::ReadTimeouts{0, 0, m_firstByteLimitMs})) {
            return false;
        }
        if (received == 0) {
            return true;
        }
    }
    const std::uint64_t allowanceMs = ReadAllowanceMs(limits, length);
    const auto start = std::chrono::steady_clock::now();
    // The head first, with the whole reply's total limit: it is all an exception reply has.
    const std::size_t head = std::min(length, m_framing->ExceptionLength());
    platform::ReadTimeouts part{limits.intervalMs, 0, static_cast<std::uint32_t>(allowanceMs)};
    std::size_t headRead = 0;
    if (!port.Read(m_reply.data() + received, head - received, headRead, part)) {
        return false;
    }
    received += headRead;
    if (received < head || head == length ||
        m_framing->IsExceptionReply(request, {m_reply.data(), received})) {
        return true;
    }
    if (allowanceMs != 0) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        // At least 1 ms: a limit of 0 would mean none at all.
        part.totalConstantMs = static_cast<std::uint32_t>(
            std::max<std::int64_t>(1, static_cast<std::int64_t>(allowanceMs) - elapsed));
    }
    std::size_t rest = 0;
    const bool ok = port.Read(m_reply.data() + head, length - head, rest, part);
    received += rest;
    return ok;
}

bool CModbus::AwaitEcho(std::span<const std::uint8_t> sent, std::size_t replyLength) {
    std::span<std::uint8_t> echo;
    const traffic::Outcome outcome = m_echo.Read(m_device->Port(), sent, echo);
    if (outcome == traffic::Outcome::Ok) {
        Tap(traffic::Direction::FromSlave, traffic::Outcome::AdapterEcho, echo, sent.size());
        return true;
    }
    Tap(traffic::Direction::FromSlave, outcome, echo, sent.size());
    if (outcome == traffic::Outcome::PortFailure) {
        m_portFailed = true;
        return false;
    }
    GuardNextExchange(replyLength);
    platform::SetLastError(outcome == traffic::Outcome::WrongEcho ? ERROR_CRC : ERROR_TIMEOUT);
    return false;
}

void CModbus::GuardNextExchange(std::size_t replyLength) {
    ++m_evidence;
    m_guardQuietMs = GuardQuietMs(m_device->Port().Timeouts(), replyLength);
}

bool CModbus::ReadRegisters(std::uint8_t address, int function, std::uint16_t firstRegister,
                            std::uint16_t count, std::uint16_t* destination) {
    if (static_cast<std::uint16_t>(count - 1) > kMaxReadCount - 1) {
        throw std::invalid_argument("numRegisters");
    }
    std::span<const std::uint8_t> pdu;
    if (!Exchange({address, static_cast<std::uint8_t>(function), firstRegister, count}, pdu)) {
        return false;
    }
    // Function code, byte count, then the values, high byte first.
    for (std::uint16_t k = 0; k < count; ++k) {
        destination[k] = static_cast<std::uint16_t>(pdu[2 + 2 * k] << 8 | pdu[3 + 2 * k]);
    }
    return true;
}

bool CModbus::WriteRegister(std::uint8_t address, std::uint16_t reg, std::uint16_t value) {
    std::span<const std::uint8_t> pdu;
    return Exchange({address, kWriteSingleRegister, reg, value}, pdu);
}

bool CModbus::WriteRegisters(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count,
                             const std::uint16_t* values) {
    // A series running past the last register would wrap around to register 0 and overwrite it.
    if (static_cast<std::uint16_t>(count - 1) > kMaxWriteCount - 1 ||
        std::uint32_t{firstRegister} + count > kRegisterSpace) {
        throw std::invalid_argument("numRegisters");
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        if (!WriteRegister(address, static_cast<std::uint16_t>(firstRegister + i), values[i])) {
            return false;
        }
    }
    return true;
}
