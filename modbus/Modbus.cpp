#include "modbus/Modbus.h"

#include <cstddef>
#include <stdexcept>

#include "modbus/ModbusPacket.h"
#include "platform/LastError.h"
#include "serial/ComDevice.h"

namespace {

constexpr std::uint16_t kMaxReadCount = 125;
constexpr std::uint16_t kMaxWriteCount = 123;
constexpr std::uint32_t kRegisterSpace = 0x10000;

}  // namespace

bool CModbus::Exchange(const CModbusPacket& request, CModbusPacket& reply) {
    platform::SerialHandle& port = m_device->m_handle;
    // A late reply to an earlier request, or noise, must not be taken for this request's reply.
    port.Purge();
    std::size_t written = 0;
    if (!port.Write(request.m_frame, static_cast<std::size_t>(request.m_length), written)) {
        m_portFailed = true;
        return false;
    }
    std::size_t received = 0;
    if (!port.Read(reply.m_frame, static_cast<std::size_t>(reply.m_length), received)) {
        m_portFailed = true;
        return false;
    }
    if (received != static_cast<std::size_t>(reply.m_length)) {
        platform::SetLastError(ERROR_TIMEOUT);
        return false;
    }
    return true;
}

bool CModbus::ReadRegisters(std::uint8_t address, int function, std::uint16_t firstRegister,
                            std::uint16_t count, std::uint16_t* destination) {
    if (static_cast<std::uint16_t>(count - 1) > kMaxReadCount - 1) {
        throw std::invalid_argument("numRegisters");
    }
    CModbusRequestPacket request(address, function, firstRegister, count);
    request.AppendCrc();
    CModbusDataPacket reply(address, function, count);
    if (!Exchange(request, reply)) {
        return false;
    }
    if (!reply.Validate()) {
        platform::SetLastError(ERROR_CRC);
        return false;
    }
    for (std::uint16_t k = 0; k < count; ++k) {
        destination[k] = static_cast<std::uint16_t>(reply.m_frame[3 + 2 * k] << 8 | reply.m_frame[4 + 2 * k]);
    }
    return true;
}

bool CModbus::WriteRegister(std::uint8_t address, std::uint16_t reg, std::uint16_t value) {
    CModbusWritePacket request(address, reg, value);
    request.AppendCrc();
    CModbusWritePacket echo(address, reg, value);
    if (!Exchange(request, echo)) {
        return false;
    }
    if (!echo.Validate()) {
        platform::SetLastError(ERROR_CRC);
        return false;
    }
    return true;
}

bool CModbus::WriteRegisters(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count,
                             const std::uint16_t* values) {
    // A series running past the last register would wrap around to register 0 and overwrite it.
    if (static_cast<std::uint16_t>(count - 1) > kMaxWriteCount - 1 ||
        std::uint32_t{firstRegister} + count > kRegisterSpace) {
        throw std::invalid_argument("numRegisters");
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        if (!WriteRegister(address, static_cast<std::uint16_t>(firstRegister + i), values[i])) {
            return false;
        }
    }
    return true;
}
