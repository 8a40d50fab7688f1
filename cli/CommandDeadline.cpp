#include "cli/CommandDeadline.h"

#include <algorithm>

CommandDeadline::CommandDeadline(double seconds)
    : m_seconds(seconds),
      m_at(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                  std::chrono::duration<double>(seconds))) {}

std::uint32_t CommandDeadline::RemainingMs() const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_at - std::chrono::steady_clock::now());
    return static_cast<std::uint32_t>(std::max<std::chrono::milliseconds::rep>(1, left.count()));
}
