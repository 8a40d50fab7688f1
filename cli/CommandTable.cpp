#include "cli/Commands.h"

#include <array>

namespace {

// For the commands without options of their own.
template <int (*Run)(const CliOptions&)>
CommandRun NoOptions(CLI::App& /*command*/) {
    return Run;
}

}  // namespace

std::span<const Command> Commands() {
    static const std::array kCommands{
        Command{"read", "print the controller's values once", NoOptions<RunRead>},
        Command{"monitor", "print every change of a value or of the connection until SIGINT/SIGTERM",
                NoOptions<RunMonitor>},
        Command{"write", "write, verify and save new settings", AddWrite},
        Command{"scan", "find the controller's line settings and address", AddScan},
        Command{"commission", "give many new controllers, one after another, an address and settings",
                AddCommission},
    };
    return kCommands;
}
