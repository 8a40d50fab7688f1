#pragma once
// The time limits of one read under ReadTimeouts, shared by the serial line and the network port: a
// total limit from the start of the read, and an interval limit that every arriving byte restarts. The
// port's interrupt flag, set from another thread, ends the read at once.
#include <atomic>
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
    ReadDeadline(const ReadTimeouts& timeouts, std::size_t size, const std::atomic<bool>& interrupted,
                 std::uint32_t extraMs = 0);

    // Bytes arrived: the interval limit starts again.
    void BytesArrived();
    // How long the next wait may last: 0 when time is up or the read was interrupted. Never longer than
    // kInterruptCheckMs, so that an interrupt is seen that soon.
    int WaitMs() const;

    static constexpr int kInterruptCheckMs = 20;

private:
    using Clock = std::chrono::steady_clock;

    const std::atomic<bool>& m_interrupted;

    bool m_hasTotal;
    Clock::time_point m_total;
    bool m_hasInterval;
    std::chrono::milliseconds m_interval;
    std::optional<Clock::time_point> m_intervalEnd;
};

}  // namespace platform
