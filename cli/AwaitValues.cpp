#include "cli/AwaitValues.h"

#include <fmt/format.h>

#include "cli/Connection.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/NextSteps.h"
#include "device/EventWait.h"
#include "device/Refusals.h"
#include "platform/AppErrors.h"
#include "traffic/LineSigns.h"

int AwaitValues(CliConnection& connection, const CommandDeadline& deadline,
                const std::function<std::string()>& missing) {
    bool answered = false;      // nothing at all means the line or the settings, not a missing register
    bool targetFailed = false;  // a Modbus TCP gateway said that nothing replied behind it
    CRefusals refusals(connection.Controller());
    std::string lacking;
    const EventWaitEnd end =
        WaitForEvents(connection.Events(), deadline.At(),
                      {.done = [&] { return (lacking = missing()).empty(); },
                       .stop = Interrupted,
                       .onEvent =
                           [&](const DeviceEvent& event) {
                               connection.TellCopiedReplies();
                               // A refused or unknown value is an answer too: the line
                               // and the settings are right.
                               answered = answered || IsControllerAnswer(event);
                               targetFailed = targetFailed || IsGatewayTargetFailed(event.errorCode);
                           },
                       .refusals = &refusals});
    switch (end.kind) {
        case EventWaitEnd::Done:
            return kExitOk;
        case EventWaitEnd::Stopped:
            return kExitInterrupted;
        case EventWaitEnd::PortFailed:
        case EventWaitEnd::Refused:
            return ReportWaitFailure(end);
        case EventWaitEnd::TimedOut:
            break;
    }
    const std::string unknown = refusals.UnknownValues();
    PrintError(fmt::format("no value within {:g} s for: {}{}", deadline.Seconds(), lacking,
                           unknown.empty() ? "" : " (" + unknown + ")"));
    // Values that came show the settings are right; damaged replies among them still name the line.
    if (!answered ||
        traffic::Diagnose(connection.Controller().LineSigns()) == traffic::LineDiagnosis::SomeDamaged) {
        PrintNote(targetFailed ? GatewayTargetFailedNote(connection.Options())
                               : NoAnswerNote(connection.Options(), connection.Controller().LineSigns()));
    }
    return kExitTimeout;
}
