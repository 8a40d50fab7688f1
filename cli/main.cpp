// ardenox-cli: reads and watches the ArdenoX controller's communication settings from a terminal.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/OptionSuggestion.h"
#include "cli/Usage.h"
#include "platform/DebugOutput.h"

namespace {

constexpr const char* kExitCodes =
    "exit codes:\n"
    "  0 success           2 bad usage          3 port not opened or configured,\n"
    "                                           or the --log or --trace-file not written\n"
    "  4 port failure      5 values missing after --timeout (scan: nothing answered)\n"
    "  6 interrupted       7 request refused    8 written setting read back differently\n";

// Operator messages go to standard error behind the program's name; diagnostics only when asked for.
// With --verbose every message already reaches standard error through the diagnostics (behind the
// thread id), so the message itself only ends the line that its diagnostic text may have left open.
void InstallOutputSinks(bool verbose) {
    static std::atomic<bool> lineOpen{false};
    const auto write = [](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
        lineOpen = !text.empty() && text.back() != '\n';
    };
    if (!verbose) {
        platform::SetDebugOutputSink([](std::string_view) {});
        platform::SetMessageBoxSink([](std::string_view text) { PrintError(text); });
        return;
    }
    platform::SetDebugOutputSink(write);
    platform::SetMessageBoxSink([write](std::string_view text) {
        RememberError(text);
        if (lineOpen) {
            write("\n");
        }
    });
}

// "--baud: bad value '1234': ... (see ardenox-cli --help)": the problem in one line, not the whole help.
std::string UsageError(const CLI::App& app, const CLI::ParseError& error,
                       const std::vector<std::string>& args) {
    // A word in the command's place that is no command says so, not only that one is missing; a
    // misspelt option names the one meant, whatever CLI11 made of it.
    const std::vector<std::string> rest = app.remaining();
    const auto chosen = app.get_subcommands();
    const std::optional<std::string> misspelt = MisspeltOption(args, KnownOptions(app));
    std::vector<std::string> commands;
    for (const Command& known : Commands()) {
        commands.emplace_back(known.name);
    }
    const std::string why = misspelt ? *misspelt
                            : chosen.empty() && !rest.empty() && rest.front()[0] != '-'
                                ? "unknown command '" + rest.front() + "'"
                                : ParserErrorText(error.what(), args, commands);
    const std::string command = chosen.empty() ? "" : chosen.front()->get_name() + " ";
    return fmt::format("{} (see {} {}--help)", why, kProgramName, command);
}

// With --json a failure also ends with {"error": ..., "exitCode": N} on standard output, so that a
// script reading standard output alone learns why.
std::string FailureText(int exitCode) {
    const std::string last = LastError();
    if (!last.empty()) {
        return last;
    }
    return exitCode == kExitInterrupted ? "interrupted" : "failed";
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Reads, watches and writes the ArdenoX controller's communication settings.", "ardenox-cli");
    app.get_formatter()->label("Usage", "usage");
    app.get_formatter()->column_width(28);
    app.footer(kExitCodes);
    app.set_version_flag("--version", "ardenox-cli " ARDENOX_VERSION, "print the version and exit");
    app.require_subcommand(1);
    // Global options may also follow the command word; they keep their one meaning there.
    app.fallthrough();
    CliOptions options;
    AddGlobalOptions(app, options);
    std::vector<std::pair<const CLI::App*, CommandRun>> runs;
    const std::string lineOptions = LineOptionsHelp(app);
    for (const Command& command : Commands()) {
        CLI::App* subcommand =
            app.add_subcommand(std::string(command.name), std::string(command.description));
        subcommand->footer(lineOptions);
        runs.emplace_back(subcommand, command.add(*subcommand));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& success) {
        return app.exit(success);  // --help: the chosen command's help on standard output
    } catch (const CLI::ParseError& error) {
        PrintError(UsageError(app, error, std::vector<std::string>(argv + 1, argv + argc)));
        // The flag may stand after the error, where the parser did not reach it.
        if (std::find(argv + 1, argv + argc, std::string_view("--json")) != argv + argc) {
            std::fputs(ErrorJson(LastError(), kExitUsage).c_str(), stdout);
        }
        return kExitUsage;
    }
    if (const std::string error = SettleFraming(options); !error.empty()) {
        PrintError(error);
        return kExitUsage;
    }
    InstallOutputSinks(options.verbose);
    InstallInterruptHandlers();
    for (const auto& [subcommand, run] : runs) {
        if (subcommand->parsed()) {
            const int exitCode = run(options);
            if (options.json && exitCode != kExitOk) {
                std::fputs(ErrorJson(FailureText(exitCode), exitCode).c_str(), stdout);
            }
            return exitCode;
        }
    }
    return kExitUsage;  // not reached: parsing requires one command
}
