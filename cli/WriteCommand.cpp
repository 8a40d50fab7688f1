// write: new communication settings into the controller through the guarded write procedure (write,
// read back and compare, save, wait for the save's end), printing each step as it is reached.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/WaitLoop.h"
#include "device/CommTables.h"
#include "device/WriteProcedure.h"
#include "res/Strings.h"

namespace {

constexpr double kDefaultTimeoutSeconds = 30;
constexpr const char* kWriteUsage =
    "usage: ardenox-cli --port PATH [line options] write --new-address N --new-baud 9600|19200|38400|57600\n"
    "                   --new-mode even1|odd1|none2|none1 [--timeout S]   (S: seconds, default 30)\n";
constexpr std::chrono::milliseconds kInterruptCheck{100};

struct WriteArgs {
    CommConfig config;
    double timeoutSeconds = kDefaultTimeoutSeconds;
};

// Parses the command's own options; on failure `error` says why.
bool ParseWriteArgs(const std::vector<std::string>& args, WriteArgs& parsed, std::string& error) {
    bool haveAddress = false;
    bool haveBaud = false;
    bool haveMode = false;
    for (std::size_t i = 0; i < args.size() && error.empty();) {
        std::string value;
        if (MatchOption(args, i, "--new-address", value, error)) {
            const auto address = ParseAddress(value);
            haveAddress = address.has_value();
            parsed.config.m_address = address.value_or(0);
            if (!haveAddress && error.empty()) {
                error = "bad --new-address '" + value + "': an integer from 1 to 247";
            }
        } else if (MatchOption(args, i, "--new-baud", value, error)) {
            const auto baudRate = ParseBaudRate(value);
            haveBaud = baudRate.has_value();
            parsed.config.m_baudRate = baudRate.value_or(0);
            if (!haveBaud && error.empty()) {
                error = "bad --new-baud '" + value + "': one of 9600, 19200, 38400, 57600";
            }
        } else if (MatchOption(args, i, "--new-mode", value, error)) {
            const auto modeIndex = ParseModeName(value);
            haveMode = modeIndex.has_value();
            if (haveMode) {
                parsed.config.m_mode = CommModeTable.at(*modeIndex).m_mode;
            } else if (error.empty()) {
                error = "bad --new-mode '" + value + "': one of even1, odd1, none2, none1";
            }
        } else if (MatchOption(args, i, "--timeout", value, error)) {
            const auto seconds = ParseSeconds(value);
            parsed.timeoutSeconds = seconds.value_or(0);
            if (!seconds && error.empty()) {
                error = "bad --timeout '" + value + "': seconds, more than 0 and at most 3600";
            }
        } else if (error.empty()) {
            error = "write: unknown argument '" + args[i] + "'";
        }
    }
    if (error.empty() && !(haveAddress && haveBaud && haveMode)) {
        error = "write needs --new-address, --new-baud and --new-mode";
    }
    return error.empty();
}

// The procedure's view on a terminal: steps on standard output, failures on standard error.
class CTerminalView : public IWriteProcedureView {
public:
    void OnStatusText(const std::string& text) override {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }
    void OnDone() override { m_exitCode = kExitOk; }
    void OnVerificationFailed(const std::string& message) override {
        std::fprintf(stderr, "%s\n", message.c_str());
        m_exitCode = kExitMismatch;
    }
    void OnRejected(const std::string& message) override {
        std::fprintf(stderr, "%s\n", message.c_str());
        m_exitCode = kExitRejected;
    }

    // Set once the procedure has ended, one way or another.
    std::optional<int> m_exitCode;
};

}  // namespace

int RunWrite(const CliOptions& options) {
    WriteArgs args;
    if (std::string error; !ParseWriteArgs(options.commandArgs, args, error)) {
        std::fprintf(stderr, "ardenox-cli: %s\n%s", error.c_str(), kWriteUsage);
        return kExitUsage;
    }
    // Interrupting a write leaves the controller in an unknown state: the first Ctrl-C only warns, the
    // second one ends the command.
    CountCtrlC();
    CliConnection connection;
    if (!connection.Open(options)) {
        return kExitPortOpen;
    }
    CTerminalView view;
    // The connection listens from its opening on, so no notification of the writes can be missed.
    CWriteProcedure procedure(connection.Controller(), args.config, view);
    procedure.Start();

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(args.timeoutSeconds));
    int interruptsSeen = 0;
    while (!view.m_exitCode) {
        if (Interrupted()) {  // a termination request
            return kExitInterrupted;
        }
        if (const int interrupts = CtrlCPresses(); interrupts != interruptsSeen) {
            if (interruptsSeen == 0 && interrupts == 1) {
                std::fprintf(stderr, "%s\nPress Ctrl-C again to abort; otherwise the write goes on.\n",
                             std::string(res::LoadString(res::IDS_CANCEL_WARNING)).c_str());
                interruptsSeen = 1;
            } else {
                return kExitInterrupted;
            }
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            std::fprintf(stderr, "ardenox-cli: write did not finish within %g s (last step: %s)\n",
                         args.timeoutSeconds, procedure.GetStatusText().c_str());
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
        // Failed exchanges are retried by the device and change nothing in the procedure.
        if (event->success) {
            procedure.OnVarUpdated(event->id);
        }
    }
    return *view.m_exitCode;
}
