#include "device/ModbusDeviceVar.h"

#include "platform/Ticks.h"

void CModbusDeviceVar::AdvanceDue() {
    if (m_period == 0) {
        return;
    }
    const std::uint64_t now = platform::GetTickCount64();
    if (now <= m_due) {
        return;
    }
    const std::uint64_t period = m_period;
    const std::uint64_t steps = (now - m_due + 3 * period / 2) / period;
    m_due += steps * period;
}
