#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/ReadDeadline.h"
#include "platform/SerialHandle.h"
#include "platform/TermiosCheck.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// The last error of a failed system call: its errno, or a general failure when it left none.
void SetLastErrorFromErrno() {
    SetLastError(errno != 0 ? static_cast<std::uint32_t>(errno) : ERROR_GEN_FAILURE);
}

std::optional<speed_t> SpeedOf(std::uint32_t baudRate) {
    struct Rate {
        std::uint32_t baudRate;
        speed_t speed;
    };
    constexpr Rate kRates[] = {{1200, B1200},   {2400, B2400},     {4800, B4800},
                               {9600, B9600},   {19200, B19200},   {38400, B38400},
                               {57600, B57600}, {115200, B115200}, {230400, B230400}};
    for (const auto& rate : kRates) {
        if (rate.baudRate == baudRate) {
            return rate.speed;
        }
    }
    return std::nullopt;
}

// A clean slate: whatever another program left on the port (hardware or software flow control,
// mark/space parity, a separate input speed, echo, line editing) would stop binary frames or keep
// the line from sending, so nothing of it is kept. Raw 8-bit, local line, receiver on.
termios CleanSettings() {
    termios settings{};
    settings.c_cflag = CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return settings;
}

bool SetFraming(termios& settings, std::uint8_t parity, std::uint8_t stopBits) {
    switch (parity) {
        case kNoParity:
            break;
        case kOddParity:
            settings.c_cflag |= PARENB | PARODD;
            break;
        case kEvenParity:
            settings.c_cflag |= PARENB;
            break;
        default:
            return false;
    }
    switch (stopBits) {
        case kOneStopBit:
            break;
        case kTwoStopBits:
            settings.c_cflag |= CSTOPB;
            break;
        default:
            return false;
    }
    return true;
}

// A write gets twice the time its bytes take on the line (11 bits each at the slowest speed if the
// port is not configured yet), plus a second for the driver: a port that takes nothing for that long
// is held back and would otherwise hold the command for good.
constexpr std::uint32_t kSlowestBaudRate = 1200;
constexpr std::uint64_t kWriteGraceMs = 1000;

Milliseconds WriteDeadline(std::size_t size, std::uint32_t baudRate) {
    const std::uint64_t bitsPerSecond = baudRate != 0 ? baudRate : kSlowestBaudRate;
    return Milliseconds(kWriteGraceMs + 2 * 11 * 1000 * std::uint64_t{size} / bitsPerSecond);
}

}  // namespace

SerialHandle::~SerialHandle() {
    Close();
}

bool SerialHandle::IsNull() const {
    return m_state == State::Null;
}

bool SerialHandle::IsOpen() const {
    return m_state == State::Open;
}

bool SerialHandle::Open(const std::string& devicePath) {
    Close();
    m_state = State::Invalid;
    m_timeouts = {};
    m_interrupted = false;
    // Non-blocking: the open must not wait for a carrier, and reads are paced by poll().
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // EBUSY: another opener holds the terminal's exclusive mode.
        errno == EBUSY ? SetLastError(kErrorPortInUse) : SetLastErrorFromErrno();
        return false;
    }
    if (::isatty(fd) == 0) {
        SetLastError(kErrorNotSerialDevice);
        ::close(fd);
        return false;
    }
    // Configured as a line, the operator's own terminal would go raw under the shell.
    if (IsOwnTerminal(fd)) {
        SetLastError(kErrorOwnTerminal);
        ::close(fd);
        return false;
    }
    // The lock keeps out every opener that plays by the same rule, privileged ones included; TIOCEXCL
    // then keeps out all other unprivileged ones. It is set only once the port is ours, so that a
    // refused open never clears the holder's exclusive mode. A non-terminal has no exclusive mode (and
    // fails configuration).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        errno == EWOULDBLOCK ? SetLastError(kErrorPortInUse) : SetLastErrorFromErrno();
        ::close(fd);
        return false;
    }
    if (::tcgetattr(fd, &m_found) != 0) {
        SetLastErrorFromErrno();
        ::close(fd);
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    m_rs485Found.reset();
    m_baudRate = 0;
    m_fd = fd;
    m_state = State::Open;
    return true;
}

bool SerialHandle::Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits) {
    if (!IsOpen()) {
        SetLastError(EBADF);
        return false;
    }
    termios settings = CleanSettings();
    const auto speed = SpeedOf(baudRate);
    if (!speed || !SetFraming(settings, parity, stopBits)) {
        SetLastError(EINVAL);
        return false;
    }
    // The same speed both ways: a separate input speed left behind would make the read-back differ.
    if (::cfsetospeed(&settings, *speed) != 0 || ::cfsetispeed(&settings, *speed) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    // tcsetattr succeeds when the driver took any part of the request, so only the settings read back
    // tell whether the port runs as asked.
    const bool set = ::tcsetattr(m_fd, TCSANOW, &settings) == 0;
    const int setError = errno;
    termios actual{};
    if (::tcgetattr(m_fd, &actual) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    const bool pseudoTerminal = IsPseudoTerminal(m_fd);
    if (SettingsTaken(settings, actual, pseudoTerminal)) {
        m_baudRate = baudRate;
        return true;
    }
    SetLastError(set ? kErrorSettingsNotTaken : static_cast<std::uint32_t>(setError));
    return false;
}

bool SerialHandle::SetTimeouts(const ReadTimeouts& timeouts) {
    if (!IsOpen()) {
        SetLastError(EBADF);
        return false;
    }
    m_timeouts = timeouts;
    return true;
}

void SerialHandle::RequestLowLatency() {
    serial_struct serial{};
    if (::ioctl(m_fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(m_fd, TIOCSSERIAL, &serial);
    }
}

bool SerialHandle::EnableRs485() {
    if (!IsOpen()) {
        SetLastError(EBADF);
        return false;
    }
    serial_rs485 found{};
    if (::ioctl(m_fd, TIOCGRS485, &found) != 0) {
        // A driver without the request at all (USB adapters, pseudo-terminals) answers ENOTTY.
        errno == ENOTTY || errno == EINVAL ? SetLastError(kErrorNoRs485) : SetLastErrorFromErrno();
        return false;
    }
    serial_rs485 wanted = found;
    wanted.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    wanted.flags &= ~static_cast<std::uint32_t>(SER_RS485_RTS_AFTER_SEND);
    if (::ioctl(m_fd, TIOCSRS485, &wanted) != 0) {
        errno == ENOTTY || errno == EINVAL ? SetLastError(kErrorNoRs485) : SetLastErrorFromErrno();
        return false;
    }
    m_rs485Found = found;
    // Some UART drivers take the request and keep the mode off.
    serial_rs485 actual{};
    if (::ioctl(m_fd, TIOCGRS485, &actual) != 0 || (actual.flags & SER_RS485_ENABLED) == 0) {
        SetLastError(kErrorNoRs485);
        return false;
    }
    return true;
}

void SerialHandle::Purge() {
    ::tcflush(m_fd, TCIOFLUSH);
}

std::size_t SerialHandle::Waiting() const {
    int count = 0;
    return ::ioctl(m_fd, FIONREAD, &count) == 0 && count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool SerialHandle::Write(const std::uint8_t* data, std::size_t size, std::size_t& written) {
    written = 0;
    if (!IsOpen()) {
        SetLastError(EBADF);
        return false;
    }
    const auto deadline = Clock::now() + WriteDeadline(size, m_baudRate);
    while (written < size) {
        const ssize_t count = ::write(m_fd, data + written, size - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno == EAGAIN) {
            // The output queue is full: wait for room, but not past the deadline.
            const int waitMs = RemainingMs(deadline);
            pollfd wait{m_fd, POLLOUT, 0};
            const int ready = waitMs == 0 ? 0 : ::poll(&wait, 1, waitMs);
            if (ready < 0 && errno != EINTR) {
                SetLastErrorFromErrno();
                return false;
            }
            if (ready == 0) {
                SetLastError(kErrorOutputStalled);
                return false;
            }
            if ((wait.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 && (wait.revents & POLLOUT) == 0) {
                SetLastError(wait.revents & POLLNVAL ? EBADF : EIO);
                return false;
            }
            continue;
        }
        if (count == 0) {
            errno = 0;
        }
        SetLastErrorFromErrno();
        return false;
    }
    return true;
}

bool SerialHandle::Read(std::uint8_t* data, std::size_t size, std::size_t& received) {
    return Read(data, size, received, m_timeouts);
}

bool SerialHandle::Read(std::uint8_t* data, std::size_t size, std::size_t& received,
                        const ReadTimeouts& timeouts) {
    received = 0;
    if (!IsOpen()) {
        SetLastError(EBADF);
        return false;
    }
    ReadDeadline deadline(timeouts, size, m_interrupted);
    while (received < size) {
        const int waitMs = deadline.WaitMs();
        if (waitMs == 0) {
            break;  // time is up: what has arrived is the result
        }
        pollfd wait{m_fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, waitMs);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            SetLastErrorFromErrno();
            return false;
        }
        if (ready == 0) {
            continue;  // the deadline check above ends the read
        }
        if ((wait.revents & POLLNVAL) != 0) {
            SetLastError(EBADF);
            return false;
        }
        // A hang-up may still leave bytes to collect; read() tells when nothing is left.
        const ssize_t count = ::read(m_fd, data + received, size - received);
        if (count > 0) {
            received += static_cast<std::size_t>(count);
            deadline.BytesArrived();
            continue;
        }
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
            if ((wait.revents & (POLLHUP | POLLERR)) == 0) {
                continue;
            }
        }
        // Hung up with nothing left to read, or end of file: the other side went away. Both are the
        // same event, so both give the same code.
        if (count == 0 || errno == EINTR || errno == EAGAIN) {
            errno = EIO;
        }
        SetLastErrorFromErrno();
        return false;
    }
    return true;
}

void SerialHandle::Interrupt() {
    m_interrupted = true;  // the read under way sees it within its next wait
}

void SerialHandle::Close() {
    if (m_state == State::Open) {
        // Output the line cannot send (flow control, stopped output) would make close() wait for it,
        // up to half a minute on a UART: it is dropped instead.
        ::tcflush(m_fd, TCOFLUSH);
        if (m_rs485Found) {
            ::ioctl(m_fd, TIOCSRS485, &*m_rs485Found);
        }
        // Left as found, as libmodbus does: the next program (a terminal, a logger) finds its settings.
        ::tcsetattr(m_fd, TCSANOW, &m_found);
        // Exclusive mode outlives our descriptor while others hold the device open: give it up first.
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
        m_state = State::Invalid;
    }
}

}  // namespace platform
