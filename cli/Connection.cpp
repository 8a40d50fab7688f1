#include "cli/Connection.h"

#include <fmt/format.h>

#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/TraceOption.h"
#include "device/ControllerFacts.h"
#include "platform/LastError.h"
#include "port/PortHint.h"
#include "res/Hints.h"
#include "scan/ScanPlan.h"

int OpenFailedExitCode() {
    return Interrupted() ? kExitInterrupted : kExitPortOpen;
}

ConnectionRecipe RecipeFor(const CliOptions& options) {
    ConnectionRecipe recipe;
    recipe.port = options.port;
    if (options.replyTimeoutMs) {
        recipe.SetWholeReplyTime(*options.replyTimeoutMs);
    }
    recipe.echo = options.echo;
    recipe.rs485 = options.rs485;
    recipe.framing = options.framing;
    recipe.openingStop = &InterruptedFlag();
    recipe.echoNotice = [] { PrintNote(CAdapterEcho::kNoticeText); };
    recipe.sharedPortNotice = [](const std::string& warning) { PrintNote(warning); };
    return recipe;
}

bool CliConnection::Open(const CliOptions& options, const CommandDeadline* deadline) {
    m_options = options;
    if (!StartTrace(options, m_trace)) {
        return false;
    }
    ConnectionRecipe recipe = RecipeFor(options);
    recipe.trace = m_trace ? &m_trace->Observer() : nullptr;
    if (deadline != nullptr) {
        recipe.openingLimitMs = deadline->RemainingMs();
    }
    const OpenStep step = m_connection.Open(recipe, {options.baudRate, options.modeIndex, options.address});
    if (step == OpenStep::Rs485NotOn) {
        PrintError(Rs485FailureText(options.port, platform::GetLastError(), "leave out --rs485"));
    }
    if (step == OpenStep::GatewayDropped) {
        PrintError(GatewayDroppedText(options.port, platform::GetLastError()));
    }
    m_opened = step == OpenStep::Opened;
    if (m_opened) {
        TellGatewayKind();
    }
    return m_opened;
}

void CliConnection::TellGatewayKind() {
    const std::optional<GatewayProbe>& probe = m_connection.Probe();
    if (!probe) {
        return;
    }
    if (!probe->found) {
        const std::string text = fmt::format("{}: {}; going on as through a transparent bridge",
                                             m_options.port, GatewayProbeTried(m_options.address));
        PrintNote(text);
        NoteInTrace(text);
        return;
    }
    const std::string text =
        fmt::format("{}: {} (found on connect; --framing {} skips asking)", m_options.port,
                    GatewayKindText(*probe->found), *probe->found == traffic::Framing::Mbap ? "mbap" : "rtu");
    if (m_options.verbose) {
        PrintNote(text);
    }
    NoteInTrace(text);
}

void CliConnection::NoteInTrace(const std::string& text) {
    if (m_trace) {
        m_trace->Note(text);
    }
}

CliConnection::~CliConnection() {
    if (m_opened && m_options.verbose) {
        if (const std::string signs = traffic::DescribeSigns(Controller().LineSigns()); !signs.empty()) {
            PrintNote(signs);
        }
    }
}

void CliConnection::TellCopiedReplies() {
    if (!m_copiesTold && Controller().RepliesArriveTwice()) {
        m_copiesTold = true;
        PrintNote(res::CopiedRepliesHint(m_options.address, kFactorySettings.address));
    }
}
