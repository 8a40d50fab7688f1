#include "modbus/ModbusSlave.h"

#include "modbus/Modbus.h"

namespace {

constexpr int kReadHoldingRegisters = 3;
constexpr int kReadInputRegisters = 4;

}  // namespace

bool CModbusSlave::IsPortFailed() {
    return m_modbus->m_portFailed;
}

std::uint64_t CModbusSlave::LineEvidence() {
    return m_modbus != nullptr ? m_modbus->Evidence() : 0;
}

std::uint64_t CModbusSlave::CopiedReplies() {
    return m_modbus != nullptr ? m_modbus->CopiedReplies() : 0;
}

traffic::LineSignCounts CModbusSlave::LineSigns() {
    return m_modbus != nullptr ? m_modbus->LineSigns() : traffic::LineSignCounts{};
}

void CModbusSlave::Interrupt() {
    if (m_modbus != nullptr) {
        m_modbus->Interrupt();
    }
}

bool CModbusSlave::ReadInputRegisters(std::uint16_t firstRegister, std::uint16_t count,
                                      std::uint16_t* destination) {
    return m_modbus->ReadRegisters(m_address, kReadInputRegisters, firstRegister, count, destination);
}

bool CModbusSlave::ReadHoldingRegisters(std::uint16_t firstRegister, std::uint16_t count,
                                        std::uint16_t* destination) {
    return m_modbus->ReadRegisters(m_address, kReadHoldingRegisters, firstRegister, count, destination);
}

bool CModbusSlave::WriteRegister(std::uint16_t reg, std::uint16_t value) {
    return m_modbus->WriteRegister(m_address, reg, value);
}

bool CModbusSlave::WriteRegisters(std::uint16_t firstRegister, std::uint16_t count,
                                  const std::uint16_t* values) {
    return m_modbus->WriteRegisters(m_address, firstRegister, count, values);
}
