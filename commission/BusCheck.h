#pragma once
// Whether a controller answers at one line setting and address, asked the way a scan asks: a probe,
// asked again, and its settings registers read. Commissioning polls with it: a new unit at the factory
// settings, a controller already at an address, a unit back after its restart.
#include <optional>
#include <string>

#include "scan/ScanEngine.h"

struct BusAnswer {
    std::optional<FoundController> found;  // empty when nothing answered
    bool portFailed = false;
    std::uint32_t error = 0;  // the port's error when it failed
};

// Opens the port, asks and closes it again.
BusAnswer AskBus(const std::string& devicePath, const ScanCandidate& at);
