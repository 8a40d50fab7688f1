#pragma once
// The line the connection dialog shows beside its own texts after Find, naming the next step.
#include <QString>

#include "scan/ScanEngine.h"

// Under the connection dialog's buttons after Find: what it found, or that nothing answered and what to
// check first. Empty for a cancelled Find or a port that failed (its message box says why).
QString FindResultText(const ScanResult& result);
