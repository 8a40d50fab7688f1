#include "cli/Commands.h"

#include <array>

std::span<const Command> Commands() {
    static const std::array kCommands{
        Command{"read", "read      print the controller's values once", RunRead},
        Command{"monitor",
                "monitor   print every change of a value or of the connection until SIGINT/SIGTERM",
                RunMonitor},
    };
    return kCommands;
}
