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
#include "cli/Interrupt.h"
#include "cli/JsonLine.h"
#include "cli/Messages.h"
#include "cli/Refusal.h"
#include "cli/WaitLoop.h"
#include "cli/WriteResult.h"
#include "device/CommTables.h"
#include "device/WriteProcedure.h"

namespace {

constexpr double kDefaultTimeoutSeconds = 30;
constexpr std::chrono::milliseconds kInterruptCheck{100};

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

// The procedure's view on a terminal: steps on standard output (collected instead with --json),
// failures on standard error.
class CTerminalView : public IWriteProcedureView {
public:
    explicit CTerminalView(bool json) : m_json(json) {}

    void OnStatusText(const std::string& text) override {
        m_steps.push_back(text);
        if (!m_json) {
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        }
    }
    void OnDone() override { m_exitCode = kExitOk; }
    void OnVerificationFailed(const std::string& message) override {
        PrintError(message);
        m_exitCode = kExitMismatch;
    }
    void OnRejected(const std::string& message) override {
        PrintError(message);
        m_exitCode = kExitRejected;
    }

    // Set once the procedure has ended, one way or another.
    std::optional<int> m_exitCode;
    std::vector<std::string> m_steps;

private:
    bool m_json;
};

// The settings to write: those given, and the controller's current values for the rest.
int ChooseSettings(CliConnection& connection, double timeoutSeconds, const WriteArgs& args,
                   CommConfig& config) {
    config = {args.baudRate, args.address, CommModeTable.at(args.modeIndex).m_mode};
    if (args.AllGiven()) {
        return kExitOk;
    }
    CArdeno& controller = connection.Controller();
    return AwaitValues(connection, timeoutSeconds, [&]() -> std::string {
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

// Runs the procedure until it ends; the exit code.
int RunSteps(CliConnection& connection, CWriteProcedure& procedure, double timeoutSeconds,
             CTerminalView& view) {
    // Interrupting a write leaves the controller in an unknown state: the first Ctrl-C only warns, the
    // second one ends the command. A termination request (SIGTERM, SIGHUP) ends it at once.
    CountCtrlC();
    procedure.Start();

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(timeoutSeconds));
    CRefusals refusals(connection.Controller());
    int interruptsSeen = 0;
    while (!view.m_exitCode) {
        const int interrupts = CtrlCPresses();
        if (interrupts > 1) {
            PrintNote(InterruptedWriteText(connection.Options().port));
            return kExitInterrupted;
        }
        if (Interrupted()) {  // a termination request
            PrintError(fmt::format("write interrupted (last step: {})", procedure.GetStatusText()));
            return kExitInterrupted;
        }
        if (interrupts != interruptsSeen) {
            PrintNote(
                "Interrupting now leaves the controller's settings in an unknown state. Press Ctrl-C "
                "again to abort.");
            interruptsSeen = interrupts;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            PrintError(fmt::format("write did not finish within {:g} s (last step: {})", timeoutSeconds,
                                   procedure.GetStatusText()));
            return kExitTimeout;
        }
        const auto event = connection.Events().WaitUntil(std::min(deadline, now + kInterruptCheck));
        if (!event) {
            continue;
        }
        if (event->kind == DeviceEvent::DeviceError) {
            ReportPortFailure(event->errorCode);
            return kExitPortFailure;
        }
        // A refusal that stays ends the write at that step: a refused save command is not sent again
        // and again. Busy is asked again by the device.
        if (refusals.Report(*event)) {
            return kExitRejected;
        }
        // Failed exchanges are retried by the device and change nothing in the procedure.
        if (event->success) {
            procedure.OnVarUpdated(event->id);
        }
    }
    return *view.m_exitCode;
}

// Runs the procedure; a write that stops early says what it left in the controller.
int RunProcedure(CliConnection& connection, const CliOptions& options, const CommConfig& config,
                 double timeoutSeconds, CTerminalView& view) {
    CWriteProcedure procedure(connection.Controller(), config, view);
    const int exitCode = RunSteps(connection, procedure, timeoutSeconds, view);
    if (exitCode != kExitOk) {
        if (const std::string left = LeftUnsavedText(config, procedure.UnsavedWrites(), options);
            !left.empty()) {
            PrintNote(left);
        }
    }
    return exitCode;
}

int RunWrite(const CliOptions& options, const WriteArgs& args) {
    const double timeoutSeconds = options.timeoutSeconds.value_or(kDefaultTimeoutSeconds);
    CliConnection connection;
    if (!connection.Open(options)) {
        return kExitPortOpen;
    }
    // The settings kept are written back: only confirmed values may be.
    connection.Controller().RequireConfirmation();
    CommConfig config;
    if (const int exitCode = ChooseSettings(connection, timeoutSeconds, args, config); exitCode != kExitOk) {
        return exitCode;
    }
    CTerminalView view(options.json);
    const int exitCode = RunProcedure(connection, options, config, timeoutSeconds, view);
    if (exitCode == kExitOk) {
        std::fputs(
            (options.json ? WriteResultJson(config, view.m_steps) : NextStepText(config) + "\n").c_str(),
            stdout);
        const CommModeEntry& mode = CommModeTable.at(options.modeIndex);
        if (!connection.SetsLineSettings() &&
            (config.m_baudRate != options.baudRate || config.m_mode != mode.m_mode)) {
            PrintNote(fmt::format(
                "{} is a transparent bridge: set its serial side to the new line settings too, or the "
                "controller is out of reach once it restarts with them",
                options.port));
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
