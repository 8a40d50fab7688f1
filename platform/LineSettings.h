#pragma once
// The serial line's settings as the handle takes them: parity and stop-bit codes, and the read time-outs
// that end a read.
#include <cstdint>

namespace platform {

// Parity and stop-bit codes of the serial settings.
inline constexpr std::uint8_t kNoParity = 0;
inline constexpr std::uint8_t kOddParity = 1;
inline constexpr std::uint8_t kEvenParity = 2;
inline constexpr std::uint8_t kOneStopBit = 0;
inline constexpr std::uint8_t kTwoStopBits = 2;

// Read time-outs: a read of N bytes ends after totalConstantMs + totalPerByteMs * N in all, or when
// intervalMs pass after a byte without the next one. Zero turns the respective limit off.
struct ReadTimeouts {
    std::uint32_t intervalMs = 0;
    std::uint32_t totalPerByteMs = 0;
    std::uint32_t totalConstantMs = 0;
};

}  // namespace platform
