#pragma once
// The line thread's clock and its poll() time-outs.
#include <chrono>

namespace sim {

using Clock = std::chrono::steady_clock;

// Whole milliseconds until `when`, rounded up; 0 once it has passed.
inline int MillisecondsUntil(Clock::time_point when) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace sim
