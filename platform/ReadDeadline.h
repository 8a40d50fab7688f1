#pragma once
// The time limits of one read under ReadTimeouts, shared by the serial line and the network port: a
// total limit from the start of the read, and an interval limit that every arriving byte restarts.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/SerialHandle.h"

namespace platform {

// Whole milliseconds until `deadline`, rounded up; 0 once it has passed.
int RemainingMs(std::chrono::steady_clock::time_point deadline);

class ReadDeadline {
public:
    // A read of `size` bytes starting now; `extraMs` widens both limits (a network's allowance).
    ReadDeadline(const ReadTimeouts& timeouts, std::size_t size, std::uint32_t extraMs = 0);

    // Bytes arrived: the interval limit starts again.
    void BytesArrived();
    // How long the next wait may last: -1 when no limit applies, 0 when time is up.
    int WaitMs() const;

private:
    using Clock = std::chrono::steady_clock;

    bool m_hasTotal;
    Clock::time_point m_total;
    bool m_hasInterval;
    std::chrono::milliseconds m_interval;
    std::optional<Clock::time_point> m_intervalEnd;
};

}  // namespace platform
