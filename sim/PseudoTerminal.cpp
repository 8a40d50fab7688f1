#include "sim/PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace sim {
namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::system_category(), what);
}

// Binary frames must pass the line discipline untouched even before the tool configures its port.
void MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        ThrowErrno("tcgetattr");
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&settings, B19200);
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        ThrowErrno("tcsetattr");
    }
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    m_controllerFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_controllerFd < 0) {
        ThrowErrno("posix_openpt");
    }
    char name[128];
    if (grantpt(m_controllerFd) != 0 || unlockpt(m_controllerFd) != 0 ||
        ptsname_r(m_controllerFd, name, sizeof name) != 0) {
        const int error = errno;
        Close();
        throw std::system_error(error, std::system_category(), "pseudo-terminal set-up");
    }
    m_toolPath = name;
    m_heldToolFd = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_heldToolFd < 0) {
        const int error = errno;
        Close();
        throw std::system_error(error, std::system_category(), m_toolPath);
    }
    try {
        MakeRaw(m_heldToolFd);
    } catch (...) {
        Close();
        throw;
    }
}

PseudoTerminal::~PseudoTerminal() {
    Close();
}

void PseudoTerminal::Close() {
    if (m_heldToolFd >= 0) {
        ::close(m_heldToolFd);
        m_heldToolFd = -1;
    }
    if (m_controllerFd >= 0) {
        ::close(m_controllerFd);
        m_controllerFd = -1;
    }
}

}  // namespace sim
