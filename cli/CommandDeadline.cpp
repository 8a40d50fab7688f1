#include "cli/CommandDeadline.h"

#include <algorithm>

#include "modbus/LateReplyGuard.h"
#include "platform/ReadDeadline.h"
#include "port/ComDevice.h"

namespace {

// The allowance of a one-register reply (seven bytes) at a reply time.
double OneRegisterAllowanceMs(std::uint32_t replyTimeoutMs) {
    constexpr std::size_t kOneRegisterReply = 7;
    return static_cast<double>(ReadAllowanceMs(ReadTimeoutsFor(replyTimeoutMs), kOneRegisterReply));
}

}  // namespace

CommandDeadline::CommandDeadline(double seconds)
    : m_seconds(seconds),
      m_at(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                  std::chrono::duration<double>(seconds))) {}

std::uint32_t CommandDeadline::RemainingMs() const {
    return static_cast<std::uint32_t>(std::max(1, platform::RemainingMs(m_at)));
}

double TimeoutSeconds(const CliOptions& options, double defaultSeconds) {
    if (options.timeoutSeconds) {
        return *options.timeoutSeconds;
    }
    const std::uint32_t replyMs = options.replyTimeoutMs.value_or(CComDevice::kDefaultReplyTimeoutMs);
    return defaultSeconds * std::max(1.0, OneRegisterAllowanceMs(replyMs) /
                                              OneRegisterAllowanceMs(CComDevice::kDefaultReplyTimeoutMs));
}
