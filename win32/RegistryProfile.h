#pragma once
// The remembered connection in the registry, where Windows programs keep per-user settings:
// HKEY_CURRENT_USER\Software\Brannik\ArdenoXModbus\Settings, texts as REG_SZ and numbers as REG_DWORD.
#include <string>

#include "present/RememberedConnection.h"
#include "win32/Win.h"

class CRegistryProfile final : public ISettingsStore {
public:
    static constexpr const wchar_t* kKey = L"Software\\Brannik\\ArdenoXModbus\\Settings";

    std::string Text(std::string_view key) override;
    std::int32_t Number(std::string_view key, std::int32_t missing) override;
    // The key is created with the first write: nothing is written before a port opened.
    void SetText(std::string_view key, const std::string& value) override;
    void SetNumber(std::string_view key, std::int32_t value) override;
};
