#include "platform/ReadDeadline.h"

#include <algorithm>

namespace platform {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<Milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

ReadDeadline::ReadDeadline(const ReadTimeouts& timeouts, std::size_t size,
                           const std::atomic<bool>& interrupted, std::uint32_t extraMs)
    : m_interrupted(interrupted),
      m_hasTotal(timeouts.totalConstantMs != 0 || timeouts.totalPerByteMs != 0),
      m_total(Clock::now() + Milliseconds(timeouts.totalConstantMs + extraMs +
                                          std::uint64_t{timeouts.totalPerByteMs} * size)),
      m_hasInterval(timeouts.intervalMs != 0),
      m_interval(timeouts.intervalMs + extraMs) {}

void ReadDeadline::BytesArrived() {
    if (m_hasInterval) {
        m_intervalEnd = Clock::now() + m_interval;
    }
}

int ReadDeadline::WaitMs() const {
    if (m_interrupted) {
        return 0;
    }
    if (!m_hasTotal && !m_intervalEnd) {
        return kInterruptCheckMs;
    }
    auto deadline = m_hasTotal ? m_total : *m_intervalEnd;
    if (m_intervalEnd && *m_intervalEnd < deadline) {
        deadline = *m_intervalEnd;
    }
    return std::min(RemainingMs(deadline), kInterruptCheckMs);
}

}  // namespace platform
