#include "modbus/ModbusPacket.h"

#include <cstring>
#include <stdexcept>

#include "modbus/Crc16.h"

namespace {

constexpr int kFunctionWriteSingleRegister = 6;
constexpr std::uint16_t kMaxReadRegisters = 125;

std::uint16_t FrameCrc(const std::uint8_t* frame, int length) {
    uilib::core::CCrc16 crc(uilib::core::Crc16Modbus);
    crc.Update(frame, 1, length);
    std::uint16_t value = 0;
    crc.GetHash(&value);
    return value;
}

void PutWord(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}

std::uint16_t GetWord(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

}  // namespace

CModbusPacket::CModbusPacket(std::uint8_t address, int function, int length)
    : m_length(length), m_address(address), m_function(function) {
    m_frame[0] = address;
    m_frame[1] = static_cast<std::uint8_t>(function);
}

traffic::Outcome CModbusPacket::Check() const {
    const std::uint16_t received =
        static_cast<std::uint16_t>(m_frame[m_length - 2] | m_frame[m_length - 1] << 8);
    if (received != FrameCrc(m_frame, m_length - 2)) {
        return traffic::Outcome::BadCrc;
    }
    if (m_frame[0] != m_address) {
        return traffic::Outcome::WrongAddress;
    }
    if (m_frame[1] != static_cast<std::uint8_t>(m_function)) {
        return traffic::Outcome::WrongFunction;
    }
    return traffic::Outcome::Ok;
}

bool CModbusPacket::IsExceptionReply(int received) const {
    constexpr std::uint8_t kExceptionFlag = 0x80;
    return received == kExceptionReplyLength && m_frame[0] == m_address &&
           m_frame[1] == (static_cast<std::uint8_t>(m_function) | kExceptionFlag) &&
           FrameCrc(m_frame, kExceptionReplyLength - 2) == (m_frame[3] | m_frame[4] << 8);
}

void CModbusPacket::AppendCrc() {
    const std::uint16_t crc = FrameCrc(m_frame, m_length - 2);
    m_frame[m_length - 2] = static_cast<std::uint8_t>(crc & 0xFF);
    m_frame[m_length - 1] = static_cast<std::uint8_t>(crc >> 8);
}

CModbusRequestPacket::CModbusRequestPacket(std::uint8_t address, int function, std::uint16_t firstRegister,
                                           std::uint16_t count)
    : CModbusPacket(address, function, 8) {
    PutWord(&m_frame[2], firstRegister);
    PutWord(&m_frame[4], count);
}

CModbusDataPacket::CModbusDataPacket(std::uint8_t address, int function, std::uint16_t count)
    : CModbusPacket(address, function, (2 * count) % 256 + 5) {
    // A larger count would make the expected length run past the frame buffer.
    if (count == 0 || count > kMaxReadRegisters) {
        throw std::invalid_argument("numRegisters");
    }
}

traffic::Outcome CModbusDataPacket::Check() const {
    const traffic::Outcome frame = CModbusPacket::Check();
    if (frame != traffic::Outcome::Ok || m_frame[2] == static_cast<std::uint8_t>((m_length - 5) % 256)) {
        return frame;
    }
    return traffic::Outcome::WrongCount;
}

CModbusWritePacket::CModbusWritePacket(std::uint8_t address, std::uint16_t reg, std::uint16_t value)
    : CModbusPacket(address, kFunctionWriteSingleRegister, 8), m_register(reg), m_value(value) {
    PutWord(&m_frame[2], reg);
    PutWord(&m_frame[4], value);
}

traffic::Outcome CModbusWritePacket::Check() const {
    const traffic::Outcome frame = CModbusPacket::Check();
    if (frame != traffic::Outcome::Ok ||
        (GetWord(&m_frame[2]) == m_register && GetWord(&m_frame[4]) == m_value)) {
        return frame;
    }
    return traffic::Outcome::WrongEcho;
}
