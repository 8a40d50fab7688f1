// commission: many factory-fresh controllers, one after another, on a bench (see Commissioning.h). New
// units answer at the line options' settings; the unit's steps run on the terminal's bench: the guarded
// write as `write` runs it, a row per unit in the log, Ctrl-C as the stop.
#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "cli/AwaitValues.h"
#include "cli/Commands.h"
#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/WaitLoop.h"
#include "cli/WriteSteps.h"
#include "commission/BusCheck.h"
#include "commission/Commissioning.h"
#include "commission/UnitLog.h"
#include "device/ControllerFacts.h"

namespace {

constexpr double kDefaultTimeoutSeconds = 30;
constexpr std::chrono::milliseconds kPollPause{300};

struct CommissionArgs {
    std::uint8_t firstAddress = 1;
    unsigned count = 1;
    std::uint32_t baudRate = 0;
    std::size_t modeIndex = 0;
    std::string logPath;
    CLI::Option* baudRateOption = nullptr;
    CLI::Option* modeOption = nullptr;
};

// The bench on a terminal: the port of the line options, prompts on standard output (standard error
// with --json, which keeps standard output for the units), Ctrl-C as the stop, the log file (open, or
// none when not asked for).
class CTerminalBench : public ICommissionBench {
public:
    CTerminalBench(const CliOptions& options, CUnitLog* log)
        : m_options(options), m_log(log), m_timeoutSeconds(TimeoutSeconds(options, kDefaultTimeoutSeconds)) {}

    StepCode Ask(const ScanCandidate& at, bool& answers, std::optional<std::uint16_t>& model) override {
        const BusAnswer answer = AskBus(m_options.port, at);
        if (answer.portFailed) {
            ReportPortFailure(answer.error);
            return kExitPortOpen;
        }
        answers = answer.found.has_value();
        model = answers ? answer.found->model : std::nullopt;
        return kExitOk;
    }

    StepCode Write(const ScanCandidate& from, const ScanCandidate& to,
                   std::optional<std::uint16_t>& firmware) override {
        const CommandDeadline reading(m_timeoutSeconds);
        CliConnection connection;
        if (!connection.Open(At(from), &reading)) {
            return OpenFailedExitCode();
        }
        CArdeno& controller = connection.Controller();
        controller.RequireConfirmation();
        std::pair<int, int> version;
        const int read = AwaitValues(connection, reading, [&]() -> std::string {
            return controller.GetVersion(version) ? std::string() : "firmware version";
        });
        if (read != kExitOk) {
            return read;
        }
        firmware = static_cast<std::uint16_t>(version.first * 100 + version.second);
        const CommConfig config{to.line.baudRate, to.address, CommModeTable.at(to.line.modeIndex).m_mode};
        CTerminalView view(m_options.json);
        return RunProcedure(connection, At(from), config, CommandDeadline(m_timeoutSeconds), view);
    }

    StepCode ReadBack(const ScanCandidate& at, bool& holds) override {
        const CommandDeadline deadline(m_timeoutSeconds);
        CliConnection connection;
        if (!connection.Open(At(at), &deadline)) {
            return OpenFailedExitCode();
        }
        CArdeno& controller = connection.Controller();
        unsigned char address = 0;
        unsigned long baudRate = 0;
        CArdeno::ECommModeSetting mode{};
        const int read = AwaitValues(connection, deadline, [&]() -> std::string {
            const bool all = controller.GetAddress(address) && controller.GetBaudRate(baudRate) &&
                             controller.GetCommMode(mode);
            return all ? std::string() : "address, baud rate, mode";
        });
        holds = read == kExitOk && address == at.address && baudRate == at.line.baudRate &&
                mode == CommModeTable.at(at.line.modeIndex).m_mode;
        return read;
    }

    bool StopRequested() override { return Interrupted() || CtrlCPresses() > 0; }
    void Pause() override { std::this_thread::sleep_for(kPollPause); }

    void Prompt(const std::string& text) override {
        std::FILE* stream = m_options.json ? stderr : stdout;
        std::fprintf(stream, "%s\n", text.c_str());
        std::fflush(stream);
    }

    bool Record(const UnitRecord& record) override {
        if (m_options.json) {
            std::printf("%s\n", UnitJson(record).c_str());
            std::fflush(stdout);
        }
        if (m_log == nullptr || m_log->Append(record)) {
            return true;
        }
        // The unit is done: its row goes to standard output (already there with --json), so that it
        // is not lost with the log.
        if (!m_options.json) {
            std::printf("%s\n", UnitCsvRow(record).c_str());
            std::fflush(stdout);
        }
        PrintError(
            fmt::format("{}; unit {}'s row is on standard output: add it to the log by hand. "
                        "Free space or choose another --log file before the next run",
                        m_log->Failure(), record.unit));
        return false;
    }

private:
    // The line options with these settings.
    CliOptions At(const ScanCandidate& settings) const {
        CliOptions there = m_options;
        there.baudRate = settings.line.baudRate;
        there.modeIndex = settings.line.modeIndex;
        there.address = settings.address;
        return there;
    }

    const CliOptions& m_options;
    CUnitLog* const m_log;
    const double m_timeoutSeconds;
};

int RunCommission(const CliOptions& options, const CommissionArgs& args, const CommissionPlan& plan) {
    // The log is known to take rows before any unit is touched.
    CUnitLog log;
    if (!args.logPath.empty() && !log.Open(args.logPath)) {
        PrintError(
            fmt::format("{}; no controller was touched. Name a file in a writable folder with "
                        "--log (not a directory), or free space on its disk",
                        log.Failure()));
        return kExitPortOpen;
    }
    // Ctrl-C ends the run once the step in hand may be left; during a write the first one only warns.
    CountCtrlC();
    CTerminalBench bench(options, args.logPath.empty() ? nullptr : &log);
    const CommissionEnd end = RunCommissioning(plan, bench);
    if (end.kind == CommissionEnd::Done) {
        return kExitOk;
    }
    if (end.code == kRecordNotKept) {
        PrintNote(
            fmt::format("commissioning stopped after unit {}, before the next unit was touched", end.unit));
        return kExitPortOpen;
    }
    PrintNote(fmt::format("commissioning stopped at unit {}{}", end.unit,
                          end.inHand ? fmt::format(" ({})", end.note) : " (none connected yet)"));
    if (end.kind == CommissionEnd::Stopped) {
        return kExitInterrupted;
    }
    if (end.code == kNoFreeAddress) {
        PrintError(end.note);
        return kExitRejected;
    }
    return end.code == kExitOk ? kExitPortOpen : end.code;
}

}  // namespace

CommandRun AddCommission(CLI::App& command) {
    auto args = std::make_shared<CommissionArgs>();
    AddAddressOption(command, "--first-address", args->firstAddress,
                     "the address the first unit gets; each next one gets the next free address")
        ->required();
    command.add_option("--count", args->count, "how many units to commission (default 1)")
        ->check(CLI::Range(1u, 247u));
    args->baudRateOption = AddBaudRateOption(command, "--new-baud", args->baudRate,
                                             "the line speed the units get: 9600, 19200, 38400, 57600 "
                                             "(default: the one they answer at)");
    args->modeOption = AddModeOption(command, "--new-mode", args->modeIndex,
                                     "the parity and stop bits the units get: even1, odd1, none2, none1 "
                                     "(default: those they answer at)");
    command.add_option("--log", args->logPath, "append one CSV row per unit to this file");
    return [args](const CliOptions& options) {
        const CommissionPlan plan{{{options.baudRate, options.modeIndex}, options.address},
                                  {args->baudRateOption->count() ? args->baudRate : options.baudRate,
                                   args->modeOption->count() ? args->modeIndex : options.modeIndex},
                                  args->firstAddress,
                                  args->count};
        if (plan.target == plan.factory.line && args->firstAddress <= options.address &&
            options.address < args->firstAddress + args->count) {
            PrintError(
                fmt::format("address {} is where new units answer on these settings: choose a "
                            "--first-address past it, or --new-baud/--new-mode",
                            unsigned{options.address}));
            return static_cast<int>(kExitUsage);
        }
        if (const unsigned last = LastAddressNeeded(plan); last > kLastAddress) {
            PrintError(
                fmt::format("--first-address {} with --count {} needs addresses up to {}, past the "
                            "last one ({}): lower --first-address or --count",
                            unsigned{plan.firstAddress}, plan.count, last, unsigned{kLastAddress}));
            return static_cast<int>(kExitUsage);
        }
        return RunCommission(options, *args, plan);
    };
}
