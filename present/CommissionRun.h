#pragma once
// What the commissioning dialog shows, with no toolkit: the prompt before a run, why a plan cannot
// start, what the log's failures mean for the operator, the prompt a run ends with, and the table's
// columns and rows. The run's own prompts come from RunCommissioning as they are reached.
#include <array>
#include <string>

#include "commission/Commissioning.h"
#include "device/WriteProcedure.h"

class CComDevice;

// Where new units answer: the settings and address of the connection the dialog was opened from.
ScanCandidate FactoryOf(const CComDevice& port);
// The settings the last unit done answers at, for the connection dialog to offer next.
CommConfig OfferedAfter(const ScanCandidate& lastDone);

inline constexpr const char* kCommissionIdlePrompt = "Choose the settings, then Start.";

// Why the plan cannot start and what to change; empty for PlanFault::None.
std::string PlanFaultText(PlanFault fault, const CommissionPlan& plan);
// The log named could not be opened (`failure` says why); nothing was touched.
std::string LogNotOpenedText(const std::string& failure);
// A unit's row could not be added to the log (`failure` says why); the run ends.
std::string LogNotKeptText(const std::string& failure);
// The prompt a run ends with; `failure` is the bench's reason for a failed step.
std::string RunEndText(const CommissionEnd& end, const std::string& failure);

inline constexpr std::size_t kUnitColumns = 7;
const std::array<const char*, kUnitColumns>& UnitTableHeaders();
std::array<std::string, kUnitColumns> UnitRowCells(const UnitRecord& record);
