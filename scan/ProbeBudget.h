#pragma once
// How long a scan waits for one probe's reply, as a function of the line speed.
//
// A probe is a read of one register: an 8-byte request and a 7-byte reply. The total read limit starts
// when the request has been handed to the driver, which on a real UART is before it is on the wire, so
// the wait covers everything up to the reply's last byte:
//   the request on the wire            8 characters
//   the slave's end-of-frame silence   3.5 characters (a fixed 1.75 ms above 19200 baud)
//   the controller's answer time       answerMs (it answers within a few ms; a USB adapter at low
//                                      latency adds about 1 ms each way)
//   the reply on the wire              7 characters
// A character is 11 bits at most (start, 8 data, parity or a second stop bit, stop). The sum is rounded
// up to whole milliseconds plus one, the granularity of the port's timers. A silent probe waits only
// until the reply's first byte is due (the budget less the rest of the reply), and no late-reply guard
// waits after it, since a reply names its sender: about 17 ms at 38400 baud instead of the second or
// more of a generic tool's time-out.
#include <cstddef>
#include <cstdint>

#include "port/Port.h"

inline constexpr std::uint32_t kControllerAnswerMs = 10;
inline constexpr std::size_t kProbeRequestBytes = 8;
inline constexpr std::size_t kProbeReplyBytes = 7;

// Time on the wire of `characters` characters at this speed, in microseconds (11 bits each).
std::uint64_t CharactersUs(std::size_t characters, std::uint32_t baudRate);
// The wait for one probe's reply, in whole milliseconds.
std::uint32_t ProbeBudgetMs(std::uint32_t baudRate, std::uint32_t answerMs = kControllerAnswerMs);
// The port's read limits during a probe: the budget in all.
platform::ReadTimeouts ProbeTimeouts(std::uint32_t baudRate, std::uint32_t answerMs = kControllerAnswerMs);
// The physical floor of one probe: request and reply on the wire, nothing else.
std::uint64_t ProbeFloorUs(std::uint32_t baudRate);
