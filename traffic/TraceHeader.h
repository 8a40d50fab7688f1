#pragma once
// The top of a saved trace or traffic export, and its lines with the time of day: a file sent in from a
// site says when it was taken, in which time zone, on which port, at which settings and address.
#include <chrono>
#include <string>

#include "traffic/Frame.h"

namespace traffic {

struct TraceSetting {
    std::string port;
    std::string line;  // "19200 baud, Even, 1 stop bit"
    unsigned address = 0;
};

// The time of day of a moment on the line's clock, which frames carry; taken once, it holds for every
// frame until the system clock is set.
class WallClock {
public:
    WallClock() : m_wall(std::chrono::system_clock::now()), m_line(Clock::now()) {}
    std::chrono::system_clock::time_point At(Clock::time_point moment) const {
        return m_wall + std::chrono::duration_cast<std::chrono::system_clock::duration>(moment - m_line);
    }

private:
    std::chrono::system_clock::time_point m_wall;
    Clock::time_point m_line;
};

// "# traffic from 2026-12-10 09:41:07 +0100 (CET)\n# port /dev/ttyUSB0, 19200 baud, Even, 1 stop bit,
// address 16\n# time of day, seconds since the start, frame, outcome, bytes\n"; the port's line only when
// there is a port.
std::string TraceHeader(const TraceSetting& setting, std::chrono::system_clock::time_point start);

// One line of a trace: the local time of day with milliseconds ("09:41:07.123"), then FormatLine.
std::string FormatTimedLine(const Frame& frame, Clock::time_point origin, const WallClock& wall);

}  // namespace traffic
