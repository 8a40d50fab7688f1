// monitor: prints every change of a value and of the connection state until SIGINT or SIGTERM. A register
// the controller refuses is named once; the other values go on.
#include <fmt/chrono.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <set>
#include <string>

#include "cli/Commands.h"
#include "cli/Connection.h"
#include "cli/ControllerValues.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/JsonLine.h"
#include "cli/Messages.h"
#include "cli/NextSteps.h"
#include "device/EventWait.h"
#include "device/Refusals.h"
#include "platform/AppErrors.h"
#include "res/Strings.h"

namespace {

// The status line follows the configuration window: a failure of any exchange means "Not connected",
// a good read of the status or a setting means "Connected".
bool ShowsConnection(int varId) {
    return varId >= kVarConfStatus && varId <= kVarCommMode;
}

// "2026-12-09T15:30:01.250+01:00": ISO 8601 local time with milliseconds and the offset from UTC.
std::string LocalTimeNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm local = fmt::localtime(seconds);
    std::string text = fmt::format("{:%Y-%m-%dT%H:%M:%S}.{:03}{:%z}", local, millis, local);
    return text.insert(text.size() - 2, ":");  // +0100 -> +01:00, ISO 8601's extended form
}

class MonitorPrinter {
public:
    explicit MonitorPrinter(bool json) : m_json(json) {}

    void Connection(bool connected) {
        if (m_connected == connected) {
            return;
        }
        m_connected = connected;
        const std::string_view text =
            res::LoadString(connected ? res::IDS_CONNECTED : res::IDS_NOT_CONNECTED);
        Print(m_json ? JsonLine({{"connection", text}}) : std::string(text) + "\n");
    }

    void Value(const ControllerValue& value, const std::string& text) {
        std::optional<std::string>& last = m_lastTexts.at(static_cast<std::size_t>(value.varId));
        if (last == text) {
            return;
        }
        last = text;
        Print(m_json ? FormatJson({{&value, text}}) : FormatLines({{&value, text}}));
    }

private:
    // Each line behind the local time it was seen at; a JSON line carries it as its first key.
    void Print(const std::string& line) const {
        const std::string time = LocalTimeNow();
        const std::string stamped =
            m_json ? "{\"time\": \"" + time + "\", " + line.substr(1) : time + " " + line;
        std::fputs(stamped.c_str(), stdout);
        std::fflush(stdout);
    }

    bool m_json;
    std::optional<bool> m_connected;
    std::array<std::optional<std::string>, 6> m_lastTexts;
};

}  // namespace

int RunMonitor(const CliOptions& options) {
    CliConnection connection;
    if (!connection.Open(options)) {
        return OpenFailedExitCode();
    }
    MonitorPrinter printer(options.json);
    bool answered = false;  // until the first answer, a failure gets the next step once
    bool hinted = false;
    CRefusals refusals(connection.Controller());
    std::string unknownTold;
    std::set<int> refusedTold;  // variables whose refusal has been told, until they read again
    std::string unrouted;       // the gateway routes no unit with the address: nothing else will come
    const auto onEvent = [&](const DeviceEvent& event) {
        connection.TellCopiedReplies();
        // A refused register is told once and left out; the other values go on.
        if (const std::string refusal = refusals.StayingRefusal(event); !refusal.empty()) {
            if (platform::ModbusExceptionOf(event.errorCode) == platform::kGatewayPathUnavailable) {
                unrouted = refusal;
            } else if (refusedTold.insert(event.id).second) {
                PrintNote(refusal + "; showing the other values");
            }
        } else if (event.success) {
            refusedTold.erase(event.id);
        }
        // The line is fine, the value is not: told once on standard error, never shown as a value.
        if (const std::string unknown = refusals.UnknownValues(); unknown != unknownTold) {
            if (!unknown.empty()) {
                PrintNote(unknown);
            }
            unknownTold = unknown;
        }
        if (!IsControllerAnswer(event)) {
            printer.Connection(false);
            if (!answered && !hinted) {
                PrintNote(IsGatewayTargetFailed(event.errorCode)
                              ? GatewayTargetFailedNote(options)
                              : NoAnswerNote(options, connection.Controller().LineSigns()));
                hinted = true;
            }
            return;
        }
        answered = true;
        if (ShowsConnection(event.id)) {
            printer.Connection(true);
        }
        if (const ControllerValue* value = FindControllerValue(event.id)) {
            if (auto text = value->read(connection.Controller())) {
                printer.Value(*value, *text);
            }
        }
    };
    const EventWaitEnd end =
        WaitForEvents(connection.Events(), std::chrono::steady_clock::time_point::max(),
                      {.stop = [&] { return Interrupted() || !unrouted.empty(); }, .onEvent = onEvent});
    if (!unrouted.empty()) {
        PrintError(unrouted);
        return kExitPortOpen;
    }
    if (end.kind != EventWaitEnd::PortFailed) {
        return kExitOk;
    }
    printer.Connection(false);
    ReportPortFailure(end.error);
    return kExitPortFailure;
}
