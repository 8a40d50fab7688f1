#include "platform/LocalTime.h"

namespace platform {

std::string LocalTimeText(std::time_t moment) {
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &moment) != 0) {
        return {};
    }
    constexpr const char* kLongForm = "%#c";
#else
    if (localtime_r(&moment, &local) == nullptr) {
        return {};
    }
    constexpr const char* kLongForm = "%c";
#endif
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, kLongForm, &local);
    return std::string(text, length);
}

}  // namespace platform
