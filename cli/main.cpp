// ardenox-cli: reads and watches the ArdenoX controller's communication settings from a terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "platform/DebugOutput.h"

namespace {

void PrintUsage(std::FILE* stream) {
    std::string usage =
        "usage: ardenox-cli --port PATH [--baud 9600|19200|38400|57600] [--mode even1|odd1|none2|none1]\n"
        "                   [--address N] [--timeout S] [--json] [--verbose] [--trace] [--trace-file FILE]\n"
        "                   COMMAND\n"
        "\n"
        "  --port PATH     serial device of the controller's line (required)\n"
        "  --baud RATE     line speed (default 19200)\n"
        "  --mode MODE     parity and stop bits: even1 (default), odd1, none2, none1\n"
        "  --address N     the controller's Modbus address, 1 to 247 (default 16)\n"
        "  --timeout S     seconds to wait for a complete set of values (default 5)\n"
        "  --json          print JSON instead of 'name: value' lines\n"
        "  --verbose       also print the diagnostic output\n"
        "  --trace         print every frame on the line to standard error\n"
        "  --trace-file F  write every frame on the line to the file F instead\n"
        "\n"
        "commands:\n";
    for (const Command& command : Commands()) {
        usage += "  " + std::string(command.usage) + "\n";
    }
    usage +=
        "\n"
        "exit codes:\n"
        "  0 success           2 bad usage          3 port (or trace file) not opened or configured\n"
        "  4 port failure      5 values missing after --timeout\n"
        "  6 interrupted       7 request refused    8 written setting read back differently\n";
    std::fputs(usage.c_str(), stream);
}

const Command* FindCommand(const std::string& name) {
    for (const Command& command : Commands()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

// Operator messages go to standard error as they stand; diagnostics only when asked for.
void InstallOutputSinks(bool verbose) {
    platform::SetMessageBoxSink([](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        if (text.empty() || text.back() != '\n') {
            std::fputc('\n', stderr);
        }
        std::fflush(stderr);
    });
    if (!verbose) {
        platform::SetDebugOutputSink([](std::string_view) {});
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "ardenox-cli: %s\n", parsed.error.c_str());
        PrintUsage(stderr);
        return kExitUsage;
    }
    const CliOptions& options = *parsed.options;
    if (options.help) {
        PrintUsage(stdout);
        return kExitOk;
    }
    const Command* command = FindCommand(options.command);
    if (command == nullptr) {
        std::fprintf(stderr, "ardenox-cli: unknown command '%s'\n", options.command.c_str());
        PrintUsage(stderr);
        return kExitUsage;
    }
    InstallOutputSinks(options.verbose);
    InstallInterruptHandlers();
    return command->run(options);
}
