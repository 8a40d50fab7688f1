#include "cli/ControllerValues.h"

#include <fmt/printf.h>

#include "cli/CliOptions.h"
#include "cli/JsonLine.h"
#include "device/Ardeno.h"
#include "device/ControllerFacts.h"
#include "device/Refusals.h"

namespace {

std::optional<std::string> ReadModel(CArdeno& controller) {
    unsigned short model = 0;
    return controller.GetModel(model) ? std::optional(fmt::sprintf("ArdenoX %u", model)) : std::nullopt;
}

std::optional<std::string> ReadVersion(CArdeno& controller) {
    std::pair<int, int> version;
    return controller.GetVersion(version)
               ? std::optional(fmt::sprintf("%u.%u", version.first, version.second))
               : std::nullopt;
}

std::optional<std::string> ReadConfStatus(CArdeno& controller) {
    CArdeno::ECommConfStatus status{};
    if (!controller.GetConfStatus(status)) {
        return std::nullopt;
    }
    switch (status) {
        case CArdeno::StatusSaving:
            return "saving";
        case CArdeno::StatusOther:
            return "status 2";  // valid, and not saving; the tool knows no more of it
        case CArdeno::StatusIdle:
            break;
    }
    return "idle";
}

std::optional<std::string> ReadAddress(CArdeno& controller) {
    unsigned char address = 0;
    return controller.GetAddress(address) ? std::optional(std::to_string(address)) : std::nullopt;
}

std::optional<std::string> ReadBaudRate(CArdeno& controller) {
    unsigned long baudRate = 0;
    return controller.GetBaudRate(baudRate) ? std::optional(std::to_string(baudRate)) : std::nullopt;
}

std::optional<std::string> ReadCommMode(CArdeno& controller) {
    CArdeno::ECommModeSetting mode{};
    if (!controller.GetCommMode(mode)) {
        return std::nullopt;
    }
    return std::string(res::LoadString(CommModeTable.at(mode).m_nameId));
}

}  // namespace

const std::array<ControllerValue, 6>& ControllerValues() {
    static const std::array<ControllerValue, 6> values{{
        {VariableName(kVarModel), "model", kVarModel, false, ReadModel},
        {VariableName(kVarVersion), "firmwareVersion", kVarVersion, false, ReadVersion},
        {VariableName(kVarConfStatus), "configurationStatus", kVarConfStatus, false, ReadConfStatus},
        {VariableName(kVarAddress), "address", kVarAddress, true, ReadAddress},
        {VariableName(kVarBaudRate), "baudRate", kVarBaudRate, true, ReadBaudRate},
        {VariableName(kVarCommMode), "mode", kVarCommMode, false, ReadCommMode},
    }};
    return values;
}

const ControllerValue* FindControllerValue(int varId) {
    for (const ControllerValue& value : ControllerValues()) {
        if (value.varId == varId) {
            return &value;
        }
    }
    return nullptr;
}

std::string FormatLines(const std::vector<std::pair<const ControllerValue*, std::string>>& values) {
    std::string lines;
    for (const auto& [value, text] : values) {
        lines += fmt::format("{}: {}\n", value->name, text);
    }
    return lines;
}

std::string FormatJson(const std::vector<std::pair<const ControllerValue*, std::string>>& values) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const auto& [value, text] : values) {
        // Numbers come as their decimal text from the controller model.
        object[std::string(value->jsonKey)] =
            value->jsonNumber ? nlohmann::ordered_json(std::stoll(text)) : nlohmann::ordered_json(text);
        // Beside the mode's text its --mode token, so that a script can pass it on.
        if (value->varId == kVarCommMode) {
            for (std::size_t i = 0; i < CommModeTable.size(); ++i) {
                if (res::LoadString(CommModeTable[i].m_nameId) == text) {
                    object["modeName"] = ModeName(i);
                }
            }
        }
    }
    return JsonLine(object);
}
