#pragma once
// The few socket calls a network port makes, one implementation per platform (BSD sockets, Winsock),
// so that everything above them is shared. Failures set the thread's last error to the system's code.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/LastError.h"

#ifndef _WIN32
#include <cerrno>
#endif

namespace platform::socket {

// A file descriptor, or a Winsock SOCKET.
using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

// What the port reports for a call on a port that is not open, and for a setting it cannot take; what
// Connect reports when nothing answered within its limit.
#ifdef _WIN32
inline constexpr std::uint32_t kErrorNotOpen = ERROR_INVALID_HANDLE;
inline constexpr std::uint32_t kErrorBadSetting = ERROR_INVALID_PARAMETER;
inline constexpr std::uint32_t kErrorTimedOut = WSAETIMEDOUT;
#else
inline constexpr std::uint32_t kErrorNotOpen = EBADF;
inline constexpr std::uint32_t kErrorBadSetting = EINVAL;
inline constexpr std::uint32_t kErrorTimedOut = ETIMEDOUT;
#endif

// Returned by Receive and Send when the call should simply be made again.
inline constexpr long kTryAgain = -2;

// Asked while waiting: true to give up now.
using StopCheck = std::function<bool()>;

// Resolves the host and connects, without blocking and with requests sent at once (no Nagle), to the
// first of its addresses that answers within limitMs. roundTripMs gets the handshake's duration.
// kNoHandle on failure, with kErrorHostNotFound when the host does not resolve and kErrorInterrupted
// when `stopped` said so (it is asked every ReadDeadline::kInterruptCheckMs while the handshake runs).
Handle Connect(const std::string& host, const std::string& service, int limitMs, std::uint32_t& roundTripMs,
               const StopCheck& stopped);
// Waits up to waitMs (negative: without limit) for the socket to become readable, or writable:
// 1 when it is, 0 when not yet (timed out or interrupted), -1 on failure.
int Wait(Handle handle, bool forWriting, int waitMs);
// The count received; 0 when the peer closed the connection (the last error says so), -1 on failure,
// kTryAgain when nothing was there after all.
long Receive(Handle handle, std::uint8_t* buffer, std::size_t size);
// The count sent; -1 on failure, kTryAgain when the socket's buffer is full or the call was interrupted.
long Send(Handle handle, const std::uint8_t* data, std::size_t size);
// Asks for received segments to be acknowledged at once, where the system lets us.
void AcknowledgeAtOnce(Handle handle);
// The bytes received and not yet taken.
std::size_t Pending(Handle handle);
void Close(Handle handle);

}  // namespace platform::socket
