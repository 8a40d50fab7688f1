#pragma once
// The options every command shares, and the parsers commands use for their own options.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CliOptions {
    std::string port;
    std::uint32_t baudRate = 19200;
    std::size_t modeIndex = 0;  // row of CommModeTable; even parity, one stop bit
    std::uint8_t address = 16;
    double timeoutSeconds = 5;
    bool json = false;
    bool verbose = false;
    bool trace = false;     // every frame to standard error
    std::string traceFile;  // every frame to this file instead
    bool help = false;
    std::string command;
    std::vector<std::string> commandArgs;  // what follows the command word
};

struct ParsedOptions {
    std::optional<CliOptions> options;
    std::string error;  // why options is empty
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);

// Option values: empty when the text is not an accepted value.
std::optional<std::uint32_t> ParseBaudRate(std::string_view text);
std::optional<std::size_t> ParseModeName(std::string_view text);  // even1, odd1, none2, none1
std::optional<std::uint8_t> ParseAddress(std::string_view text);  // 1 to 247
std::optional<double> ParseSeconds(std::string_view text);

// The mode's option name, by CommModeTable row.
std::string_view ModeName(std::size_t modeIndex);

// True when args[index] is the option "--name VALUE" or "--name=VALUE": value (or, when the value is
// missing, error) is filled in and index moves past the option.
bool MatchOption(const std::vector<std::string>& args, std::size_t& index, std::string_view name,
                 std::string& value, std::string& error);
