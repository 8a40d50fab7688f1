#pragma once
// The calling thread's last error: the channel through which communication operations tell why they
// returned false. On Windows it is the system's own value; elsewhere a thread-local stand-in.
#include <cstdint>

#ifdef _WIN32
// The error codes only: <windows.h> would rename functions such as LoadString in every includer.
#include <winerror.h>
#else
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_CRC = 23;
inline constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr std::uint32_t ERROR_TIMEOUT = 1460;
#endif

namespace platform {

std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

// Keeps the thread's last error across work that follows a failed call and may overwrite it (on
// Windows, almost any system call does) before the caller reads it.
class LastErrorKeeper {
public:
    LastErrorKeeper() : m_code(GetLastError()) {}
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;
    ~LastErrorKeeper() { SetLastError(m_code); }

private:
    std::uint32_t m_code;
};

}  // namespace platform
