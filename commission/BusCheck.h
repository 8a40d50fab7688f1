#pragma once
// Whether a controller answers at one line setting and address, asked the way a scan asks: a probe,
// asked again, and its settings registers read. Commissioning polls with it: a new unit at the factory
// settings, a controller already at an address, a unit back after its restart.
#include <optional>
#include <string>

#include "device/DeviceConnection.h"
#include "scan/ScanEngine.h"

struct BusAnswer {
    std::optional<FoundController> found;  // empty when nothing answered
    bool portFailed = false;
    std::uint32_t error = 0;  // the port's error when it failed
};

// Opens the recipe's port, asks and closes it again; the recipe's trace is told the frames, its
// opening stop ends the opening.
BusAnswer AskBus(const ConnectionRecipe& recipe, const ScanCandidate& at);
