#include "sim/ReplySender.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "sim/ReplyFaults.h"
#include "sim/SimClock.h"

namespace sim {

ReplySender::ReplySender(const PseudoTerminal& terminal, int wakeFd, std::function<bool()> interrupted,
                         traffic::IFrameObserver* lineTap)
    : m_terminal(terminal), m_wakeFd(wakeFd), m_interrupted(std::move(interrupted)), m_lineTap(lineTap) {}

void ReplySender::Send(std::vector<std::uint8_t> reply, const std::optional<ReplyFault>& fault) {
    if (!fault) {
        WriteToLine(reply);
        return;
    }
    switch (fault->kind) {
        case FaultKind::NoReply:
            return;
        case FaultKind::LateReply:
            if (Pause(fault->delay)) {
                WriteToLine(reply);
            }
            return;
        case FaultKind::Twice:
            if (WriteToLine(reply) && Pause(fault->delay)) {
                WriteToLine(reply);
            }
            return;
        case FaultKind::ByteGap: {
            const std::size_t before = std::min(fault->gapAfter, reply.size());
            if (WriteToLine(std::span(reply).first(before)) && Pause(fault->delay)) {
                WriteToLine(std::span(reply).subspan(before));
            }
            return;
        }
        default:
            WriteToLine(Alter(std::move(reply), fault->kind));
            return;
    }
}

bool ReplySender::WriteToLine(std::span<const std::uint8_t> bytes) {
    traffic::Tap(m_lineTap, traffic::Direction::FromSlave, traffic::Outcome::Reply, bytes);
    const int fd = m_terminal.ControllerFd();
    while (!bytes.empty() && fd >= 0) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written >= 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(written));
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN) {
            return false;
        }
        // The tool is not reading: wait for room, but not past a stop or a close.
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {fd, POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            return false;
        }
        if (m_interrupted()) {
            return false;
        }
    }
    return bytes.empty();
}

bool ReplySender::Pause(std::chrono::milliseconds duration) {
    const Clock::time_point end = Clock::now() + duration;
    while (!m_interrupted()) {
        const int left = MillisecondsUntil(end);
        if (left == 0) {
            return true;
        }
        pollfd wake{m_wakeFd, POLLIN, 0};
        ::poll(&wake, 1, left);
    }
    return false;
}

}  // namespace sim
