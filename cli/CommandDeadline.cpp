#include "cli/CommandDeadline.h"

#include <algorithm>

#include "platform/ReadDeadline.h"

CommandDeadline::CommandDeadline(double seconds)
    : m_seconds(seconds),
      m_at(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                  std::chrono::duration<double>(seconds))) {}

std::uint32_t CommandDeadline::RemainingMs() const {
    return static_cast<std::uint32_t>(std::max(1, platform::RemainingMs(m_at)));
}
