// scan: finds the controller when its line settings and address are unknown. Progress goes to standard
// error (a bar on a terminal, a line per line setting otherwise), what answered to standard output.
#include <fmt/format.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ControllerValues.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/NextSteps.h"
#include "cli/TraceOption.h"
#include "device/ControllerFacts.h"
#include "device/GatewayProbe.h"
#include "log/LogService.h"
#include "port/PortHint.h"
#include "res/Hints.h"
#include "res/Strings.h"
#include "scan/ScanEngine.h"

namespace {

using ValueTexts = std::vector<std::pair<const ControllerValue*, std::string>>;

constexpr std::chrono::milliseconds kBarRefresh{100};
constexpr int kBarWidth = 30;

class CProgressReporter : public IScanObserver {
public:
    // `bar`: redraw one line in place, for a terminal that nothing else writes to.
    CProgressReporter(CScanEngine& engine, bool bar) : m_engine(engine), m_terminal(bar) {}
    ~CProgressReporter() {
        if (m_terminal && m_drawn) {
            std::fputs("\r\033[K", stderr);
        }
    }

    void OnProbe(const ScanProgress& progress) override {
        if (Interrupted()) {
            m_engine.Cancel();
        }
        const unsigned percent = static_cast<unsigned>(progress.tried * 100 / progress.total);
        if (m_terminal) {
            DrawBar(progress, percent);
        } else if (!m_lastLine || *m_lastLine != progress.current.line) {
            PrintNote(fmt::format("scan: {}% {}", percent, DescribeLine(progress.current.line)));
        }
        m_lastLine = progress.current.line;
    }

private:
    void DrawBar(const ScanProgress& progress, unsigned percent) {
        const auto now = std::chrono::steady_clock::now();
        if (m_drawn && now - m_lastDraw < kBarRefresh) {
            return;
        }
        const int filled = static_cast<int>(percent) * kBarWidth / 100;
        std::fprintf(stderr, "\r[%s%s] %3u%%  %s\033[K",
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(), percent,
                     DescribeCandidate(progress.current).c_str());
        std::fflush(stderr);
        m_lastDraw = now;
        m_drawn = true;
    }

    CScanEngine& m_engine;
    const bool m_terminal;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_lastDraw;
    std::optional<LineSettings> m_lastLine;
};

ValueTexts SettingsTexts(const ScanCandidate& settings) {
    return {
        {FindControllerValue(kVarAddress), std::to_string(settings.address)},
        {FindControllerValue(kVarBaudRate), std::to_string(settings.line.baudRate)},
        {FindControllerValue(kVarCommMode),
         std::string(res::LoadString(CommModeTable.at(settings.line.modeIndex).m_nameId))},
    };
}

std::string FormatFoundLines(const FoundController& found) {
    std::string text = FormatLines(SettingsTexts(found.Working()));
    if (found.answered != found.Working()) {
        text += "answered at: " + DescribeCandidate(found.answered) + "\n";
    }
    if (found.HoldsOtherSettings()) {
        text += "stored: " + DescribeCandidate(*found.holds) + " (in effect after a restart)\n";
    }
    if (!found.holds) {
        text += "identified: no (its settings registers did not read as an ArdenoX controller's)\n";
    }
    if (found.fasterThanLine) {
        text +=
            "line: its replies came faster than this speed allows (a pseudo-terminal or a network "
            "gateway): the speed is the one the far end expects, not one seen on a wire\n";
    }
    return text;
}

// FormatJson's object without its line end, to nest or extend.
std::string JsonObject(const ScanCandidate& settings) {
    std::string object = FormatJson(SettingsTexts(settings));
    object.pop_back();
    return object;
}

std::string FormatFoundJson(const FoundController& found) {
    std::string json = JsonObject(found.Working());
    json.pop_back();  // the closing brace: keys follow
    if (found.answered != found.Working()) {
        json += ", \"answeredAt\": " + JsonObject(found.answered);
    }
    if (found.HoldsOtherSettings()) {
        json += ", \"stored\": " + JsonObject(*found.holds);
    }
    if (found.fasterThanLine) {
        json += ", \"fasterThanLine\": true";
    }
    json += found.holds ? ", \"identified\": true}\n" : ", \"identified\": false}\n";
    return json;
}

// What `scan` adds to the common options.
struct ScanArgs {
    ScanOptions engine;
    std::vector<unsigned> skipAddresses;  // controllers already known on the line
};

int RunScan(const CliOptions& options, const ScanArgs& args) {
    ScanOptions scanOptions = args.engine;
    // Outlives the engine, which reports to it.
    std::optional<traffic::Trace> trace;
    if (!StartTrace(options, trace)) {
        return kExitPortOpen;
    }
    if (trace) {
        scanOptions.tap = &trace->Observer();
    }
    scanOptions.openingStop = &InterruptedFlag();
    const bool json = options.json;
    // The line options, defaults or not, are the likeliest guess and go first.
    const ScanCandidate guess{{options.baudRate, options.modeIndex}, options.address};
    // A transparent bridge passes bytes at its own line settings: only the address can be searched.
    if (SearchesAddressesOnly(options.port)) {
        const std::string kind =
            options.framing ? GatewayKindText(*options.framing) : "a gateway without line settings";
        PrintNote(
            fmt::format("scan: {} is {}{}: searching addresses only, at {} (the gateway's serial side; "
                        "--baud and --mode name it)",
                        options.port, options.framing ? "a " : "", kind, DescribeLine(guess.line)));
    }
    scanOptions.framing = options.framing;
    CScanEngine engine(scanOptions);
    ScanResult result;
    {
        // A trace on the same terminal would break into the bar: plain lines then.
        const bool traceOnStderr = trace && options.traceFile.empty();
        CProgressReporter reporter(engine, ::isatty(STDERR_FILENO) != 0 && !traceOnStderr);
        result =
            engine.Run(options.port, LeaveOut(PlanScanOn(options.port, guess), args.skipAddresses), reporter);
    }
    if (result.framing && !options.framing && options.verbose) {
        PrintNote(fmt::format("{}: {} (found on connect)", options.port, GatewayKindText(*result.framing)));
    }
    // An interrupted scan with --all still tells what it had found.
    for (std::size_t i = 0; i < result.found.size(); ++i) {
        const std::string text = json ? FormatFoundJson(result.found[i]) : FormatFoundLines(result.found[i]);
        std::fputs((i > 0 && !json ? "\n" + text : text).c_str(), stdout);
    }
    switch (result.outcome) {
        case ScanResult::Found:
            if (!json) {
                const ScanCandidate& working = result.found.front().Working();
                PrintNote(ConnectWithText(working.line.baudRate, working.line.modeIndex, working.address));
            }
            if (const std::string damaged = DamagedRepliesText(result); !damaged.empty()) {
                PrintNote(damaged);
            }
            return kExitOk;
        case ScanResult::NothingAnswered:
            if (const std::string why = NoValidReplyText(result); !why.empty()) {
                PrintError(fmt::format("no valid reply on {} ({} probes)", options.port, result.tried));
                PrintNote(why);
                return kExitTimeout;
            }
            PrintError(fmt::format("nothing answered on {} ({} probes)", options.port, result.tried));
            PrintNote(res::NothingFoundHint());
            return kExitTimeout;
        case ScanResult::Cancelled:
            return kExitInterrupted;
        case ScanResult::PortFailed:
            CLogService::Instance().ReportErrorWithHint(
                result.tried == 0 ? res::IDS_OPEN_FAILED : res::IDS_DEVICE_ERROR, result.error,
                result.tried == 0 ? OpenFailureHint(options.port, result.error) : "", options.port);
            return result.tried == 0 ? kExitPortOpen : kExitPortFailure;
    }
    return kExitPortFailure;
}

}  // namespace

CommandRun AddScan(CLI::App& command) {
    auto args = std::make_shared<ScanArgs>();
    command.add_flag("--all", args->engine.everyController,
                     "go on through every line setting after the first controller that answers, and report "
                     "every one");
    command
        .add_option("--skip-address", args->skipAddresses,
                    "leave out a known controller's address (repeatable)")
        ->type_name("N")
        ->check(CLI::Range(1, 247));
    return [args](const CliOptions& options) { return RunScan(options, *args); };
}
