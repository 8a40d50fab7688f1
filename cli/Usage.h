#pragma once
// What ardenox-cli says about its own command line beyond CLI11's words.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

// Every long option of `app` and of its commands, as "--name".
std::vector<std::string> KnownOptions(const CLI::App& app);

// The line options of `app` as a help section, for a command's help: they may follow the command word.
std::string LineOptionsHelp(const CLI::App& app);
