#pragma once
// The few Modbus RTU framing facts the stand-in needs before libmodbus sees a frame, and after, when
// a fault rewrites a reply.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/ControllerSim.h"

namespace sim {

// CRC-16/MODBUS of the bytes (low byte first on the line).
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);
// Recomputes the CRC in the last two bytes of a frame of at least three bytes.
void RewriteCrc(std::vector<std::uint8_t>& frame);

// Total length of the request at the front of `bytes`: nullopt while too few bytes have arrived to tell;
// 0 for a function whose requests only the line's silence delimits.
std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> bytes);

// Function, first register and the following word of a request (zeros where the frame is too short).
RequestRecord DescribeRequest(std::span<const std::uint8_t> frame);

}  // namespace sim
