#pragma once
// The Modbus RTU master on one open serial port: single transactions and the sticky port-failure flag.
// Failures leave their reason in platform::GetLastError().
#include <cstdint>

class CComDevice;
class CModbusPacket;

class CModbus {
public:
    explicit CModbus(CComDevice* device) : m_device(device) {}
    virtual ~CModbus() = default;

    bool ReadRegisters(std::uint8_t address, int function, std::uint16_t firstRegister, std::uint16_t count,
                       std::uint16_t* destination);
    bool WriteRegister(std::uint8_t address, std::uint16_t reg, std::uint16_t value);
    bool WriteRegisters(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count,
                        const std::uint16_t* values);
    // Purges the port, sends the request, reads exactly reply.m_length bytes into reply.m_frame.
    bool Exchange(const CModbusPacket& request, CModbusPacket& reply);

    CComDevice* m_device;
    bool m_portFailed = false;
};
