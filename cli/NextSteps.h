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

// "ardenox-cli --port PORT --baud 19200 --mode even1 --address 16 read": the full command that reads the
// controller at the options' settings.
std::string ReadCommandText(const CliOptions& options);

// After a write that stopped early (a second Ctrl-C, a termination request, the time limit): what may be
// left, and the full command that reaches the controller where it answers until its next restart.
std::string StoppedWriteNote(const CliOptions& options);

// "nothing answered at 19200 baud, Even, 1 stop bit, address 16 on PORT. Check the controller's power and
// the port, … or find the settings with 'ardenox-cli --port PORT scan'."; when bytes did come
// back, "no valid reply at …" (or "damaged replies at …" when valid ones came too) and the next step
// the line's signs point to.
std::string NoAnswerNote(const CliOptions& options, const traffic::LineSignCounts& signs);

// Through a Modbus TCP gateway that answered exception 0x0B: the gateway's serial settings and the
// address to check (res::GatewayTargetFailedHint).
std::string GatewayTargetFailedNote(const CliOptions& options);
