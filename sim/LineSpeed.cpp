#include "sim/LineSpeed.h"

#include <termios.h>

namespace sim {

std::optional<std::uint32_t> TerminalBaudRate(int fd) {
    termios settings{};
    if (fd < 0 || ::tcgetattr(fd, &settings) != 0) {
        return std::nullopt;
    }
    switch (::cfgetospeed(&settings)) {
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return std::nullopt;
    }
}

}  // namespace sim
