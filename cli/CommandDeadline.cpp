#include "cli/CommandDeadline.h"

#include <algorithm>

#include "platform/ReadDeadline.h"
#include "serial/ComDevice.h"

namespace {

// What a one-register reply of seven bytes adds to the reply time at 10 ms a byte.
constexpr double kReplyBytesMs = 70;

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
    const double replyMs = options.replyTimeoutMs.value_or(CComDevice::kDefaultReplyTimeoutMs);
    return defaultSeconds *
           std::max(1.0, (replyMs + kReplyBytesMs) / (CComDevice::kDefaultReplyTimeoutMs + kReplyBytesMs));
}
