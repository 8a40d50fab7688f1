#include "cli/Connection.h"

#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/Messages.h"
#include "cli/TraceOption.h"
#include "device/ControllerFacts.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/SystemText.h"
#include "res/Hints.h"
#include "scan/ScanPlan.h"

int OpenFailedExitCode() {
    return Interrupted() ? kExitInterrupted : kExitPortOpen;
}

bool CliConnection::Open(const CliOptions& options, const CommandDeadline* deadline) {
    m_options = options;
    m_connection.Port().m_openingStop = &InterruptedFlag();
    if (deadline != nullptr) {
        m_connection.Port().m_openingLimitMs = deadline->RemainingMs();
    }
    const DeviceSettings settings{options.port, options.baudRate, options.modeIndex, options.address,
                                  options.replyTimeoutMs};
    if (!StartTrace(options, m_trace) || !m_connection.OpenPort(settings) ||
        (options.rs485 && !EnableRs485(options.port))) {
        return false;
    }
    m_connection.Transport().m_echo.SetNotice([] { PrintNote(CAdapterEcho::kNoticeText); });
    return m_connection.Start(options.echo, m_trace ? &m_trace->Observer() : nullptr);
}

void CliConnection::TellCopiedReplies() {
    if (!m_copiesTold && Controller().RepliesArriveTwice()) {
        m_copiesTold = true;
        PrintNote(res::CopiedRepliesHint(m_options.address, kFactorySettings.address));
    }
}

bool CliConnection::EnableRs485(const std::string& port) {
    if (m_connection.Port().Port().EnableRs485()) {
        return true;
    }
    const std::uint32_t code = platform::GetLastError();
    if (code == platform::kErrorNoRs485) {
        PrintError(port +
                   ": the port's driver has no RS-485 mode; leave out --rs485 (an adapter that "
                   "switches direction by itself needs none)");
    } else {
        std::string text = platform::SystemErrorText(code);
        text.erase(text.find_last_not_of(" \r\n.") + 1);
        PrintError(port + ": the RS-485 mode could not be turned on: " + text);
    }
    return false;
}
