#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>

#include "platform/AppErrors.h"
#include "platform/ReadDeadline.h"
#include "platform/Socket.h"

namespace platform::socket {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

SOCKET Native(Handle handle) {
    return static_cast<SOCKET>(handle);
}

// Winsock is started once, on the first connection, and stays up for the program's life.
bool Started() {
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// select() with a limit in milliseconds (negative: none); a failed connect shows in the exception set.
int Select(SOCKET socket, bool forWriting, int waitMs) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval limit{waitMs / 1000, (waitMs % 1000) * 1000};
    const int count = ::select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed,
                               waitMs < 0 ? nullptr : &limit);
    if (count == SOCKET_ERROR) {
        SetLastError(static_cast<std::uint32_t>(::WSAGetLastError()));
        return -1;
    }
    return count > 0 ? 1 : 0;
}

// Waits for a handshake under way in short slices, so that a stop request is seen soon: 0 once
// connected, otherwise why not.
std::uint32_t AwaitConnection(SOCKET socket, Clock::time_point deadline, const StopCheck& stopped) {
    for (;;) {
        if (stopped()) {
            return kErrorInterrupted;
        }
        const int waitMs = RemainingMs(deadline);
        if (waitMs == 0) {
            return WSAETIMEDOUT;
        }
        const int ready = Select(socket, true, std::min(waitMs, ReadDeadline::kInterruptCheckMs));
        if (ready < 0) {
            return static_cast<std::uint32_t>(::WSAGetLastError());
        }
        if (ready > 0) {
            int error = 0;
            int length = sizeof(error);
            ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
            return static_cast<std::uint32_t>(error);
        }
    }
}

}  // namespace

Handle Connect(const std::string& host, const std::string& service, int limitMs, std::uint32_t& roundTripMs,
               const StopCheck& stopped) {
    if (!Started()) {
        SetLastError(static_cast<std::uint32_t>(::WSAGetLastError()));
        return kNoHandle;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
        SetLastError(kErrorHostNotFound);
        return kNoHandle;
    }
    const auto deadline = Clock::now() + Milliseconds(limitMs);
    std::uint32_t lastError = WSAETIMEDOUT;
    SOCKET connected = INVALID_SOCKET;
    for (const addrinfo* address = found;
         address != nullptr && connected == INVALID_SOCKET && lastError != kErrorInterrupted;
         address = address->ai_next) {
        const SOCKET socket = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        u_long nonBlocking = 1;
        if (socket == INVALID_SOCKET || ::ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
            lastError = static_cast<std::uint32_t>(::WSAGetLastError());
            if (socket != INVALID_SOCKET) {
                ::closesocket(socket);
            }
            continue;
        }
        const auto start = Clock::now();
        std::uint32_t error = ::connect(socket, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0
                                  ? 0
                                  : static_cast<std::uint32_t>(::WSAGetLastError());
        if (error == WSAEWOULDBLOCK) {
            error = AwaitConnection(socket, deadline, stopped);
        }
        if (error != 0) {
            lastError = error;
            ::closesocket(socket);
            continue;
        }
        roundTripMs =
            static_cast<std::uint32_t>(std::chrono::ceil<Milliseconds>(Clock::now() - start).count());
        const BOOL on = TRUE;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
        connected = socket;
    }
    ::freeaddrinfo(found);
    if (connected == INVALID_SOCKET) {
        SetLastError(lastError);
        return kNoHandle;
    }
    return static_cast<Handle>(connected);
}

namespace {

// What recv or send returned, as Receive and Send report it: kTryAgain for a call to repeat, -1 (with
// the last error) for a failure.
long Transferred(int count) {
    if (count != SOCKET_ERROR) {
        return count;
    }
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK || error == WSAEINTR) {
        return kTryAgain;
    }
    SetLastError(static_cast<std::uint32_t>(error));
    return -1;
}

}  // namespace

int Wait(Handle handle, bool forWriting, int waitMs) {
    return Select(Native(handle), forWriting, waitMs);
}

long Receive(Handle handle, std::uint8_t* buffer, std::size_t size) {
    const long count =
        Transferred(::recv(Native(handle), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0));
    if (count == 0) {
        SetLastError(WSAECONNRESET);
    }
    return count;
}

long Send(Handle handle, const std::uint8_t* data, std::size_t size) {
    return Transferred(
        ::send(Native(handle), reinterpret_cast<const char*>(data), static_cast<int>(size), 0));
}

void AcknowledgeAtOnce(Handle) {
    // Winsock offers no per-read switch; its delayed acknowledgement stays.
}

std::size_t Pending(Handle handle) {
    u_long count = 0;
    return ::ioctlsocket(Native(handle), FIONREAD, &count) == 0 ? static_cast<std::size_t>(count) : 0;
}

void Close(Handle handle) {
    ::closesocket(Native(handle));
}

}  // namespace platform::socket
