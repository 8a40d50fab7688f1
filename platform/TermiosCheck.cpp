#include "platform/TermiosCheck.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace platform {
namespace {

// Linux numbers the terminal ends of pseudo-terminals with these major device numbers.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;
// /dev/tty: whichever terminal controls the process that opens it.
constexpr unsigned kTtyMajor = 5;
constexpr unsigned kTtyMinor = 0;

std::optional<dev_t> DeviceOf(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return std::nullopt;
    }
    return status.st_rdev;
}

// The controlling terminal's device number (field 7 of /proc/self/stat), 0 when there is none.
dev_t ControllingTerminal() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    // The command name (field 2) may hold spaces and parentheses; the fields after it do not.
    const auto nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) {
        return 0;
    }
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string state;
    long long parent = 0;
    long long group = 0;
    long long session = 0;
    unsigned long long ttyNumber = 0;
    fields >> state >> parent >> group >> session >> ttyNumber;
    return fields ? makedev((ttyNumber >> 8) & 0xFFF, (ttyNumber & 0xFF) | ((ttyNumber >> 12) & 0xFFF00)) : 0;
}

}  // namespace

bool SettingsTaken(const termios& wanted, const termios& actual, bool pseudoTerminal) {
    const auto ignored = pseudoTerminal ? static_cast<tcflag_t>(PARENB | PARODD | CSIZE) : tcflag_t{0};
    return wanted.c_iflag == actual.c_iflag && wanted.c_oflag == actual.c_oflag &&
           wanted.c_lflag == actual.c_lflag && (wanted.c_cflag & ~ignored) == (actual.c_cflag & ~ignored) &&
           cfgetispeed(&wanted) == cfgetispeed(&actual) && cfgetospeed(&wanted) == cfgetospeed(&actual) &&
           wanted.c_cc[VMIN] == actual.c_cc[VMIN] && wanted.c_cc[VTIME] == actual.c_cc[VTIME];
}

bool IsOwnTerminal(int fd) {
    const auto device = DeviceOf(fd);
    if (!device) {
        return false;
    }
    if (*device == makedev(kTtyMajor, kTtyMinor) || *device == ControllingTerminal()) {
        return true;
    }
    for (const int standard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::isatty(standard) != 0 && DeviceOf(standard) == device) {
            return true;
        }
    }
    return false;
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
