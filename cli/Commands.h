#pragma once
// The commands of ardenox-cli. Each lives in a file of its own and returns the process exit code.
#include <span>
#include <string_view>

#include "cli/CliOptions.h"

using CommandFunction = int (*)(const CliOptions& options);

struct Command {
    std::string_view name;
    std::string_view usage;  // the command's line in --help
    CommandFunction run;
};

int RunRead(const CliOptions& options);
int RunMonitor(const CliOptions& options);
int RunWrite(const CliOptions& options);
int RunScan(const CliOptions& options);

std::span<const Command> Commands();
