#pragma once
// Facts about a terminal: whether it runs with the settings it was asked for, and what kind it is
// (POSIX only).
#include <termios.h>

namespace platform {

// A pseudo-terminal ignores parity and character size: it forces 8 bits without parity, and refuses a
// request that changes nothing else with EINVAL. It still counts as configured when every other
// setting reads back as asked. A real port must take all of them: an adapter that silently keeps
// another baud rate or parity would otherwise look open and never hear the controller.
bool SettingsTaken(const termios& wanted, const termios& actual, bool pseudoTerminal);

// True when fd is the terminal this program runs on: /dev/tty, the terminal of standard input, output
// or error, or the process's controlling terminal.
bool IsOwnTerminal(int fd);

// True for the terminal end of a pseudo-terminal pair (and links to one).
bool IsPseudoTerminal(int fd);

}  // namespace platform
