#pragma once
// The calling thread's last error: the channel through which communication operations tell why they
// returned false. On Windows it is the system's own value; elsewhere a thread-local stand-in.
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_CRC = 23;
inline constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr std::uint32_t ERROR_TIMEOUT = 1460;
#endif

namespace platform {

std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

}  // namespace platform
