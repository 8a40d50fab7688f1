#include "cli/CliOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "device/ControllerFacts.h"
#include "port/ComDevice.h"
#include "port/NetworkPort.h"

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

std::optional<std::uint32_t> ParseBaudRate(std::string_view text) {
    const auto value = ParseNumber<std::uint32_t>(text);
    if (!value || !IsOfferedBaudRate(*value)) {
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
    if (!value || !IsSlaveAddress(*value)) {
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

std::optional<traffic::Framing> ParseFraming(std::string_view text) {
    if (text == "mbap") {
        return traffic::Framing::Mbap;
    }
    if (text == "rtu") {
        return traffic::Framing::Rtu;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseReplyTimeout(std::string_view text) {
    const auto value = ParseNumber<std::uint32_t>(text);
    if (!value || *value < CComDevice::kMinReplyTimeoutMs || *value > CComDevice::kMaxReplyTimeoutMs) {
        return std::nullopt;
    }
    return value;
}

// An option of one value that `parse` turns into the target's type; what it refuses is reported with
// the option's name and `accepted`.
template <typename Value, typename Target>
CLI::Option* AddParsedOption(CLI::App& app, const std::string& name, Target& target,
                             std::optional<Value> (*parse)(std::string_view), const std::string& typeName,
                             const std::string& accepted, const std::string& help) {
    auto store = [&target, parse, name, accepted](const std::string& text) {
        const std::optional<Value> value = parse(text);
        if (!value) {
            throw CLI::ValidationError(name, "bad value '" + text + "': " + accepted);
        }
        target = *value;
    };
    return app.add_option_function<std::string>(name, store, help)->type_name(typeName);
}

}  // namespace

CLI::Option* AddBaudRateOption(CLI::App& app, const std::string& name, std::uint32_t& target,
                               const std::string& help) {
    return AddParsedOption(app, name, target, ParseBaudRate, "RATE", "one of 9600, 19200, 38400, 57600",
                           help);
}

CLI::Option* AddModeOption(CLI::App& app, const std::string& name, std::size_t& modeIndex,
                           const std::string& help) {
    return AddParsedOption(app, name, modeIndex, ParseModeName, "MODE", "one of even1, odd1, none2, none1",
                           help);
}

CLI::Option* AddAddressOption(CLI::App& app, const std::string& name, std::uint8_t& target,
                              const std::string& help) {
    return AddParsedOption(app, name, target, ParseAddress, "N", "an integer from 1 to 247", help);
}

CLI::Option* AddSecondsOption(CLI::App& app, const std::string& name, std::optional<double>& target,
                              const std::string& help) {
    return AddParsedOption(app, name, target, ParseSeconds, "S", "seconds, more than 0 and at most 3600",
                           help);
}

std::string_view ModeName(std::size_t modeIndex) {
    return kModeNames.at(modeIndex);
}

void AddGlobalOptions(CLI::App& app, CliOptions& options) {
    app.add_option("--port", options.port,
                   "serial device of the controller's line, or tcp://HOST:PORT, rfc2217://HOST:PORT")
        ->type_name("PATH")
        ->required()
        ->check([](const std::string& path) { return path.empty() ? "needs a device path" : ""; });
    AddBaudRateOption(app, "--baud", options.baudRate, "line speed: 9600, 19200 (default), 38400, 57600");
    AddModeOption(app, "--mode", options.modeIndex,
                  "parity and stop bits: even1 (default), odd1, none2, none1");
    AddAddressOption(app, "--address", options.address,
                     "the controller's Modbus address, 1 to 247 (default 16)");
    AddSecondsOption(app, "--timeout", options.timeoutSeconds,
                     "seconds a command may take: read waits 5 for a complete set of values, write 30 "
                     "for its procedure");
    app.add_flag("--json", options.json, "print JSON instead of 'name: value' lines");
    app.add_flag("--verbose", options.verbose, "also print the diagnostic output");
    app.add_flag("--trace", options.trace, "print every frame on the line to standard error");
    app.add_option("--trace-file", options.traceFile, "write every frame on the line to FILE instead")
        ->type_name("FILE");
    AddParsedOption(app, "--reply-timeout", options.replyTimeoutMs, ParseReplyTimeout, "MS",
                    "milliseconds from 10 to 10000",
                    "ms a reply may take beyond 10 ms a byte, for slow lines (default 50)");
    app.add_flag("--echo", options.echo,
                 "the adapter echoes what it sends: read past the echo from the start");
    app.add_flag("--rs485", options.rs485, "turn on the driver's RS-485 mode, RTS on while sending (Linux)");
    AddParsedOption(app, "--framing", options.framing, ParseFraming, "KIND", "mbap or rtu",
                    "through tcp://: mbap for a Modbus TCP gateway (port 502 unless given), rtu for a "
                    "transparent bridge (default: asked on connect)");
}

std::string SettleFraming(CliOptions& options) {
    if (options.framing != traffic::Framing::Mbap) {
        return {};
    }
    if (port::NetworkProtocolOf(options.port) != port::NetworkProtocol::Raw) {
        return "--framing mbap needs a Modbus TCP gateway's tcp://HOST[:PORT], not " + options.port;
    }
    options.port = port::WithModbusTcpPort(options.port);
    return {};
}
