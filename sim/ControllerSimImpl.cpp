#include "sim/ControllerSimImpl.h"

#include "sim/LineSpeed.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "sim/RtuFrame.h"

namespace sim {
namespace {

using std::chrono::milliseconds;

// A request that stops arriving midway is noise once the line has been quiet this long.
constexpr milliseconds kIncompleteFrameSilence{100};
// Requests of functions whose length the stand-in does not know end with a short silence.
constexpr milliseconds kUnknownFrameSilence{10};

int MakeWakeFd() {
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        throw std::system_error(errno, std::system_category(), "eventfd");
    }
    return fd;
}

}  // namespace

ControllerSim::Impl::Impl(Config config)
    : m_model(config),
      m_linkPath(std::move(config.linkPath)),
      m_wakeFd(MakeWakeFd()),
      m_lineTap(config.lineTap),
      m_echo(config.echo),
      m_sender(
          m_terminal, m_wakeFd, [this] { return Interrupted(); }, m_lineTap, config) {
    m_devicePath = m_terminal.ToolPath();
    if (config.neighbour) {
        Config neighbour = config;
        neighbour.settings.address = *config.neighbour;
        m_neighbour = std::make_unique<ControllerModel>(neighbour);
    }
    if (!m_linkPath.empty()) {
        try {
            MakeLink();
        } catch (...) {
            ::close(m_wakeFd);
            throw;
        }
        m_devicePath = m_linkPath;
    }
    m_thread = std::thread([this] { Run(); });
}

ControllerSim::Impl::~Impl() {
    m_stop = true;
    Signal();
    m_thread.join();
    ::close(m_wakeFd);
    if (!m_linkPath.empty()) {
        ::unlink(m_linkPath.c_str());
    }
}

void ControllerSim::Impl::MakeLink() {
    struct stat existing {};
    // Only a stale link is replaced; any other file at that path is left alone.
    if (::lstat(m_linkPath.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
        ::unlink(m_linkPath.c_str());
    }
    if (::symlink(m_terminal.ToolPath().c_str(), m_linkPath.c_str()) != 0) {
        throw std::system_error(errno, std::system_category(), m_linkPath);
    }
}

void ControllerSim::Impl::Signal() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

void ControllerSim::Impl::RequestCloseLine() {
    m_closeRequested = true;
    Signal();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_lineClosed; });
}

void ControllerSim::Impl::CloseLineNow() {
    m_terminal.Close();
    std::lock_guard lock(m_mutex);
    m_lineClosed = true;
    m_changed.notify_all();
}

void ControllerSim::Impl::Run() {
    std::vector<std::uint8_t> pending;
    Clock::time_point lastByte = Clock::now();
    while (!m_stop) {
        const int lineFd = m_terminal.ControllerFd();
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {lineFd, POLLIN, 0}};
        const Clock::time_point wakeUp =
            std::min(pending.empty() ? Clock::time_point::max() : lastByte + kIncompleteFrameSilence,
                     m_sender.NextCopyDue());
        const timespec timeout = TimeUntil(wakeUp);
        if (::ppoll(fds, lineFd >= 0 ? 2 : 1, wakeUp == Clock::time_point::max() ? nullptr : &timeout,
                    nullptr) < 0 &&
            errno != EINTR) {
            break;
        }
        m_sender.SendDueCopies();
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof count);
            if (m_closeRequested && lineFd >= 0) {
                CloseLineNow();
                pending.clear();
            }
            continue;
        }
        if (lineFd >= 0 && (fds[1].revents & POLLIN)) {
            std::uint8_t chunk[512];
            const ssize_t got = ::read(lineFd, chunk, sizeof chunk);
            if (got > 0) {
                pending.insert(pending.end(), chunk, chunk + got);
                lastByte = Clock::now();
            }
        }
        TakeFrames(pending, lastByte);
    }
}

void ControllerSim::Impl::TakeFrames(std::vector<std::uint8_t>& pending, Clock::time_point lastByte) {
    const auto quietFor = [&](milliseconds silence) { return Clock::now() >= lastByte + silence; };
    while (!pending.empty() && !Interrupted()) {
        const std::optional<std::size_t> length = RequestLength(pending);
        std::size_t take = 0;
        if (length && *length == 0) {
            take = quietFor(kUnknownFrameSilence) ? pending.size() : 0;
        } else if (length && pending.size() >= *length) {
            take = *length;
        }
        if (take == 0) {
            if (quietFor(kIncompleteFrameSilence)) {
                traffic::Tap(m_lineTap, traffic::Direction::ToSlave, traffic::Outcome::Short, pending,
                             length.value_or(0));
                std::lock_guard lock(m_mutex);
                ++m_ignored;
                pending.clear();
            }
            return;
        }
        const std::vector<std::uint8_t> frame(pending.begin(),
                                              pending.begin() + static_cast<std::ptrdiff_t>(take));
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(take));
        traffic::Tap(m_lineTap, traffic::Direction::ToSlave, traffic::Outcome::Request, frame);
        if (m_echo) {
            m_sender.Echo(frame);
        }
        Serve(frame);
    }
}

void ControllerSim::Impl::Serve(std::span<const std::uint8_t> frame) {
    std::optional<ReplyFault> fault;
    std::vector<std::uint8_t> reply;
    {
        std::lock_guard lock(m_mutex);
        const std::uint8_t address = frame[0];
        if (m_neighbour && address == m_neighbour->LineAddress() && m_neighbour->Receive(frame)) {
            reply = m_neighbour->Reply(std::nullopt);
        }
        const bool heard = TerminalBaudRate(m_terminal.ToolFd()) == m_model.LineBaudRate();
        if (!heard || (address != m_model.LineAddress() && address != 0) || !m_model.Receive(frame)) {
            ++m_ignored;
            if (!reply.empty()) {
                m_sender.Send(std::move(reply), std::nullopt);
            }
            return;
        }
        const RequestRecord request = DescribeRequest(frame);
        m_requests.push_back(request);
        fault = m_faults.Take(request.function, request.reg);
        const bool exception = fault && fault->kind == FaultKind::Exception;
        reply = m_model.Reply(exception ? std::optional(fault->exceptionCode) : std::nullopt);
        m_changed.notify_all();
    }
    if (!reply.empty()) {
        m_sender.Send(std::move(reply), fault);
    }
}

}  // namespace sim
