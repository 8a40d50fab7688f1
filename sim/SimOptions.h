#pragma once
// The command line of ardenox-sim.
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/ControllerSim.h"

namespace sim {

struct SimOptions {
    Config config;
    std::vector<ReplyFault> faults;
    std::vector<std::uint16_t> stickyRegisters;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> holdingValues;  // (register, value) at start
    bool stuckSaving = false;
    std::optional<std::chrono::milliseconds> hangUpAfter;
    std::string logPath;  // every frame read and written, decoded, goes to this file
    // Also served as Modbus TCP here (see TcpFront.h)
    std::string listenHost;
    std::optional<std::uint16_t> listenPort;
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    std::optional<SimOptions> options;  // empty when the command line is wrong
    std::string error;                  // why, naming the option
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace sim
