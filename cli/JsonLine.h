#pragma once
// One JSON object on one line, as ardenox-cli prints it: {"key": value, "key": value}.
#include <nlohmann/json.hpp>
#include <string>

// Keys keep their insertion order; text that is not UTF-8 is replaced rather than refused.
std::string JsonLine(const nlohmann::ordered_json& object);
