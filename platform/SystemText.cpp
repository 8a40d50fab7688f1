#include "platform/SystemText.h"

#include <climits>
#include <cstring>
#include <system_error>

namespace platform {

std::string SystemErrorText(std::uint32_t code) {
#if defined(__GLIBC__)
    // strerror invents "Unknown error N" for codes it does not know; those have no name either, and
    // an invented text would read as the system's own.
    if (code > INT_MAX || strerrorname_np(static_cast<int>(code)) == nullptr) {
        return {};
    }
#endif
    // On Windows the system category asks FormatMessage; elsewhere it is strerror's text.
    return std::system_category().message(static_cast<int>(code));
}

}  // namespace platform
