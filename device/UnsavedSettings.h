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

// After a write that stopped with nothing left unsaved (it stopped before its first write, or while the
// controller saved): the new settings take effect only at its next restart, so until then it answers
// where it did. `whereNow` names that ("19200 baud, Even, 1 stop bit, address 16 on /dev/ttyUSB0"),
// `checkWith` and `findWith` the front end's ways to read it there and to find it.
std::string StoppedWriteText(std::string_view whereNow, std::string_view checkWith,
                             std::string_view findWith);
