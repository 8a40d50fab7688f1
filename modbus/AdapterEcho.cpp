#include "modbus/AdapterEcho.h"

#include <algorithm>

#include "log/LogService.h"
#include "modbus/LateReplyGuard.h"

namespace {

constexpr std::uint8_t kReadHoldingRegisters = 3;
constexpr std::uint8_t kReadInputRegisters = 4;
// Address, function and first register at least: too much for a garbled reply to match by chance.
constexpr std::size_t kLeastCompared = 5;

}  // namespace

bool CAdapterEcho::Recognise(std::span<const std::uint8_t> request, std::span<const std::uint8_t> received) {
    const bool readRequest =
        request.size() > 1 && (request[1] == kReadHoldingRegisters || request[1] == kReadInputRegisters);
    const std::size_t compared = std::min(request.size(), received.size());
    if (m_on || !readRequest || compared < kLeastCompared ||
        !std::equal(request.begin(), request.begin() + static_cast<std::ptrdiff_t>(compared),
                    received.begin())) {
        return false;
    }
    m_on = true;
    if (m_notice) {
        m_notice();
    } else {
        CLogService::Instance().Log("%s\n", false, kNoticeText);
    }
    return true;
}

traffic::Outcome CAdapterEcho::Read(port::IPort& port, std::span<const std::uint8_t> request,
                                    std::span<std::uint8_t>& echo) {
    const std::size_t length = std::min(request.size(), sizeof m_buffer);
    const platform::ReadTimeouts& limits = port.Timeouts();
    const platform::ReadTimeouts echoLimits{limits.intervalMs, 0,
                                            static_cast<std::uint32_t>(ReadAllowanceMs(limits, length))};
    std::size_t received = 0;
    const bool read = port.Read(m_buffer, length, received, echoLimits);
    echo = std::span<std::uint8_t>(m_buffer, received);
    if (!read) {
        return traffic::Outcome::PortFailure;
    }
    if (received != length) {
        return received == 0 ? traffic::Outcome::Timeout : traffic::Outcome::Short;
    }
    return std::equal(echo.begin(), echo.end(), request.begin()) ? traffic::Outcome::Ok
                                                                 : traffic::Outcome::WrongEcho;
}
