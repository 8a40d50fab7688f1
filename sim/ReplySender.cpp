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
                         traffic::IFrameObserver* lineTap, const Config& config)
    : m_terminal(terminal),
      m_wakeFd(wakeFd),
      m_interrupted(std::move(interrupted)),
      m_lineTap(lineTap),
      m_latency(config.latency),
      m_copyShare(config.copyShare),
      m_copyDelay(config.copyDelay) {}

void ReplySender::Send(std::vector<std::uint8_t> reply, const std::optional<ReplyFault>& fault) {
    if (m_latency.high.count() != 0 && !Pause(Draw(m_latency))) {
        return;
    }
    if (!fault) {
        const bool copied = m_copyShare > 0 && std::bernoulli_distribution(m_copyShare)(m_random);
        WriteReply(reply, copied ? std::optional(Draw(m_copyDelay)) : std::nullopt);
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
        case FaultKind::CopyLater:
            WriteReply(reply, fault->delay);
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

void ReplySender::WriteReply(const std::vector<std::uint8_t>& reply,
                             std::optional<std::chrono::microseconds> copyAfter) {
    if (WriteToLine(reply) && copyAfter) {
        m_copies.emplace(Clock::now() + *copyAfter, reply);
    }
}

Clock::time_point ReplySender::NextCopyDue() const {
    return m_copies.empty() ? Clock::time_point::max() : m_copies.begin()->first;
}

void ReplySender::SendDueCopies() {
    while (!m_copies.empty() && m_copies.begin()->first <= Clock::now()) {
        const std::vector<std::uint8_t> copy = std::move(m_copies.begin()->second);
        m_copies.erase(m_copies.begin());
        WriteToLine(copy);
    }
}

std::chrono::microseconds ReplySender::Draw(const DelayRange& range) {
    return std::chrono::microseconds(
        std::uniform_int_distribution<std::int64_t>(range.low.count(), range.high.count())(m_random));
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

bool ReplySender::Pause(std::chrono::microseconds duration) {
    const Clock::time_point end = Clock::now() + duration;
    while (!m_interrupted()) {
        SendDueCopies();
        if (Clock::now() >= end) {
            return true;
        }
        const timespec left = TimeUntil(std::min(end, NextCopyDue()));
        pollfd wake{m_wakeFd, POLLIN, 0};
        ::ppoll(&wake, 1, &left, nullptr);
    }
    return false;
}

}  // namespace sim
