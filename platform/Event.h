#pragma once
// An auto-reset event: Set wakes one waiter, or the next Wait if nobody waits; a wait that returns
// signalled resets it.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

inline constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFF;

class CEvent {
public:
    CEvent() = default;
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void Set();
    // Waits until the event is set or timeoutMs passes (kWaitInfinite: no limit). True when signalled.
    bool Wait(std::uint32_t timeoutMs);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

}  // namespace platform
