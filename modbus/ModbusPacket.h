#pragma once
// Modbus RTU frames. One object holds a frame in a fixed buffer together with what a valid frame must
// carry, so the same classes build requests and, filled by the serial exchange, check replies.
#include <cstdint>

#include "traffic/Frame.h"

class CModbusPacket {
public:
    virtual ~CModbusPacket() = default;
    // What is wrong with a reply of the full length: the CRC, the slave address, the function code,
    // and what the kind of reply checks besides; Outcome::Ok when nothing is.
    virtual traffic::Outcome Check() const;
    bool Validate() const { return Check() == traffic::Outcome::Ok; }
    // True when the first `received` bytes are a whole exception reply from the expected slave to the
    // expected function: address, function | 0x80, exception code, valid CRC.
    bool IsExceptionReply(int received) const;
    static constexpr int kExceptionReplyLength = 5;
    // Stores the CRC of the first m_length - 2 bytes in the last two, low byte first.
    void AppendCrc();

    std::uint8_t m_frame[256] = {};
    // Bytes to send, or the exact number of bytes a reply must have; includes the CRC.
    int m_length;
    std::uint8_t m_address;
    // Compared with frame byte 1 on its low 8 bits.
    int m_function;

protected:
    CModbusPacket(std::uint8_t address, int function, int length);
};

// Read Holding Registers (3) or Read Input Registers (4) request.
class CModbusRequestPacket : public CModbusPacket {
public:
    CModbusRequestPacket(std::uint8_t address, int function, std::uint16_t firstRegister,
                         std::uint16_t count);
};

// The reply to a read: receives count registers and checks the byte count as well.
class CModbusDataPacket : public CModbusPacket {
public:
    // Throws std::invalid_argument("numRegisters") unless 1 <= count <= 125, the counts whose reply fits
    // the frame buffer.
    CModbusDataPacket(std::uint8_t address, int function, std::uint16_t count);
    traffic::Outcome Check() const override;
};

// Write Single Register (6) request, and the echo that the slave must send back.
class CModbusWritePacket : public CModbusPacket {
public:
    CModbusWritePacket(std::uint8_t address, std::uint16_t reg, std::uint16_t value);
    traffic::Outcome Check() const override;

    std::uint16_t m_register;
    std::uint16_t m_value;
};
