#pragma once
// The options every command shares, and the value options commands add for themselves. A refused value
// is a usage error that names the option.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "traffic/Frame.h"

struct CliOptions {
    std::string port;
    std::uint32_t baudRate = 19200;
    std::size_t modeIndex = 0;  // row of CommModeTable; even parity, one stop bit
    std::uint8_t address = 16;
    std::optional<double> timeoutSeconds;  // unset: the command's own default
    bool json = false;
    bool verbose = false;
    bool trace = false;                           // every frame to standard error
    std::string traceFile;                        // every frame to this file instead
    std::optional<std::uint32_t> replyTimeoutMs;  // unset: the connection's default
    bool echo = false;                        // the adapter echoes every request: read past it from the start
    bool rs485 = false;                       // the driver's RS-485 mode (Linux)
    std::optional<traffic::Framing> framing;  // unset: RTU, or found out on a tcp:// port
};

// After parsing: --framing mbap names a tcp:// port, and gets Modbus TCP's port 502 when the name gives
// none. An error text when the options disagree, otherwise empty.
std::string SettleFraming(CliOptions& options);

// The --mode token of a row of CommModeTable: "even1", "odd1", "none2", "none1".
std::string_view ModeName(std::size_t modeIndex);

// The options valid before (and after) the command word.
void AddGlobalOptions(CLI::App& app, CliOptions& options);

// One option taking a baud rate (9600, 19200, 38400, 57600), a mode name (even1, odd1, none2, none1),
// an address (1 to 247) or seconds (more than 0, at most 3600).
CLI::Option* AddBaudRateOption(CLI::App& app, const std::string& name, std::uint32_t& target,
                               const std::string& help);
CLI::Option* AddModeOption(CLI::App& app, const std::string& name, std::size_t& modeIndex,
                           const std::string& help);
CLI::Option* AddAddressOption(CLI::App& app, const std::string& name, std::uint8_t& target,
                              const std::string& help);
CLI::Option* AddSecondsOption(CLI::App& app, const std::string& name, std::optional<double>& target,
                              const std::string& help);
