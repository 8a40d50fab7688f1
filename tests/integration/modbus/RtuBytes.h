#pragma once
// Modbus RTU frames written out by hand for a test peer. The CRC is computed bit by bit here, apart
// from the tool's own table-driven one, so that each checks the other.
#include <cstdint>
#include <vector>

namespace rtu {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t Crc(const Bytes& bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

inline Bytes WithCrc(Bytes bytes) {
    const std::uint16_t crc = Crc(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

// A read reply carrying the given register values.
inline Bytes ReadReply(std::uint8_t address, std::uint8_t function,
                       const std::vector<std::uint16_t>& values) {
    Bytes bytes{address, function, static_cast<std::uint8_t>(2 * values.size())};
    for (const std::uint16_t value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    return WithCrc(bytes);
}

inline Bytes Request(std::uint8_t address, std::uint8_t function, std::uint16_t reg, std::uint16_t value) {
    return WithCrc({address, function, static_cast<std::uint8_t>(reg >> 8),
                    static_cast<std::uint8_t>(reg & 0xFF), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value & 0xFF)});
}

inline std::uint16_t RegisterOf(const Bytes& request) {
    return static_cast<std::uint16_t>(request[2] << 8 | request[3]);
}
inline std::uint16_t ValueOf(const Bytes& request) {
    return static_cast<std::uint16_t>(request[4] << 8 | request[5]);
}

}  // namespace rtu
