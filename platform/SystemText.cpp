#include "platform/SystemText.h"

#include "platform/AppErrors.h"
#include "platform/LastError.h"

#include <climits>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {
namespace {

#ifdef _WIN32
// The system's message table. The C++ runtime's system category would invent "Unknown error code" for
// codes without a message, which would read as the system's own text.
std::string OsErrorText(std::uint32_t code) {
    const LastErrorKeeper keepError;  // the text is asked for while the error is still being reported
    wchar_t* wide = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&wide), 0, nullptr);
    std::string text;
    if (length != 0) {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), text.data(), size, nullptr, nullptr);
    }
    LocalFree(wide);
    return text;
}
#else
std::string OsErrorText(std::uint32_t code) {
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
#if defined(__GLIBC__)
    // strerror invents "Unknown error N" for codes it does not know; those have no name either, and
    // an invented text would read as the system's own.
    if (code > INT_MAX || strerrorname_np(static_cast<int>(code)) == nullptr) {
        return {};
    }
#endif
    return std::system_category().message(static_cast<int>(code));
}
#endif

}  // namespace

std::string SystemErrorText(std::uint32_t code) {
    // This program's own codes have the same texts everywhere.
    return (code & kAppErrorBit) != 0 ? AppErrorText(code) : OsErrorText(code);
}

}  // namespace platform
