#include "cli/AwaitValues.h"

#include <fmt/format.h>

#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/Messages.h"
#include "cli/NextSteps.h"
#include "cli/Refusal.h"
#include "cli/WaitLoop.h"
#include "platform/AppErrors.h"

int AwaitValues(CliConnection& connection, const CommandDeadline& deadline,
                const std::function<std::string()>& missing) {
    bool answered = false;  // nothing at all means the line or the settings, not a missing register
    CRefusals refusals(connection.Controller());
    for (;;) {
        const std::string lacking = missing();
        if (lacking.empty()) {
            return kExitOk;
        }
        DeviceEvent event;
        switch (WaitForEvent(connection.Events(), deadline.At(), event)) {
            case WaitResult::Interrupted:
                return kExitInterrupted;
            case WaitResult::TimedOut: {
                const std::string unknown = refusals.UnknownValues();
                PrintError(fmt::format("no value within {:g} s for: {}{}", deadline.Seconds(), lacking,
                                       unknown.empty() ? "" : " (" + unknown + ")"));
                if (!answered) {
                    PrintNote(NoAnswerNote(connection.Options()));
                }
                return kExitTimeout;
            }
            case WaitResult::Event:
                connection.TellCopiedReplies();
                if (event.kind == DeviceEvent::DeviceError) {
                    ReportPortFailure(event.errorCode);
                    return kExitPortFailure;
                }
                if (refusals.Report(event)) {
                    return kExitRejected;
                }
                // A refused or unknown value is an answer too: the line and the settings are right.
                answered = answered || event.success || platform::UnknownValueOf(event.errorCode) ||
                           platform::ModbusExceptionOf(event.errorCode);
                break;
        }
    }
}
