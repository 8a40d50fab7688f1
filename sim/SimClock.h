#pragma once
// The line thread's clock and its ppoll() time-outs.
#include <time.h>

#include <algorithm>
#include <chrono>

namespace sim {

using Clock = std::chrono::steady_clock;

// What is left until `when`, for ppoll(); zero once it has passed. Copies and latencies of a few
// milliseconds need finer steps than poll()'s.
inline timespec TimeUntil(Clock::time_point when) {
    const auto left = std::max(Clock::duration::zero(), when - Clock::now());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    return {static_cast<time_t>(seconds.count()),
            static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
}

}  // namespace sim
