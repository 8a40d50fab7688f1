#pragma once
// The line speed as the stand-in sees it. Both ends of a pseudo-terminal share one set of terminal
// settings, so the speed the tool sets on its end can be read from the stand-in's own descriptor of
// that end; parity cannot (the kernel clears it). A controller at another speed hears only noise, so
// the stand-in answers only while the speeds agree.
#include <cstdint>
#include <optional>

namespace sim {

// The baud rate set on a terminal descriptor; empty when it cannot be read or is not a standard rate.
std::optional<std::uint32_t> TerminalBaudRate(int fd);

}  // namespace sim
