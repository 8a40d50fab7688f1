#pragma once
// What to tell an operator whose port would not open for lack of permission.
#include <cstdint>
#include <string>

// One line for an open failure with `errorCode` "permission denied": the group the device node belongs
// to and how to join it, or whom to ask when no group grants access. Empty for any other error.
std::string AccessHint(const std::string& devicePath, std::uint32_t errorCode);
