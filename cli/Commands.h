#pragma once
// The commands of ardenox-cli. Each lives in a file of its own and returns the process exit code; a
// new command is one file and one row of CommandTable.cpp.
#include <CLI/CLI.hpp>
#include <functional>
#include <span>
#include <string_view>

#include "cli/CliOptions.h"

// What a command runs once the whole command line is parsed.
using CommandRun = std::function<int(const CliOptions& options)>;

struct Command {
    std::string_view name;
    std::string_view description;  // the command's line in --help
    // Adds the command's own options to its subcommand and returns the run bound to their values.
    CommandRun (*add)(CLI::App& command);
};

int RunRead(const CliOptions& options);
int RunMonitor(const CliOptions& options);
CommandRun AddWrite(CLI::App& command);
CommandRun AddScan(CLI::App& command);
CommandRun AddCommission(CLI::App& command);

std::span<const Command> Commands();
