#include "present/LineSettingsText.h"

#include <fmt/format.h>

#include "device/ControllerFacts.h"

std::string ModeName(CArdeno::ECommModeSetting mode) {
    for (const CommModeEntry& entry : CommModeTable) {
        if (entry.m_mode == mode) {
            return std::string(res::LoadString(entry.m_nameId));
        }
    }
    return {};
}

std::string ModeNameOf(std::uint8_t parity, std::uint8_t stopBits) {
    for (const CommModeEntry& entry : CommModeTable) {
        if (entry.m_parity == parity && entry.m_stopBits == stopBits) {
            return std::string(res::LoadString(entry.m_nameId));
        }
    }
    return {};
}

std::string SettingsPhrase(std::uint32_t baudRate, CArdeno::ECommModeSetting mode, unsigned address) {
    return fmt::format("{} baud, {}, address {}", baudRate, ModeName(mode), address);
}

traffic::TraceSetting TraceSettingOf(const CComDevice& connection) {
    return {connection.m_devicePath,
            fmt::format("{} baud, {}", connection.m_baudRate,
                        ModeNameOf(connection.m_parity, connection.m_stopBits)),
            connection.m_address};
}
