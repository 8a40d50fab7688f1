#pragma once
// The controller's six input values as the command-line tool shows them.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CArdeno;

struct ControllerValue {
    std::string_view name;     // "firmware version"
    std::string_view jsonKey;  // "firmwareVersion"
    int varId;
    bool jsonNumber;  // the text is a JSON number, not a string
    // The current value's text; empty while the controller has given no acceptable value.
    std::optional<std::string> (*read)(CArdeno& controller);
};

const std::array<ControllerValue, 6>& ControllerValues();
// The row of a variable id; null for the output variables.
const ControllerValue* FindControllerValue(int varId);

// "name: text" lines, one per value.
std::string FormatLines(const std::vector<std::pair<const ControllerValue*, std::string>>& values);
// One JSON object of the values, on one line.
std::string FormatJson(const std::vector<std::pair<const ControllerValue*, std::string>>& values);
