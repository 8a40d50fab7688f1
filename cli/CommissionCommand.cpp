// commission: many factory-fresh controllers, one after another, on a bench (see Commissioning.h). New
// units answer at the line options' settings; the unit's steps run on the terminal's bench: the guarded
// write as `write` runs it, a row per unit in the log, Ctrl-C as the stop.
#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "cli/CommandDeadline.h"
#include "cli/Commands.h"
#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/NextSteps.h"
#include "cli/TraceOption.h"
#include "commission/Commissioning.h"
#include "commission/LineBench.h"
#include "commission/UnitLog.h"

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

// The bench on a terminal: the connection the line options describe, prompts and the write's steps on
// standard output (standard error with --json, which keeps standard output for the units), Ctrl-C as
// the stop, the log file (open, or none when not asked for).
class TerminalBench : public CLineBench {
public:
    TerminalBench(const CliOptions& options, traffic::IFrameObserver* trace, CUnitLog* log)
        : CLineBench(Recipe(options, trace), TimeoutSeconds(options, kDefaultTimeoutSeconds)),
          m_options(options),
          m_log(log) {}

    bool StopRequested() override { return Interrupted() || CtrlCPresses() > 0; }
    void Pause() override { std::this_thread::sleep_for(kPollPause); }
    void Prompt(const std::string& text) override { Say(text); }

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
    static ConnectionRecipe Recipe(const CliOptions& options, traffic::IFrameObserver* trace) {
        ConnectionRecipe recipe = RecipeFor(options);
        recipe.trace = trace;
        return recipe;
    }

    void OnWriteStep(const std::string& text) override { Say(text); }

    bool AbortWrite() override {
        if (!m_interrupt.Requested()) {
            return false;
        }
        if (m_interrupt.Insisted()) {
            PrintNote(StoppedWriteNote(m_options));
        }
        return true;
    }

    void Say(const std::string& text) const {
        std::FILE* stream = m_options.json ? stderr : stdout;
        std::fprintf(stream, "%s\n", text.c_str());
        std::fflush(stream);
    }

    const CliOptions& m_options;
    CUnitLog* const m_log;
    WriteInterrupt m_interrupt;
};

// The exit code of a step's failure.
int ExitCodeOf(StepCode code) {
    switch (code) {
        case kBenchOpenFailed:
            return kExitPortOpen;
        case kBenchPortFailed:
            return kExitPortFailure;
        case kBenchTimedOut:
            return kExitTimeout;
        case kBenchStopped:
            return kExitInterrupted;
        case kBenchRefused:
        case kNoFreeAddress:
            return kExitRejected;
        case kBenchMismatch:
            return kExitMismatch;
        default:
            return kExitPortOpen;
    }
}

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
    // Outlives the bench, whose connections report to it.
    std::optional<traffic::Trace> trace;
    if (!StartTrace(options, trace)) {
        return kExitPortOpen;
    }
    // Ctrl-C ends the run once the step in hand may be left; during a write the first one only warns.
    CountCtrlC();
    TerminalBench bench(options, trace ? &trace->Observer() : nullptr, args.logPath.empty() ? nullptr : &log);
    const CommissionEnd end = RunCommissioning(plan, bench);
    // The last word, however the run ended: with the units' prompts (on standard error with --json).
    std::fprintf(
        options.json ? stderr : stdout, "%s\n",
        CommissionSummary(end, args.logPath.empty()
                                   ? std::string()
                                   : std::filesystem::absolute(args.logPath).lexically_normal().string())
            .c_str());
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
    // A port that did not open has said why itself.
    if (end.code != kBenchOpenFailed) {
        PrintError(end.code == kNoFreeAddress ? end.note : bench.FailureText());
    }
    return ExitCodeOf(end.code);
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
        const PlanFault fault = CheckPlan(plan);
        if (fault == PlanFault::FactoryAddressInRange) {
            PrintError(
                fmt::format("address {} is where new units answer on these settings: choose a "
                            "--first-address past it, or --new-baud/--new-mode",
                            unsigned{options.address}));
            return static_cast<int>(kExitUsage);
        }
        if (fault == PlanFault::PastLastAddress) {
            PrintError(fmt::format(
                "--first-address {} with --count {} needs addresses up to {}, past the "
                "last one ({}): lower --first-address or --count",
                unsigned{plan.firstAddress}, plan.count, LastAddressNeeded(plan), unsigned{kLastAddress}));
            return static_cast<int>(kExitUsage);
        }
        return RunCommission(options, *args, plan);
    };
}
