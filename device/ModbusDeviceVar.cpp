#include "device/ModbusDeviceVar.h"

#include "platform/Ticks.h"

void CModbusDeviceVar::AdvanceDue() {
    if (m_period == 0) {
        return;
    }
    const std::uint64_t now = platform::GetTickCount64();
    // Served on its due time counts as served in time: it moves on by one period. (Leaving it due
    // would read it again at once, as often as the clock still shows the same millisecond.)
    if (now < m_due) {
        return;
    }
    const std::uint64_t period = m_period;
    const std::uint64_t steps = (now - m_due + 3 * period / 2) / period;
    m_due += steps * period;
}
