#pragma once
// The operating system's own description of an error code, untrimmed; empty when it has none.
#include <cstdint>
#include <string>

namespace platform {

std::string SystemErrorText(std::uint32_t code);

}  // namespace platform
