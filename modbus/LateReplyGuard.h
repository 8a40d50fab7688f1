#pragma once
// The late-reply guard: what the master does after an exchange that did not end with a whole, valid
// reply. The slave may still be sending that reply, or may answer late; RTU replies to reads name no
// register, so such a reply landing in the next read window would pass for the next request's reply.
// Before the next request the master therefore waits until the line has been quiet for GuardQuietMs,
// reading and dropping whatever arrives, then purges and sends.
//
// Why the quiet time is long enough: the failed read already gave the slave its whole allowance (the
// read's total limit) to answer. The quiet time is one more allowance plus the inter-byte limit: a
// reply that starts up to twice its allowance after the request, and then pauses inside itself as
// long as a read tolerates, is still seen and dropped; every byte restarts the wait, so the rest of a
// reply already under way is dropped too. With the connection's limits (50 + 10 ms a byte, 200 ms
// between bytes) that catches a one-register reply up to 440 ms late, nearly four times its allowance.
// Both limits follow the line speed where the caller sets them from it (as a scan does), so the guard
// does too. RTU replies carry no transaction number, so a reply later than that cannot be told from
// the next one by any master; this is libmodbus's protocol recovery (sleep one response time-out, then
// flush) made exact: it ends as soon as the line has been quiet long enough, and a prompt reply never
// pays for it.
#include <cstddef>
#include <cstdint>

#include "port/Port.h"
#include "traffic/Frame.h"

// The total time limit of a read of `length` bytes under these limits; 0 when the read has none.
std::uint64_t ReadAllowanceMs(const platform::ReadTimeouts& limits, std::size_t length);

// How long the line must be quiet after an exchange that expected a reply of `replyLength` bytes.
std::uint32_t GuardQuietMs(const platform::ReadTimeouts& limits, std::size_t replyLength);

// Reads and drops bytes until none has come for quietMs. A line that never goes quiet (noise, another
// master) ends the wait after kGuardMaxQuietPeriods quiet times, so the master never stalls for good.
// False only when the port failed. The dropped bytes go to the tap as late frames, one per read.
inline constexpr std::uint32_t kGuardMaxQuietPeriods = 10;
bool AwaitQuietLine(port::IPort& port, std::uint32_t quietMs, traffic::IFrameObserver* tap);
