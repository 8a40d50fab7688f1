#pragma once
// What ardenox-cli says about its own command line beyond CLI11's words.
#include <CLI/CLI.hpp>
#include <string>
#include <string_view>
#include <vector>

// Every long option of `app` and of its commands, as "--name".
std::vector<std::string> KnownOptions(const CLI::App& app);

// CLI11's own words for a command line it could not take, in the tool's: "unknown option '--frobnicate'",
// "unexpected words 'a', 'b'" (in the order given in `args`), "--timeout given 2 times: give it once",
// "--address needs a value (N)", "no command given: one of read, monitor, …" (`commands`). Any other text,
// the tool's own validators' included, stays as it is.
std::string ParserErrorText(std::string_view what, const std::vector<std::string>& args,
                            const std::vector<std::string>& commands);

// The line options of `app` as a help section, for a command's help: they may follow the command word.
std::string LineOptionsHelp(const CLI::App& app);
