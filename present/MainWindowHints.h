#pragma once
// The line the main window shows beside its status at a dead end, naming the next step.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/WriteProcedure.h"
#include "traffic/LineSigns.h"
#include "traffic/TraceHeader.h"

// Beside "Not connected" while no valid reply comes: what was tried and what the line's signs point to
// (silence: the wiring, or Find).
std::string NoAnswerWindowHint(std::uint32_t baudRate, std::string_view modeName, unsigned address,
                               const traffic::LineSignCounts& signs);

// Beside the status while whole replies arrive twice: what may copy them.
std::string CopiedRepliesWindowHint(unsigned address);

// After the port was lost during a write: the settings written but not saved (`writes`, as
// CWriteProcedure::UnsavedWrites names them) and what to do, the controller still answering at the
// connection's settings until its restart. Empty when the write left nothing unsaved.
std::string LostPortDuringWriteHint(const CommConfig& written, const std::vector<int>& writes,
                                    std::uint32_t baudRate, std::string_view modeName, unsigned address);

// Beside "Not connected" after a write whose saved settings differ from the connection's: the controller
// has probably restarted with `written` (SettingsPhrase), which Change offers.
std::string RestartedWithWrittenHint(const std::string& written);
// After the operator stopped a write: the settings written but not saved, if any, and where the
// controller answers until its next restart (`connection`: the port, line settings and address in use).
std::string StoppedWriteWindowHint(const CommConfig& written, const std::vector<int>& writes,
                                   const traffic::TraceSetting& connection);
