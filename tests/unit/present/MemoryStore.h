#pragma once
// A settings store kept in memory, for the models that remember settings.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "present/RememberedConnection.h"

// Keys as the profile keeps them; numbers written as text, as a hand-edited file may hold them.
class MemoryStore final : public ISettingsStore {
public:
    std::string Text(std::string_view key) override {
        const auto found = values.find(std::string(key));
        return found == values.end() ? std::string() : found->second;
    }
    std::int32_t Number(std::string_view key, std::int32_t missing) override {
        const auto found = values.find(std::string(key));
        return found == values.end() ? missing : std::stoi(found->second);
    }
    void SetText(std::string_view key, const std::string& value) override {
        values[std::string(key)] = value;
    }
    void SetNumber(std::string_view key, std::int32_t value) override {
        values[std::string(key)] = std::to_string(value);
    }

    std::map<std::string, std::string> values;
};
