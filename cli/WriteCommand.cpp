// write: new communication settings into the controller through the guarded write procedure (write,
// read back and compare, save, wait for the save's end), printing each step as it is reached.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Refusal.h"
#include "cli/WaitLoop.h"
#include "device/CommTables.h"
#include "device/WriteProcedure.h"
#include "res/Strings.h"

namespace {

constexpr double kDefaultTimeoutSeconds = 30;
constexpr std::chrono::milliseconds kInterruptCheck{100};

// The command's own options: all three new settings are required.
struct WriteArgs {
    std::uint8_t address = 0;
    std::uint32_t baudRate = 0;
    std::size_t modeIndex = 0;
};

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

int RunWrite(const CliOptions& options, const WriteArgs& args) {
    const double timeoutSeconds = options.timeoutSeconds.value_or(kDefaultTimeoutSeconds);
    const CommConfig config{args.baudRate, args.address, CommModeTable.at(args.modeIndex).m_mode};
    // Interrupting a write leaves the controller in an unknown state: the first Ctrl-C only warns, the
    // second one ends the command.
    CountCtrlC();
    CliConnection connection;
    if (!connection.Open(options)) {
        return kExitPortOpen;
    }
    CTerminalView view;
    // The connection listens from its opening on, so no notification of the writes can be missed.
    CWriteProcedure procedure(connection.Controller(), config, view);
    procedure.Start();

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(timeoutSeconds));
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
                         timeoutSeconds, procedure.GetStatusText().c_str());
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
        // A refusal ends the write at that step: a refused save command is not sent again and again.
        if (ReportRefusal(connection.Controller(), *event)) {
            return kExitRejected;
        }
        // Failed exchanges are retried by the device and change nothing in the procedure.
        if (event->success) {
            procedure.OnVarUpdated(event->id);
        }
    }
    return *view.m_exitCode;
}

}  // namespace

CommandRun AddWrite(CLI::App& command) {
    auto args = std::make_shared<WriteArgs>();
    AddAddressOption(command, "--new-address", args->address, "the new Modbus address, 1 to 247")->required();
    AddBaudRateOption(command, "--new-baud", args->baudRate, "the new line speed: 9600, 19200, 38400, 57600")
        ->required();
    AddModeOption(command, "--new-mode", args->modeIndex,
                  "the new parity and stop bits: even1, odd1, none2, none1")
        ->required();
    return [args](const CliOptions& options) { return RunWrite(options, *args); };
}
