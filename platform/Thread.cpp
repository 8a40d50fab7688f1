#include "platform/Thread.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace platform {

std::uint32_t GetCurrentThreadId() {
#ifdef _WIN32
    return ::GetCurrentThreadId();
#else
    return static_cast<std::uint32_t>(::syscall(SYS_gettid));
#endif
}

}  // namespace platform
