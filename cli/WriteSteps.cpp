#include "cli/WriteSteps.h"

#include <fmt/format.h>

#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/NextSteps.h"
#include "cli/WriteResult.h"
#include "device/EventWait.h"
#include "device/Refusals.h"

namespace {

// Runs the procedure until it ends; the exit code.
int RunSteps(CliConnection& connection, CWriteProcedure& procedure, const CommandDeadline& limit,
             CTerminalView& view) {
    // Interrupting a write leaves the controller in an unknown state: the first Ctrl-C only warns, the
    // second one ends the command. A termination request (SIGTERM, SIGHUP) ends it at once.
    CountCtrlC();
    procedure.Start();

    CRefusals refusals(connection.Controller());
    WriteInterrupt interrupt;
    // A refusal that stays ends the write at that step: a refused save command is not sent again and
    // again. Busy is asked again by the device; failed exchanges are retried by the device and change
    // nothing in the procedure.
    const EventWaitEnd end = WaitForEvents(connection.Events(), limit.At(),
                                           {.done = [&] { return view.m_exitCode.has_value(); },
                                            .stop = [&] { return interrupt.Requested(); },
                                            .onEvent =
                                                [&](const DeviceEvent& event) {
                                                    connection.TellCopiedReplies();
                                                    if (event.success) {
                                                        procedure.OnVarUpdated(event.id);
                                                    }
                                                },
                                            .refusals = &refusals});
    switch (end.kind) {
        case EventWaitEnd::Done:
            return *view.m_exitCode;
        case EventWaitEnd::Stopped:
            PrintError(fmt::format("write interrupted (last step: {})", procedure.GetStatusText()));
            return kExitInterrupted;
        case EventWaitEnd::TimedOut:
            PrintError(fmt::format("write did not finish within {:g} s (last step: {})", limit.Seconds(),
                                   procedure.GetStatusText()));
            return kExitTimeout;
        case EventWaitEnd::PortFailed:
        case EventWaitEnd::Refused:
            return ReportWaitFailure(end);
    }
    return kExitPortFailure;
}

}  // namespace

int RunProcedure(CliConnection& connection, const CliOptions& options, const CommConfig& config,
                 const CommandDeadline& deadline, CTerminalView& view) {
    CWriteProcedure procedure(connection.Controller(), config, view);
    const int exitCode = RunSteps(connection, procedure, deadline, view);
    if (exitCode != kExitOk) {
        // Registers written and not saved name themselves; otherwise a stop may have come during the save.
        if (const std::string left = LeftUnsavedText(config, procedure.UnsavedWrites(), options);
            !left.empty()) {
            PrintNote(left);
        } else if (exitCode == kExitInterrupted || exitCode == kExitTimeout) {
            PrintNote(StoppedWriteNote(options));
        }
    }
    return exitCode;
}
