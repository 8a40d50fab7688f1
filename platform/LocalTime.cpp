#include "platform/LocalTime.h"

namespace platform {

std::string LocalTimeText(std::time_t moment) {
    std::tm local{};
    char text[128];
#ifdef _WIN32
    if (localtime_s(&local, &moment) != 0) {
        return {};
    }
    // "%#c" is the Windows runtime's long date and time; GCC's format check knows only the ISO flags.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
    const std::size_t length = std::strftime(text, sizeof text, "%#c", &local);
#pragma GCC diagnostic pop
#else
    if (localtime_r(&moment, &local) == nullptr) {
        return {};
    }
    const std::size_t length = std::strftime(text, sizeof text, "%c", &local);
#endif
    return std::string(text, length);
}

}  // namespace platform
