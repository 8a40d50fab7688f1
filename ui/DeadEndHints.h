#pragma once
// The line the windows show beside their own texts at a dead end, naming the next step.
#include <QString>
#include <cstdint>
#include <vector>

#include "device/WriteProcedure.h"
#include "scan/ScanPlan.h"

// Under the status while nothing answers: what was tried and what to check.
QString NoAnswerWindowHint(std::uint32_t baudRate, const QString& modeText, unsigned address);

// Under the status while whole replies arrive twice: what may copy them.
QString CopiedRepliesWindowHint(unsigned address);

// After the port was lost during a write: the settings written but not saved (`writes`, as
// CWriteProcedure::UnsavedWrites names them) and what to do, the controller still answering at the
// connection's settings until its restart. Empty when the write left nothing unsaved.
QString LostPortDuringWriteHint(const CommConfig& written, const QString& writtenModeText,
                                const std::vector<int>& writes, std::uint32_t baudRate,
                                const QString& modeText, unsigned address);
