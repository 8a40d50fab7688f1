#include "cli/Commands.h"

#include <array>

std::span<const Command> Commands() {
    static const std::array kCommands{
        Command{"read", "read      print the controller's values once", RunRead},
        Command{"monitor",
                "monitor   print every change of a value or of the connection until SIGINT/SIGTERM",
                RunMonitor},
        Command{"write", "write     write, verify and save new settings (options after the command word)",
                RunWrite},
        Command{"scan", "scan      find the controller's line settings and address (--json, --all after it)",
                RunScan},
    };
    return kCommands;
}
