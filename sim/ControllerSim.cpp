#include "sim/ControllerSim.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "sim/ControllerModel.h"
#include "sim/PseudoTerminal.h"
#include "sim/ReplyFaults.h"
#include "sim/RtuFrame.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A request that stops arriving midway is noise once the line has been quiet this long.
constexpr milliseconds kIncompleteFrameSilence{100};
// Requests of functions whose length the stand-in does not know end with a short silence.
constexpr milliseconds kUnknownFrameSilence{10};

int MillisecondsUntil(Clock::time_point when) {
    const auto left = std::chrono::ceil<milliseconds>(when - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

class ControllerSim::Impl {
public:
    explicit Impl(Config config);
    ~Impl();

    // Everything below m_mutex is guarded by it; the line thread holds it only between frames.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    ControllerModel m_model;
    FaultList m_faults;
    std::vector<RequestRecord> m_requests;
    std::size_t m_ignored = 0;
    bool m_lineClosed = false;

    PseudoTerminal m_terminal;  // only the line thread touches it once started
    std::string m_linkPath;
    std::string m_devicePath;
    traffic::IFrameObserver* m_lineTap;

    void RequestCloseLine();

private:
    void Run();
    void TakeFrames(std::vector<std::uint8_t>& pending, Clock::time_point lastByte);
    void Serve(std::span<const std::uint8_t> frame);
    void Send(std::vector<std::uint8_t> reply, const std::optional<ReplyFault>& fault);
    bool WriteToLine(std::span<const std::uint8_t> bytes);
    // Sleeps, but returns false at once when the line thread must stop or close the line.
    bool Pause(milliseconds duration);
    bool Interrupted() const { return m_stop || m_closeRequested; }
    void Signal();
    void CloseLineNow();
    void MakeLink();

    int m_wakeFd = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closeRequested{false};
    std::thread m_thread;
};

ControllerSim::Impl::Impl(Config config)
    : m_model(config), m_linkPath(std::move(config.linkPath)), m_lineTap(config.lineTap) {
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        throw std::system_error(errno, std::system_category(), "eventfd");
    }
    m_devicePath = m_terminal.ToolPath();
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
        const int timeout = pending.empty() ? -1 : MillisecondsUntil(lastByte + kIncompleteFrameSilence);
        if (::poll(fds, lineFd >= 0 ? 2 : 1, timeout) < 0 && errno != EINTR) {
            break;
        }
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
        Serve(frame);
    }
}

void ControllerSim::Impl::Serve(std::span<const std::uint8_t> frame) {
    std::optional<ReplyFault> fault;
    std::vector<std::uint8_t> reply;
    {
        std::lock_guard lock(m_mutex);
        const std::uint8_t address = frame[0];
        if ((address != m_model.LineAddress() && address != 0) || !m_model.Receive(frame)) {
            ++m_ignored;
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
        Send(std::move(reply), fault);
    }
}

void ControllerSim::Impl::Send(std::vector<std::uint8_t> reply, const std::optional<ReplyFault>& fault) {
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

bool ControllerSim::Impl::WriteToLine(std::span<const std::uint8_t> bytes) {
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
        if (Interrupted()) {
            return false;
        }
    }
    return bytes.empty();
}

bool ControllerSim::Impl::Pause(milliseconds duration) {
    const Clock::time_point end = Clock::now() + duration;
    while (!Interrupted()) {
        const int left = MillisecondsUntil(end);
        if (left == 0) {
            return true;
        }
        pollfd wake{m_wakeFd, POLLIN, 0};
        ::poll(&wake, 1, left);
    }
    return false;
}

ControllerSim::ControllerSim(Config config) : m_impl(std::make_unique<Impl>(std::move(config))) {}

ControllerSim::~ControllerSim() = default;

const std::string& ControllerSim::DevicePath() const {
    return m_impl->m_devicePath;
}

const std::string& ControllerSim::TerminalPath() const {
    return m_impl->m_terminal.ToolPath();
}

std::uint16_t ControllerSim::Register(Table table, std::uint16_t reg) const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.Register(table, reg);
}

void ControllerSim::SetRegister(Table table, std::uint16_t reg, std::uint16_t value) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.SetRegister(table, reg, value);
}

std::uint8_t ControllerSim::LineAddress() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.LineAddress();
}

CommSettings ControllerSim::SavedSettings() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.SavedSettings();
}

void ControllerSim::Restart() {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.Restart();
}

void ControllerSim::AddFault(const ReplyFault& fault) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_faults.Add(fault);
}

void ControllerSim::ClearFaults() {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_faults.Clear();
}

void ControllerSim::SetStickyRegister(std::uint16_t reg, bool sticky) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.SetSticky(reg, sticky);
}

void ControllerSim::SetStuckSaving(bool stuck) {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_model.SetStuckSaving(stuck);
}

void ControllerSim::CloseLine() {
    m_impl->RequestCloseLine();
}

std::vector<RequestRecord> ControllerSim::Requests() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_requests;
}

std::size_t ControllerSim::RequestCount(std::uint8_t function) const {
    std::lock_guard lock(m_impl->m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_impl->m_requests.begin(), m_impl->m_requests.end(),
                      [&](const RequestRecord& r) { return r.function == function; }));
}

std::size_t ControllerSim::RequestCount(std::uint8_t function, std::uint16_t reg) const {
    std::lock_guard lock(m_impl->m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_impl->m_requests.begin(), m_impl->m_requests.end(),
                      [&](const RequestRecord& r) { return r.function == function && r.reg == reg; }));
}

std::size_t ControllerSim::SaveCommandCount() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_model.SaveCount();
}

std::size_t ControllerSim::IgnoredFrameCount() const {
    std::lock_guard lock(m_impl->m_mutex);
    return m_impl->m_ignored;
}

void ControllerSim::ResetCounts() {
    std::lock_guard lock(m_impl->m_mutex);
    m_impl->m_requests.clear();
    m_impl->m_ignored = 0;
    m_impl->m_model.ResetSaveCount();
}

bool ControllerSim::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_impl->m_mutex);
    return m_impl->m_changed.wait_for(lock, timeout, [&] { return m_impl->m_requests.size() >= count; });
}

}  // namespace sim
