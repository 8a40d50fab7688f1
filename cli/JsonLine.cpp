#include "cli/JsonLine.h"

std::string JsonLine(const nlohmann::ordered_json& object) {
    constexpr auto kReplace = nlohmann::ordered_json::error_handler_t::replace;
    std::string line = "{";
    for (const auto& [key, value] : object.items()) {
        if (line.size() > 1) {
            line += ", ";
        }
        line += nlohmann::ordered_json(key).dump(-1, ' ', false, kReplace) + ": " +
                value.dump(-1, ' ', false, kReplace);
    }
    return line + "}\n";
}
