#pragma once
// What the Find dialog and the connection dialog show of a scan, with no toolkit: the bar and the
// settings being tried while it runs, and the line under the buttons once it has ended. The plan is the
// one `scan` makes for the same port (PlanScanOn): through a transparent bridge, addresses only.
#include <cstddef>
#include <optional>
#include <string>

#include "scan/ScanEngine.h"

struct FindProgress {
    std::size_t maximum = 0;
    std::size_t value = 0;
    std::string current;  // "Trying 19200 baud, Even, 1 stop bit, address 16"
};

FindProgress FindProgressOf(const ScanProgress& progress);

// What Find found, or that nothing answered and what to check first. Empty for a cancelled Find or a
// port that failed (its message box says why).
std::string FindResultText(const ScanResult& result);

// Tells the operator, in a message box, what an ended Find needs told (settings the controller holds but
// does not use yet, that nothing answered, why the port failed) and gives the settings it found, which the
// dialog shows and OK then takes.
std::optional<ScanCandidate> TakeFindResult(const ScanResult& result, const std::string& devicePath);
