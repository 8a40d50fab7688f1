#include "platform/SystemText.h"

#include "platform/AppErrors.h"
#include "platform/LastError.h"

#include <climits>
#include <cstring>
#include <system_error>

namespace platform {

std::string SystemErrorText(std::uint32_t code) {
    if ((code & kAppErrorBit) != 0) {
        return AppErrorText(code);
    }
#ifndef _WIN32
    // The three codes the communication layer sets itself are Windows codes; their numbers collide with
    // unrelated POSIX error numbers (31 is EMLINK, "Too many links"), so they get their Windows meaning.
    switch (code) {
        case ERROR_CRC:
            return "Data error (cyclic redundancy check).";
        case ERROR_GEN_FAILURE:
            return "A device attached to the system is not functioning.";
        case ERROR_TIMEOUT:
            return "This operation returned because the timeout period expired.";
        default:
            break;
    }
#endif
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
