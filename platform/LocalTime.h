#pragma once
// Date and time stamps for diagnostics.
#include <ctime>
#include <string>

namespace platform {

// The local date and time of a moment in the current locale's long form; empty when the moment cannot
// be converted to local time.
std::string LocalTimeText(std::time_t moment);

}  // namespace platform
