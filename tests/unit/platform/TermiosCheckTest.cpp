// Whether a terminal runs as asked, judged from the settings it reads back.
#include <gtest/gtest.h>

#include "platform/TermiosCheck.h"

namespace {

termios Asked() {
    termios settings{};
    settings.c_cflag = CS8 | PARENB | CLOCAL | CREAD;
    cfsetispeed(&settings, B19200);
    cfsetospeed(&settings, B19200);
    settings.c_cc[VMIN] = 1;
    return settings;
}

TEST(SettingsTaken, APseudoTerminalMayDropParityAndSizeARealPortMayNot) {
    const struct {
        const char* name;
        void (*change)(termios&);
        bool takenByPty;
        bool takenByPort;
    } cases[] = {
        {"as asked", [](termios&) {}, true, true},
        {"parity dropped", [](termios& t) { t.c_cflag &= ~static_cast<tcflag_t>(PARENB); }, true, false},
        {"odd instead of even", [](termios& t) { t.c_cflag |= PARODD; }, true, false},
        {"7 data bits", [](termios& t) { t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7; },
         true, false},
        {"two stop bits", [](termios& t) { t.c_cflag |= CSTOPB; }, false, false},
        {"another baud rate",
         [](termios& t) {
             cfsetispeed(&t, B9600);
             cfsetospeed(&t, B9600);
         },
         false, false},
        {"echo left on", [](termios& t) { t.c_lflag |= ECHO; }, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        termios actual = Asked();
        c.change(actual);
        EXPECT_EQ(platform::SettingsTaken(Asked(), actual, true), c.takenByPty);
        EXPECT_EQ(platform::SettingsTaken(Asked(), actual, false), c.takenByPort);
    }
}

}  // namespace
