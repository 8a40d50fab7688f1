#include "platform/SystemText.h"

#include <system_error>

namespace platform {

std::string SystemErrorText(std::uint32_t code) {
    // On Windows the system category asks FormatMessage; elsewhere it is strerror's text.
    return std::system_category().message(static_cast<int>(code));
}

}  // namespace platform
