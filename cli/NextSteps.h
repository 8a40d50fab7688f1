#pragma once
// The next step ardenox-cli names after a command: the options to connect with, or what to check when
// nothing answered.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/CliOptions.h"
#include "traffic/LineSigns.h"

// "connect with --baud 38400 --mode none2 --address 17"
std::string ConnectWithText(std::uint32_t baudRate, std::size_t modeIndex, unsigned address);

// "nothing answered at 19200 baud, Even, 1 stop bit, address 16 on PORT. Check the wiring (swap A and
// B), the termination, or find the settings with 'ardenox-cli --port PORT scan'."; when bytes did come
// back, "no valid reply at …" and the next step the line's signs point to.
std::string NoAnswerNote(const CliOptions& options, const traffic::LineSignCounts& signs);

// Through a Modbus TCP gateway that answered exception 0x0B: the gateway's serial settings and the
// address to check (res::GatewayTargetFailedHint).
std::string GatewayTargetFailedNote(const CliOptions& options);
