// commission: many factory-fresh controllers, one after another, on a bench. For each unit it waits
// for a controller at the line options' settings, finds the next address that nothing answers at on
// the target settings, writes address and target settings through the guarded write procedure, asks
// for the restart, and reads the unit back at its new settings. Every unit gets a row in the log.
// Detection is by polling: the bench runs unattended, no key presses needed.
#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <cstring>
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
#include "commission/UnitLog.h"
#include "device/CommTables.h"

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

bool Stopped() {
    return Interrupted() || CtrlCPresses() > 0;
}

// One commissioning run: the settings, the log and the unit in hand.
class CCommissioning {
public:
    CCommissioning(const CliOptions& options, const CommissionArgs& args)
        : m_options(options),
          m_args(args),
          m_factory{{options.baudRate, options.modeIndex}, options.address},
          m_target{args.baudRateOption->count() ? args.baudRate : options.baudRate,
                   args.modeOption->count() ? args.modeIndex : options.modeIndex},
          m_timeoutSeconds(options.timeoutSeconds.value_or(kDefaultTimeoutSeconds)),
          m_nextAddress(args.firstAddress) {}

    int Run() {
        for (unsigned unit = 1; unit <= m_args.count; ++unit) {
            m_record = UnitRecord{};
            m_record.unit = unit;
            if (const int exitCode = Commission(); exitCode != kExitOk) {
                return Stop(exitCode);
            }
            if (!Log()) {
                return kExitPortOpen;
            }
            ++m_nextAddress;
            if (unit < m_args.count) {
                Say(fmt::format("Unit {} done. Connect the next controller (it answers at {}).", unit,
                                DescribeCandidate(m_factory)));
            }
        }
        return kExitOk;
    }

private:
    int Commission() {
        Say(fmt::format("Unit {}: waiting for a controller at {}.", m_record.unit,
                        DescribeCandidate(m_factory)));
        std::optional<FoundController> found;
        if (const int exitCode = AwaitAnswer(m_factory, found); exitCode != kExitOk) {
            return exitCode;
        }
        m_inHand = true;
        m_record.time = IsoTimeNow();
        m_record.model = found->model;
        m_record.before = DescribeCandidate(m_factory);
        if (const int exitCode = ChooseFreeAddress(); exitCode != kExitOk) {
            return exitCode;
        }
        const ScanCandidate after{m_target, m_nextAddress};
        if (const int exitCode = Write(after); exitCode != kExitOk) {
            return exitCode;
        }
        m_record.after = DescribeCandidate(after);
        Say(
            fmt::format("Unit {}: settings saved; restart the controller now (power off and on): it then "
                        "answers at {}.",
                        m_record.unit, m_record.after));
        if (const int exitCode = AwaitAnswer(after, found); exitCode != kExitOk) {
            return exitCode;
        }
        return ReadBack(after);
    }

    // Polls until a controller answers at `at`.
    int AwaitAnswer(const ScanCandidate& at, std::optional<FoundController>& found) {
        for (;;) {
            if (Stopped()) {
                return kExitInterrupted;
            }
            const BusAnswer answer = AskBus(m_options.port, at);
            if (answer.portFailed) {
                ReportPortFailure(answer.error);
                return kExitPortOpen;
            }
            if (answer.found) {
                found = answer.found;
                return kExitOk;
            }
            std::this_thread::sleep_for(kPollPause);
        }
    }

    // Skips the addresses a controller already answers at on the target settings.
    int ChooseFreeAddress() {
        for (;; ++m_nextAddress) {
            if (m_nextAddress > kLastAddress || m_nextAddress == 0) {
                PrintError(fmt::format("no free address left at or after {}", unsigned{m_args.firstAddress}));
                return kExitRejected;
            }
            if (Stopped()) {
                return kExitInterrupted;
            }
            const ScanCandidate at{m_target, m_nextAddress};
            const BusAnswer answer = AskBus(m_options.port, at);
            if (answer.portFailed) {
                ReportPortFailure(answer.error);
                return kExitPortOpen;
            }
            if (!answer.found) {
                return kExitOk;
            }
            const std::string note = fmt::format("address {} taken: skipped", unsigned{m_nextAddress});
            Say(fmt::format("Unit {}: a controller already answers at {}; skipped.", m_record.unit,
                            DescribeCandidate(at)));
            m_record.note += m_record.note.empty() ? note : "; " + note;
        }
    }

    // The guarded write at the factory settings, after reading what the unit is.
    int Write(const ScanCandidate& after) {
        CliConnection connection;
        if (!connection.Open(m_options)) {
            return kExitPortOpen;
        }
        connection.Controller().RequireConfirmation();
        CArdeno& controller = connection.Controller();
        const int read = AwaitValues(connection, m_timeoutSeconds, [&]() -> std::string {
            std::pair<int, int> version;
            return controller.GetVersion(version) ? std::string() : "firmware version";
        });
        if (read != kExitOk) {
            return read;
        }
        std::pair<int, int> version;
        controller.GetVersion(version);
        m_record.firmware = static_cast<std::uint16_t>(version.first * 100 + version.second);
        const CommConfig config{after.line.baudRate, after.address,
                                CommModeTable.at(after.line.modeIndex).m_mode};
        CTerminalView view(m_options.json);
        return RunProcedure(connection, m_options, config, m_timeoutSeconds, view);
    }

    // Reads the unit at its new settings: verified when it holds them.
    int ReadBack(const ScanCandidate& after) {
        CliOptions there = m_options;
        there.baudRate = after.line.baudRate;
        there.modeIndex = after.line.modeIndex;
        there.address = after.address;
        CliConnection connection;
        if (!connection.Open(there)) {
            return kExitPortOpen;
        }
        CArdeno& controller = connection.Controller();
        unsigned char address = 0;
        unsigned long baudRate = 0;
        CArdeno::ECommModeSetting mode{};
        const int read = AwaitValues(connection, m_timeoutSeconds, [&]() -> std::string {
            const bool all = controller.GetAddress(address) && controller.GetBaudRate(baudRate) &&
                             controller.GetCommMode(mode);
            return all ? std::string() : "address, baud rate, mode";
        });
        if (read != kExitOk) {
            return read;
        }
        m_record.verified = address == after.address && baudRate == after.line.baudRate &&
                            mode == CommModeTable.at(after.line.modeIndex).m_mode;
        if (!m_record.verified) {
            Note("after its restart it holds other settings");
        }
        return kExitOk;
    }

    // The unit in hand is reported and logged; the run ends with exitCode.
    int Stop(int exitCode) {
        if (m_inHand) {
            Note(exitCode == kExitInterrupted ? "stopped before it was done" : "not done");
            Log();
        }
        PrintNote(fmt::format("commissioning stopped at unit {}{}", m_record.unit,
                              m_inHand ? fmt::format(" ({})", m_record.note) : " (none connected yet)"));
        return exitCode;
    }

    void Note(const std::string& note) { m_record.note += m_record.note.empty() ? note : "; " + note; }

    bool Log() {
        m_inHand = false;
        if (m_record.time.empty()) {
            m_record.time = IsoTimeNow();
        }
        if (m_options.json) {
            std::printf("%s\n", UnitJson(m_record).c_str());
            std::fflush(stdout);
        }
        if (!m_args.logPath.empty() && !AppendUnit(m_args.logPath, m_record)) {
            PrintError(
                fmt::format("{}: the log cannot be written: {}", m_args.logPath, std::strerror(errno)));
            return false;
        }
        return true;
    }

    // A prompt for the operator: standard error with --json, so that standard output stays JSON.
    void Say(const std::string& text) const {
        std::fprintf(m_options.json ? stderr : stdout, "%s\n", text.c_str());
        std::fflush(m_options.json ? stderr : stdout);
    }

    const CliOptions& m_options;
    const CommissionArgs& m_args;
    const ScanCandidate m_factory;
    const LineSettings m_target;
    const double m_timeoutSeconds;
    std::uint8_t m_nextAddress;
    UnitRecord m_record;
    bool m_inHand = false;
};

int RunCommission(const CliOptions& options, const CommissionArgs& args) {
    // Ctrl-C ends the run once the step in hand is safe to leave; during a write the first one warns.
    CountCtrlC();
    return CCommissioning(options, args).Run();
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
        const LineSettings target{args->baudRateOption->count() ? args->baudRate : options.baudRate,
                                  args->modeOption->count() ? args->modeIndex : options.modeIndex};
        if (target == LineSettings{options.baudRate, options.modeIndex} &&
            args->firstAddress <= options.address && options.address < args->firstAddress + args->count) {
            PrintError(
                fmt::format("address {} is where new units answer on these settings: choose a "
                            "--first-address past it, or --new-baud/--new-mode",
                            unsigned{options.address}));
            return static_cast<int>(kExitUsage);
        }
        return RunCommission(options, *args);
    };
}
