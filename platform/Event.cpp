#include "platform/Event.h"

#include <chrono>

namespace platform {

void CEvent::Set() {
    {
        std::lock_guard guard(m_mutex);
        m_signalled = true;
    }
    m_changed.notify_one();
}

bool CEvent::Wait(std::uint32_t timeoutMs) {
    std::unique_lock guard(m_mutex);
    const auto signalled = [this] { return m_signalled; };
    if (timeoutMs == kWaitInfinite) {
        m_changed.wait(guard, signalled);
    } else if (!m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), signalled)) {
        return false;
    }
    m_signalled = false;
    return true;
}

}  // namespace platform
