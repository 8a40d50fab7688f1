#pragma once
// Carries the worker's notifications to the main thread: the worker only posts, the main thread
// waits and does everything else.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

struct DeviceEvent {
    enum Kind { VarUpdated, DeviceError };
    Kind kind = VarUpdated;
    int id = 0;
    bool success = false;
    std::uint32_t errorCode = 0;  // why the port or a failed operation failed
};

class DeviceEventQueue {
public:
    void Post(const DeviceEvent& event) {
        {
            std::lock_guard guard(m_mutex);
            m_events.push_back(event);
        }
        m_posted.notify_one();
    }
    // The next event, or nothing when none came before the deadline.
    std::optional<DeviceEvent> WaitUntil(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock guard(m_mutex);
        if (!m_posted.wait_until(guard, deadline, [this] { return !m_events.empty(); })) {
            return std::nullopt;
        }
        DeviceEvent event = m_events.front();
        m_events.pop_front();
        return event;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<DeviceEvent> m_events;
};
