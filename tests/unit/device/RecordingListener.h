#pragma once
// Records the worker's notifications as text ("var 3 ok", "var 7 failed", "error 31") and lets a
// test wait for a condition on them.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/ModbusDevice.h"

class RecordingListener : public IModbusDeviceListener {
public:
    void OnDeviceError(std::uint32_t errorCode) override { Record("error " + std::to_string(errorCode)); }
    void OnVarUpdated(int id, bool success) override {
        Record("var " + std::to_string(id) + (success ? " ok" : " failed"));
    }

    std::vector<std::string> Events() {
        std::lock_guard guard(m_mutex);
        return m_events;
    }
    std::vector<std::string> TakeEvents() {
        std::lock_guard guard(m_mutex);
        return std::exchange(m_events, {});
    }
    // Waits until the events satisfy the condition or the limit passes; the limit only guards against
    // a hang, it is no speed requirement.
    bool WaitFor(const std::function<bool(const std::vector<std::string>&)>& condition,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock guard(m_mutex);
        return m_changed.wait_for(guard, limit, [&] { return condition(m_events); });
    }

private:
    void Record(std::string event) {
        {
            std::lock_guard guard(m_mutex);
            m_events.push_back(std::move(event));
        }
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
};
