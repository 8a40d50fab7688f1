#pragma once
// One connection to the controller for a command: the port, the Modbus stack, the controller model
// and its worker thread, with the worker's notifications posted to the calling thread.
#include <memory>
#include <optional>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CommandDeadline.h"
#include "device/DeviceConnection.h"
#include "traffic/Trace.h"

// How the command's connections are opened: the line options' port, reply time, echo and RS-485 mode,
// an interrupt ending an opening at once. No trace: the caller starts it.
ConnectionRecipe RecipeFor(const CliOptions& options);

// The exit code of an Open that failed: interrupted when an interrupt cut the opening short.
int OpenFailedExitCode();

class CliConnection {
public:
    CliConnection() = default;
    CliConnection(const CliConnection&) = delete;
    CliConnection& operator=(const CliConnection&) = delete;
    // With --verbose, says what the exchanges got back (traffic::DescribeSigns).
    ~CliConnection();

    // Starts the trace the options ask for, opens the port (in RS-485 mode and with the reply time
    // and echo handling asked for) and starts polling. False when the trace file or the port could not
    // be opened or configured (the reason has been given) or the worker could not start. A deadline
    // limits how long a network gateway may take to connect.
    // An interrupt ends the opening at once, silently.
    bool Open(const CliOptions& options, const CommandDeadline* deadline = nullptr);

    CArdeno& Controller() { return m_connection.Controller(); }
    // The options it was opened with: the settings tried, for the next step to name.
    const CliOptions& Options() const { return m_options; }
    // False through a transparent bridge, whose serial side keeps its own line settings.
    bool SetsLineSettings() { return m_connection.Port().Port().SetsLineSettings(); }
    // How frames are laid out: chosen, found out on connect, or empty (RTU).
    std::optional<traffic::Framing> Framing() { return m_connection.Port().m_framing; }
    DeviceEventQueue& Events() { return m_connection.Events(); }
    // Once replies have come twice often enough, says so on standard error, once a connection.
    void TellCopiedReplies();

private:
    // What a tcp:// port turned out to reach: with --verbose when found, always when nothing answered.
    void TellGatewayKind();
    // A line in the trace, when there is one.
    void NoteInTrace(const std::string& text);

    CliOptions m_options;
    bool m_copiesTold = false;
    bool m_opened = false;
    std::optional<traffic::Trace> m_trace;  // outlives the worker, which reports to it
    CDeviceConnection m_connection;
};
