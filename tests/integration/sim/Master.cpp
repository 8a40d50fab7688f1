#include "tests/integration/sim/Master.h"

#include <cerrno>

namespace simtest {

Master::Master(const std::string& path, int slave, int responseTimeoutMs, int baudRate) {
    m_context = modbus_new_rtu(path.c_str(), baudRate, 'N', 8, 1);
    if (m_context == nullptr) {
        return;
    }
    modbus_set_slave(m_context, slave);
    modbus_set_response_timeout(m_context, 0, static_cast<std::uint32_t>(responseTimeoutMs) * 1000);
    m_connected = modbus_connect(m_context) == 0;
}

Master::~Master() {
    if (m_context != nullptr) {
        if (m_connected) {
            modbus_close(m_context);
        }
        modbus_free(m_context);
    }
}

std::optional<std::uint16_t> Master::ReadHolding(int reg) {
    std::uint16_t value = 0;
    if (modbus_read_registers(m_context, reg, 1, &value) != 1) {
        m_errno = errno;
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint16_t> Master::ReadInput(int reg) {
    std::uint16_t value = 0;
    if (modbus_read_input_registers(m_context, reg, 1, &value) != 1) {
        m_errno = errno;
        return std::nullopt;
    }
    return value;
}

bool Master::Write(int reg, std::uint16_t value) {
    if (modbus_write_register(m_context, reg, value) != 1) {
        m_errno = errno;
        return false;
    }
    return true;
}

}  // namespace simtest
