// ardenox-cli: reads and watches the ArdenoX controller's communication settings from a terminal.
#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "platform/DebugOutput.h"

namespace {

constexpr const char* kExitCodes =
    "exit codes:\n"
    "  0 success           2 bad usage          3 port not opened or configured\n"
    "  4 port failure      5 values missing after --timeout (scan: nothing answered)\n"
    "  6 interrupted       7 request refused    8 written setting read back differently\n";

// Operator messages go to standard error as they stand; diagnostics only when asked for. With
// --verbose every message already reaches standard error through the diagnostics (behind the thread
// id), so the message itself only ends the line that its diagnostic text may have left open.
void InstallOutputSinks(bool verbose) {
    static std::atomic<bool> lineOpen{false};
    const auto write = [](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
        lineOpen = !text.empty() && text.back() != '\n';
    };
    if (!verbose) {
        platform::SetDebugOutputSink([](std::string_view) {});
        platform::SetMessageBoxSink([write](std::string_view text) {
            write(text);
            if (lineOpen) {
                write("\n");
            }
        });
        return;
    }
    platform::SetDebugOutputSink(write);
    platform::SetMessageBoxSink([write](std::string_view) {
        if (lineOpen) {
            write("\n");
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Reads, watches and writes the ArdenoX controller's communication settings.", "ardenox-cli");
    app.get_formatter()->label("Usage", "usage");
    app.get_formatter()->column_width(28);
    app.footer(kExitCodes);
    app.require_subcommand(1);
    // Global options may also follow the command word; they keep their one meaning there.
    app.fallthrough();
    CliOptions options;
    AddGlobalOptions(app, options);
    std::vector<std::pair<const CLI::App*, CommandRun>> runs;
    for (const Command& command : Commands()) {
        CLI::App* subcommand =
            app.add_subcommand(std::string(command.name), std::string(command.description));
        runs.emplace_back(subcommand, command.add(*subcommand));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& success) {
        return app.exit(success);  // --help: the chosen command's help on standard output
    } catch (const CLI::ParseError& error) {
        // A word in the command's place that is no command says so, not only that one is missing.
        const std::vector<std::string> rest = app.remaining();
        const std::string why = app.get_subcommands().empty() && !rest.empty() && rest.front()[0] != '-'
                                    ? "unknown command '" + rest.front() + "'"
                                    : error.what();
        std::fprintf(stderr, "ardenox-cli: %s\n%s", why.c_str(), app.help().c_str());
        return kExitUsage;
    }
    InstallOutputSinks(options.verbose);
    InstallInterruptHandlers();
    for (const auto& [subcommand, run] : runs) {
        if (subcommand->parsed()) {
            return run(options);
        }
    }
    return kExitUsage;  // not reached: parsing requires one command
}
