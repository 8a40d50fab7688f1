#pragma once
// A command's time limit (--timeout), running from when the command starts: opening the port draws on
// it as well as the waits that follow, so that nothing waits past it.
#include <chrono>
#include <cstdint>

#include "cli/CliOptions.h"

class CommandDeadline {
public:
    explicit CommandDeadline(double seconds);  // from now

    double Seconds() const { return m_seconds; }  // as given, for the operator to read
    std::chrono::steady_clock::time_point At() const { return m_at; }
    // Whole milliseconds left, at least 1: a port opened at the last moment still gets its try.
    std::uint32_t RemainingMs() const;

private:
    double m_seconds;
    std::chrono::steady_clock::time_point m_at;
};

// The time limit of a command: --timeout when given, otherwise the command's default (in seconds, for
// the default reply time) grown in step with --reply-timeout: every read waits for its reply and then
// listens as long again, so a slow line needs proportionally longer.
double TimeoutSeconds(const CliOptions& options, double defaultSeconds);
