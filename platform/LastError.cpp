#include "platform/LastError.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

#ifdef _WIN32
std::uint32_t GetLastError() {
    return ::GetLastError();
}
void SetLastError(std::uint32_t code) {
    ::SetLastError(code);
}
#else
namespace {
thread_local std::uint32_t t_lastError = ERROR_SUCCESS;
}
std::uint32_t GetLastError() {
    return t_lastError;
}
void SetLastError(std::uint32_t code) {
    t_lastError = code;
}
#endif

}  // namespace platform
