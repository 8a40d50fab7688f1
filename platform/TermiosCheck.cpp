#include "platform/TermiosCheck.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace platform {
namespace {

// Linux numbers the terminal ends of pseudo-terminals with these major device numbers.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

}  // namespace

bool SettingsTaken(const termios& wanted, const termios& actual, bool pseudoTerminal) {
    const auto ignored = pseudoTerminal ? static_cast<tcflag_t>(PARENB | PARODD | CSIZE) : tcflag_t{0};
    return wanted.c_iflag == actual.c_iflag && wanted.c_oflag == actual.c_oflag &&
           wanted.c_lflag == actual.c_lflag && (wanted.c_cflag & ~ignored) == (actual.c_cflag & ~ignored) &&
           cfgetispeed(&wanted) == cfgetispeed(&actual) && cfgetospeed(&wanted) == cfgetospeed(&actual) &&
           wanted.c_cc[VMIN] == actual.c_cc[VMIN] && wanted.c_cc[VTIME] == actual.c_cc[VTIME];
}

bool IsPseudoTerminal(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return false;
    }
    const unsigned deviceMajor = major(status.st_rdev);
    return deviceMajor >= kFirstPtyMajor && deviceMajor <= kLastPtyMajor;
}

}  // namespace platform
