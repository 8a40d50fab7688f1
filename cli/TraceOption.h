#pragma once
// The trace that --trace (standard error) or --trace-file (a file) ask for, shared by the commands.
#include <optional>

#include "cli/CliOptions.h"
#include "traffic/Trace.h"

// Starts in `trace` the trace the options ask for, if any; false when the file cannot be created (the
// reason has been given).
bool StartTrace(const CliOptions& options, std::optional<traffic::Trace>& trace);
