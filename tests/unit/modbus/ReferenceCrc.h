#pragma once
// An independent CRC-16 computed one bit at a time, the way the Modbus line definition states it.
#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t BitwiseCrc16Modbus(const Bytes& bytes) {
    std::uint16_t value = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        value ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) ? static_cast<std::uint16_t>((value >> 1) ^ 0xA001) : value >> 1;
        }
    }
    return value;
}
