#pragma once
// The guarded write procedure run on a terminal: its steps printed as they are reached, Ctrl-C counted
// (the first only warns), a refusal or a port failure ending it, and what an early stop left unsaved
// said. Shared by the commands that write settings.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CommandDeadline.h"
#include "cli/ExitCodes.h"
#include "cli/Messages.h"
#include "device/WriteProcedure.h"

class CliConnection;

// The procedure's view on a terminal: steps on standard output (collected instead with --json),
// failures on standard error.
class CTerminalView : public IWriteProcedureView {
public:
    explicit CTerminalView(bool json) : m_json(json) {}

    void OnStatusText(const std::string& text) override {
        m_steps.push_back(text);
        if (!m_json) {
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        }
    }
    void OnDone() override { m_exitCode = kExitOk; }
    void OnVerificationFailed(const std::string& message) override {
        PrintError(message);
        m_exitCode = kExitMismatch;
    }
    void OnRejected(const std::string& message) override {
        PrintError(message);
        m_exitCode = kExitRejected;
    }

    // Set once the procedure has ended, one way or another.
    std::optional<int> m_exitCode;
    std::vector<std::string> m_steps;

private:
    bool m_json;
};

// Runs the procedure to its end within the deadline; the exit code. A write that stops early says what
// it left in the controller.
int RunProcedure(CliConnection& connection, const CliOptions& options, const CommConfig& config,
                 const CommandDeadline& deadline, CTerminalView& view);
