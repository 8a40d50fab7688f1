#pragma once
// What ardenox-cli tells the operator on standard error: every line starts with the program's name,
// and the last failure is kept for the JSON error object that --json adds at the end.
#include <cstdint>
#include <string>
#include <string_view>

#include "device/EventWait.h"

inline constexpr std::string_view kProgramName = "ardenox-cli";

// "ardenox-cli: text" on standard error; text is kept as the last failure.
void PrintError(std::string_view text);
// Keeps text as the last failure without printing it (it has been printed another way).
void RememberError(std::string_view text);
// "ardenox-cli: text" on standard error, for what is no failure (a warning).
void PrintNote(std::string_view text);
// The text of the last PrintError, empty when there was none.
std::string LastError();
// {"error": "...", "exitCode": N} on one line.
std::string ErrorJson(std::string_view error, int exitCode);
// A port failure, told the way the configuration window tells it.
void ReportPortFailure(std::uint32_t errorCode);
// A wait that the port's failure or a refusal ended: told, and the exit code for it.
int ReportWaitFailure(const EventWaitEnd& end);
