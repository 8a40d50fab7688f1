#pragma once
// The server's side of an RFC 2217 opening, for gateways played by a test: agree to the COM port option
// and report each of the four line settings back as asked.
#include <atomic>

// On a connected socket; false when the peer went away, `stop` was raised or ten seconds passed first.
bool AgreeToComPort(int fd, const std::atomic<bool>& stop);
