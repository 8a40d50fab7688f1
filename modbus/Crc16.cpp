#include "modbus/Crc16.h"

#include <cstring>

namespace uilib::core {

const Crc16Params Crc16Modbus{
    {0x0000, 0xCC01, 0xD801, 0x1400, 0xF001, 0x3C00, 0x2800, 0xE401, 0xA001, 0x6C00, 0x7800, 0xB401, 0x5000,
     0x9C01, 0x8801, 0x4400},
    0x8005,
    true,
    0xFFFF,
    0x0000,
};

namespace {

std::uint16_t StepReflected(const Crc16Params& params, std::uint16_t value, unsigned nibble) {
    return static_cast<std::uint16_t>(params.table[(value ^ nibble) & 0x0F] ^ (value >> 4));
}

std::uint16_t StepNormal(const Crc16Params& params, std::uint16_t value, unsigned nibble) {
    return static_cast<std::uint16_t>(params.table[((value >> 12) ^ nibble) & 0x0F] ^ (value << 4));
}

}  // namespace

void CCrc16::Update(const void* data, int size, int count) {
    // Both factors are checked, not only their product: two negative values would otherwise read
    // memory the caller never meant to pass, and a large product would overflow.
    if (size <= 0 || count <= 0) {
        return;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const auto length = static_cast<std::size_t>(size) * static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned byte = bytes[i];
        if (m_params->reflected) {
            m_value = StepReflected(*m_params, m_value, byte);
            m_value = StepReflected(*m_params, m_value, byte >> 4);
        } else {
            m_value = StepNormal(*m_params, m_value, byte >> 4);
            m_value = StepNormal(*m_params, m_value, byte);
        }
    }
}

void CCrc16::GetHash(void* out) const {
    const std::uint16_t result = m_value ^ m_params->finalXor;
    std::memcpy(out, &result, sizeof result);
}

}  // namespace uilib::core
