#include "sim/RtuFrame.h"

namespace sim {
namespace {

std::uint16_t Word(std::span<const std::uint8_t> frame, std::size_t at) {
    return frame.size() >= at + 2 ? static_cast<std::uint16_t>(frame[at] << 8 | frame[at + 1]) : 0;
}

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

void RewriteCrc(std::vector<std::uint8_t>& frame) {
    const std::size_t body = frame.size() - 2;
    const std::uint16_t crc = Crc16(std::span(frame).first(body));
    frame[body] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[body + 1] = static_cast<std::uint8_t>(crc >> 8);
}

std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2) {
        return std::nullopt;
    }
    switch (bytes[1]) {
        case 1:  // read coils, discrete inputs, holding and input registers; write one coil, one register
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
            return 8;
        case 15:  // write multiple coils or registers: address, function, start, count, byte count, data, CRC
        case 16:
            if (bytes.size() < 7) {
                return std::nullopt;
            }
            return 9 + std::size_t{bytes[6]};
        default:
            return 0;
    }
}

RequestRecord DescribeRequest(std::span<const std::uint8_t> frame) {
    RequestRecord record;
    record.function = frame.size() >= 2 ? frame[1] : 0;
    record.reg = Word(frame, 2);
    record.value = Word(frame, 4);
    return record;
}

}  // namespace sim
