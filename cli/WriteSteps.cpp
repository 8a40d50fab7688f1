#include "cli/WriteSteps.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>

#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/Refusal.h"
#include "cli/WaitLoop.h"
#include "cli/WriteResult.h"

namespace {

constexpr std::chrono::milliseconds kInterruptCheck{100};

// Runs the procedure until it ends; the exit code.
int RunSteps(CliConnection& connection, CWriteProcedure& procedure, const CommandDeadline& limit,
             CTerminalView& view) {
    // Interrupting a write leaves the controller in an unknown state: the first Ctrl-C only warns, the
    // second one ends the command. A termination request (SIGTERM, SIGHUP) ends it at once.
    CountCtrlC();
    procedure.Start();

    const auto deadline = limit.At();
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
            PrintError(fmt::format("write did not finish within {:g} s (last step: {})", limit.Seconds(),
                                   procedure.GetStatusText()));
            return kExitTimeout;
        }
        const auto event = connection.Events().WaitUntil(std::min(deadline, now + kInterruptCheck));
        if (!event) {
            continue;
        }
        connection.TellCopiedReplies();
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

}  // namespace

int RunProcedure(CliConnection& connection, const CliOptions& options, const CommConfig& config,
                 const CommandDeadline& deadline, CTerminalView& view) {
    CWriteProcedure procedure(connection.Controller(), config, view);
    const int exitCode = RunSteps(connection, procedure, deadline, view);
    if (exitCode != kExitOk) {
        if (const std::string left = LeftUnsavedText(config, procedure.UnsavedWrites(), options);
            !left.empty()) {
            PrintNote(left);
        }
    }
    return exitCode;
}
