#include "cli/CliOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "device/CommTables.h"

namespace {

constexpr std::array<std::string_view, 4> kModeNames{"even1", "odd1", "none2", "none1"};
constexpr double kMaxTimeoutSeconds = 3600;

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::uint32_t> ParseBaudRate(std::string_view text) {
    const auto value = ParseNumber<std::uint32_t>(text);
    if (!value || std::find(BaudRateTable.begin(), BaudRateTable.end(), *value) == BaudRateTable.end()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::size_t> ParseModeName(std::string_view text) {
    const auto* found = std::find(kModeNames.begin(), kModeNames.end(), text);
    if (found == kModeNames.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - kModeNames.begin());
}

std::optional<std::uint8_t> ParseAddress(std::string_view text) {
    const auto value = ParseNumber<unsigned>(text);
    if (!value || *value < 1 || *value > 247) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*value);
}

std::optional<double> ParseSeconds(std::string_view text) {
    const auto value = ParseNumber<double>(text);
    if (!value || !std::isfinite(*value) || *value <= 0 || *value > kMaxTimeoutSeconds) {
        return std::nullopt;
    }
    return value;
}

std::string_view ModeName(std::size_t modeIndex) {
    return kModeNames.at(modeIndex);
}

bool MatchOption(const std::vector<std::string>& args, std::size_t& index, std::string_view name,
                 std::string& value, std::string& error) {
    const std::string& arg = args[index];
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        ++index;
        return true;
    }
    if (arg != name) {
        return false;
    }
    if (index + 1 >= args.size()) {
        error = std::string(name) + " needs a value";
        ++index;
        return true;
    }
    value = args[index + 1];
    index += 2;
    return true;
}

namespace {

// Applies an option's value; returns why it is refused, or nothing.
using ApplyValue = std::string (*)(const std::string& value, CliOptions& options);

struct ValueOption {
    std::string_view name;
    ApplyValue apply;
};

const ValueOption kValueOptions[] = {
    {"--port",
     [](const std::string& value, CliOptions& options) -> std::string {
         options.port = value;
         return value.empty() ? "--port needs a device path" : "";
     }},
    {"--baud",
     [](const std::string& value, CliOptions& options) -> std::string {
         const auto baud = ParseBaudRate(value);
         options.baudRate = baud.value_or(0);
         return baud ? "" : "bad --baud '" + value + "': one of 9600, 19200, 38400, 57600";
     }},
    {"--mode",
     [](const std::string& value, CliOptions& options) -> std::string {
         const auto mode = ParseModeName(value);
         options.modeIndex = mode.value_or(0);
         return mode ? "" : "bad --mode '" + value + "': one of even1, odd1, none2, none1";
     }},
    {"--address",
     [](const std::string& value, CliOptions& options) -> std::string {
         const auto address = ParseAddress(value);
         options.address = address.value_or(0);
         return address ? "" : "bad --address '" + value + "': an integer from 1 to 247";
     }},
    {"--timeout",
     [](const std::string& value, CliOptions& options) -> std::string {
         const auto seconds = ParseSeconds(value);
         options.timeoutSeconds = seconds.value_or(0);
         return seconds ? "" : "bad --timeout '" + value + "': seconds, more than 0 and at most 3600";
     }},
    {"--trace-file",
     [](const std::string& value, CliOptions& options) -> std::string {
         options.traceFile = value;
         return value.empty() ? "--trace-file needs a file name" : "";
     }},
};

// Handles args[index] if it is a value option; returns whether it was one.
bool TakeValueOption(const std::vector<std::string>& args, std::size_t& index, CliOptions& options,
                     std::string& error) {
    for (const ValueOption& option : kValueOptions) {
        std::string value;
        if (MatchOption(args, index, option.name, value, error)) {
            if (error.empty()) {
                error = option.apply(value, options);
            }
            return true;
        }
    }
    return false;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    CliOptions options;
    std::string error;
    std::size_t i = 0;
    while (i < args.size() && options.command.empty()) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            options.json = true;
            ++i;
        } else if (arg == "--verbose") {
            options.verbose = true;
            ++i;
        } else if (arg == "--trace") {
            options.trace = true;
            ++i;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
            ++i;
        } else if (TakeValueOption(args, i, options, error)) {
            if (!error.empty()) {
                return {std::nullopt, error};
            }
        } else if (arg.rfind('-', 0) == 0) {
            return {std::nullopt, "unknown option '" + arg + "'"};
        } else {
            options.command = arg;
            ++i;
        }
    }
    options.commandArgs.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    if (options.help) {
        return {options, {}};
    }
    if (options.command.empty()) {
        return {std::nullopt, "no command given"};
    }
    if (options.port.empty()) {
        return {std::nullopt, "--port is required"};
    }
    return {options, {}};
}
