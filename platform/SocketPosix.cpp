#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/AppErrors.h"
#include "platform/ReadDeadline.h"
#include "platform/Socket.h"

namespace platform::socket {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// Waits for a handshake under way in short slices, so that a stop request is seen soon (a signal need
// not reach this thread): 0 once connected, otherwise why not.
std::uint32_t AwaitConnection(int fd, Clock::time_point deadline, const StopCheck& stopped) {
    for (;;) {
        if (stopped()) {
            return kErrorInterrupted;
        }
        const int waitMs = RemainingMs(deadline);
        if (waitMs == 0) {
            return ETIMEDOUT;
        }
        pollfd wait{fd, POLLOUT, 0};
        const int ready = ::poll(&wait, 1, std::min(waitMs, ReadDeadline::kInterruptCheckMs));
        if (ready > 0) {
            int error = 0;
            socklen_t length = sizeof(error);
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            return static_cast<std::uint32_t>(error);
        }
        if (ready < 0 && errno != EINTR) {
            return static_cast<std::uint32_t>(errno);
        }
    }
}

}  // namespace

Handle Connect(const std::string& host, const std::string& service, int limitMs, std::uint32_t& roundTripMs,
               const StopCheck& stopped) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
        SetLastError(kErrorHostNotFound);
        return kNoHandle;
    }
    const auto deadline = Clock::now() + Milliseconds(limitMs);
    std::uint32_t lastError = ETIMEDOUT;
    int connected = -1;
    for (const addrinfo* address = found;
         address != nullptr && connected < 0 && lastError != kErrorInterrupted; address = address->ai_next) {
        const int fd = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                                address->ai_protocol);
        if (fd < 0) {
            lastError = static_cast<std::uint32_t>(errno);
            continue;
        }
        const auto start = Clock::now();
        std::uint32_t error =
            ::connect(fd, address->ai_addr, address->ai_addrlen) == 0 ? 0 : static_cast<std::uint32_t>(errno);
        if (error == EINPROGRESS) {
            error = AwaitConnection(fd, deadline, stopped);
        }
        if (error != 0) {
            lastError = error;
            ::close(fd);
            continue;
        }
        roundTripMs =
            static_cast<std::uint32_t>(std::chrono::ceil<Milliseconds>(Clock::now() - start).count());
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
        connected = fd;
    }
    ::freeaddrinfo(found);
    if (connected < 0) {
        SetLastError(lastError);
    }
    return connected;
}

int Wait(Handle handle, bool forWriting, int waitMs) {
    pollfd wait{static_cast<int>(handle), static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
    const int ready = ::poll(&wait, 1, waitMs);
    if (ready < 0 && errno != EINTR) {
        SetLastError(static_cast<std::uint32_t>(errno));
        return -1;
    }
    return ready > 0 ? 1 : 0;
}

long Receive(Handle handle, std::uint8_t* buffer, std::size_t size) {
    const ssize_t count = ::recv(static_cast<int>(handle), buffer, size, 0);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return kTryAgain;
    }
    if (count <= 0) {
        SetLastError(count == 0 ? ECONNRESET : static_cast<std::uint32_t>(errno));
    }
    return count;
}

long Send(Handle handle, const std::uint8_t* data, std::size_t size) {
    const ssize_t count = ::send(static_cast<int>(handle), data, size, MSG_NOSIGNAL);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return kTryAgain;
    }
    if (count < 0) {
        SetLastError(static_cast<std::uint32_t>(errno));
    }
    return count;
}

void AcknowledgeAtOnce(Handle handle) {
    // The kernel clears the flag by itself, so the caller sets it after each read.
    const int on = 1;
    ::setsockopt(static_cast<int>(handle), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof(on));
}

std::size_t Pending(Handle handle) {
    int count = 0;
    return ::ioctl(static_cast<int>(handle), FIONREAD, &count) == 0 && count > 0
               ? static_cast<std::size_t>(count)
               : 0;
}

void Close(Handle handle) {
    ::close(static_cast<int>(handle));
}

}  // namespace platform::socket
