#pragma once
// What ardenox-cli says after a successful write: the controller keeps its old settings until it
// restarts, so the operator learns the settings to connect with next.
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "device/WriteProcedure.h"

// "the controller uses 38400 baud, None, 2 stop bits, address 17 after its next restart; connect with
// --baud 38400 --mode none2 --address 17"
std::string NextStepText(const CommConfig& written);
// The settings written, the steps taken and the next step, as one JSON line.
std::string WriteResultJson(const CommConfig& written, const std::vector<std::string>& steps);
// After a write that stopped early: which registers hold new values that are not saved (writes is
// CWriteProcedure::UnsavedWrites), and the command that shows what the controller holds now. Empty when
// nothing was left.
std::string LeftUnsavedText(const CommConfig& written, const std::vector<int>& writes,
                            const CliOptions& options);
