#pragma once
// One slave address on a Modbus transport: the register operations the device variables call.
// Virtual so that tests can substitute a scripted slave.
#include <cstdint>

#include "traffic/LineSigns.h"

class CModbus;

class CModbusSlave {
public:
    CModbusSlave(CModbus* modbus, std::uint8_t address) : m_modbus(modbus), m_address(address) {}
    virtual ~CModbusSlave() = default;

    virtual bool IsPortFailed();
    // The transport's evidence count (CModbus::Evidence); a slave without a line has none.
    virtual std::uint64_t LineEvidence();
    // Whole replies that came twice (CModbus::CopiedReplies); a slave without a line has none.
    virtual std::uint64_t CopiedReplies();
    // What the line did in each exchange (CModbus::LineSigns); a slave without a line saw nothing.
    virtual traffic::LineSignCounts LineSigns();
    // From another thread: ends the exchange under way at once (CModbus::Interrupt).
    virtual void Interrupt();
    virtual bool ReadInputRegisters(std::uint16_t firstRegister, std::uint16_t count,
                                    std::uint16_t* destination);
    virtual bool ReadHoldingRegisters(std::uint16_t firstRegister, std::uint16_t count,
                                      std::uint16_t* destination);
    virtual bool WriteRegister(std::uint16_t reg, std::uint16_t value);
    virtual bool WriteRegisters(std::uint16_t firstRegister, std::uint16_t count,
                                const std::uint16_t* values);

    CModbus* m_modbus;
    std::uint8_t m_address;
};
