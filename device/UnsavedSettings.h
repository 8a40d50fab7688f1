#pragma once
// What a guarded write that stopped before its save leaves in the controller, in the words that the
// command-line tool and the window both use.
#include <string>
#include <string_view>
#include <vector>

#include "device/WriteProcedure.h"

// "holding registers 33 (address 17), 34 (baud rate 38400), 35 (mode none2) hold new values that are
// not saved and vanish at the controller's next restart unless saved", for `writes`
// (CWriteProcedure::UnsavedWrites) of `written`, its mode named `modeName`. Empty when nothing was left.
std::string UnsavedSettingsText(const CommConfig& written, const std::vector<int>& writes,
                                std::string_view modeName);
