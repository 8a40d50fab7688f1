#pragma once
// Installs a tick source the test moves by hand, and restores the previous one.
#include <atomic>
#include <cstdint>

#include "platform/LastError.h"
#include "platform/Ticks.h"

class DrivenClock {
public:
    explicit DrivenClock(std::uint64_t start) : m_now(start) {
        m_previous = platform::SetTickSource([this] {
            // Reading the time must not matter to a failure's reason; clobbering it proves that.
            if (m_clobberLastError) {
                platform::SetLastError(0);
            }
            return m_now.load();
        });
    }
    DrivenClock(const DrivenClock&) = delete;
    DrivenClock& operator=(const DrivenClock&) = delete;
    ~DrivenClock() { platform::SetTickSource(m_previous); }

    void Set(std::uint64_t now) { m_now = now; }
    void Advance(std::uint64_t ms) { m_now += ms; }
    void ClobberLastError(bool clobber) { m_clobberLastError = clobber; }

private:
    std::atomic<std::uint64_t> m_now;
    std::atomic<bool> m_clobberLastError{false};
    platform::TickSource m_previous;
};
