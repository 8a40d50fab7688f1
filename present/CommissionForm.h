#pragma once
// The Commission dialog's fields as they are remembered between runs, the log path as it will be
// opened, and the settings phrases of its table.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "present/RememberedConnection.h"

// The section the commissioning keys live in.
inline constexpr std::string_view kCommissionSection = "Commission";

struct CommissionFields {
    int firstAddress = 1;
    int count = 1;
    std::uint32_t baudRate = 0;
    int modeIndex = 0;  // into CommModeTable
    std::string logPath;

    friend bool operator==(const CommissionFields&, const CommissionFields&) = default;
};

// The fields of the last run started; each value missing or one the dialog cannot show is `shown`'s.
CommissionFields RememberedCommission(ISettingsStore& store, const CommissionFields& shown);
// Remembers `fields`; called once a run started with them.
void RememberCommission(ISettingsStore& store, const CommissionFields& fields);

// For a relative log path, where the log will be: "Log: /home/op/bench.csv"; empty for an empty or
// absolute one, which says so itself.
std::string LogPathNote(std::string_view typed, const std::filesystem::path& workingFolder);

// A settings phrase ("38400 baud, Even, 1 stop bit, address 20") with the address first, as the table
// shows it: the address tells the units apart.
std::string AddressFirst(const std::string& described);
