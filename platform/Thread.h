#pragma once
#include <cstdint>

namespace platform {

// The operating system's identifier of the calling thread (what diagnostics print before each line).
std::uint32_t GetCurrentThreadId();

}  // namespace platform
