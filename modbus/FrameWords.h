#pragma once
// What every framing's PDU shares: 16-bit fields high byte first, the exception flag on a function code.
#include <cstdint>

namespace frame_words {

inline constexpr std::uint8_t kExceptionFlag = 0x80;

inline void PutWord(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}

inline std::uint16_t GetWord(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

}  // namespace frame_words
