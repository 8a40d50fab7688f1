// write: new communication settings into the controller through the guarded write procedure (write,
// read back and compare, save, wait for the save's end), printing each step as it is reached. Settings
// not given keep the controller's current values, which are read first.
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/AwaitValues.h"
#include "cli/Commands.h"
#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/JsonLine.h"
#include "cli/Messages.h"
#include "cli/WriteResult.h"
#include "cli/WriteSteps.h"
#include "device/ControllerFacts.h"
#include "device/GatewayProbe.h"
#include "device/WriteProcedure.h"

namespace {

constexpr double kDefaultTimeoutSeconds = 30;

// The command's own options; at least one is given, the others keep the controller's values.
struct WriteArgs {
    std::uint8_t address = 0;
    std::uint32_t baudRate = 0;
    std::size_t modeIndex = 0;
    CLI::Option* addressOption = nullptr;
    CLI::Option* baudRateOption = nullptr;
    CLI::Option* modeOption = nullptr;

    bool AllGiven() const { return addressOption->count() && baudRateOption->count() && modeOption->count(); }
};

// The settings to write: those given, and the controller's current values for the rest.
int ChooseSettings(CliConnection& connection, const CommandDeadline& deadline, const WriteArgs& args,
                   CommConfig& config) {
    config = {args.baudRate, args.address, CommModeTable.at(args.modeIndex).m_mode};
    if (args.AllGiven()) {
        return kExitOk;
    }
    CArdeno& controller = connection.Controller();
    return AwaitValues(connection, deadline, [&]() -> std::string {
        unsigned char address = 0;
        unsigned long baudRate = 0;
        CArdeno::ECommModeSetting mode{};
        std::string missing;
        if (!args.addressOption->count() && !controller.GetAddress(address)) {
            missing += "address";
        }
        if (!args.baudRateOption->count() && !controller.GetBaudRate(baudRate)) {
            missing += missing.empty() ? "baud rate" : ", baud rate";
        }
        if (!args.modeOption->count() && !controller.GetCommMode(mode)) {
            missing += missing.empty() ? "mode" : ", mode";
        }
        if (missing.empty()) {
            config.m_address = args.addressOption->count() ? config.m_address : address;
            config.m_baudRate =
                args.baudRateOption->count() ? config.m_baudRate : static_cast<std::uint32_t>(baudRate);
            config.m_mode = args.modeOption->count() ? config.m_mode : mode;
        }
        return missing;
    });
}

int RunWrite(const CliOptions& options, const WriteArgs& args) {
    const double timeoutSeconds = TimeoutSeconds(options, kDefaultTimeoutSeconds);
    // Opening and reading the settings left out share one limit; the procedure gets its own (as long
    // again) after a read, the same one when there was nothing to read.
    const CommandDeadline first(timeoutSeconds);
    CliConnection connection;
    if (!connection.Open(options, &first)) {
        return OpenFailedExitCode();
    }
    // The settings kept are written back: only confirmed values may be.
    connection.Controller().RequireConfirmation();
    CommConfig config;
    if (const int exitCode = ChooseSettings(connection, first, args, config); exitCode != kExitOk) {
        return exitCode;
    }
    CTerminalView view(options.json);
    const int exitCode = RunProcedure(connection, options, config,
                                      args.AllGiven() ? first : CommandDeadline(timeoutSeconds), view);
    if (exitCode == kExitOk) {
        std::fputs(
            (options.json ? WriteResultJson(config, view.m_steps) : NextStepText(config) + "\n").c_str(),
            stdout);
        const CommModeEntry& mode = CommModeTable.at(options.modeIndex);
        if (!connection.SetsLineSettings() &&
            (config.m_baudRate != options.baudRate || config.m_mode != mode.m_mode)) {
            PrintNote(fmt::format(
                "{} is a {}: set its serial side to the new line settings too, or the controller is out "
                "of reach once it restarts with them",
                options.port, GatewayKindText(connection.Framing().value_or(traffic::Framing::Rtu))));
        }
    }
    return exitCode;
}

}  // namespace

CommandRun AddWrite(CLI::App& command) {
    auto args = std::make_shared<WriteArgs>();
    args->addressOption = AddAddressOption(command, "--new-address", args->address,
                                           "the new Modbus address, 1 to 247 (default: unchanged)");
    args->baudRateOption =
        AddBaudRateOption(command, "--new-baud", args->baudRate,
                          "the new line speed: 9600, 19200, 38400, 57600 (default: unchanged)");
    args->modeOption =
        AddModeOption(command, "--new-mode", args->modeIndex,
                      "the new parity and stop bits: even1, odd1, none2, none1 (default: unchanged)");
    command.parse_complete_callback([args] {
        if (!args->addressOption->count() && !args->baudRateOption->count() && !args->modeOption->count()) {
            throw CLI::RequiredError("one of --new-address, --new-baud, --new-mode");
        }
    });
    return [args](const CliOptions& options) { return RunWrite(options, *args); };
}
