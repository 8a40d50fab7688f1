#pragma once
// Turns frames into the text a person reads: one decoder for the traffic window, the command line's
// trace and the stand-in's log, so that the lines of both sides of a line compare directly.
//
//   16 -> 03 read holding 34 baud (1)
//   16 <- 03 [192]
//   16 <- 83 exception 2: illegal data address
//
// "->" is always master to slave and "<-" slave to master, whichever side wrote the log. Each frame is
// decoded on its own: a read reply carries no register number, so it shows only the values.
#include <string>
#include <string_view>

#include "traffic/Frame.h"

namespace traffic {

// Address, direction, function code in hex, and what the frame asks or answers.
std::string Meaning(const Frame& frame);
// What became of the frame ("ok", "bad CRC", "short: 3 of 7 bytes", ...).
std::string OutcomeText(const Frame& frame);
// The bytes in hex, separated by spaces.
std::string HexBytes(const Frame& frame);
// True for every outcome but a request, a reply as sent, a valid reply and the adapter's own echo.
bool IsFailure(Outcome outcome);

// One line of a saved log or a trace, without the line end: seconds since `origin`, meaning, outcome,
// bytes.
std::string FormatLine(const Frame& frame, Clock::time_point origin);

}  // namespace traffic
