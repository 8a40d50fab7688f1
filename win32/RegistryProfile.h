#pragma once
// One section of the remembered settings in the registry, where Windows programs keep per-user settings:
// a key of its own under HKEY_CURRENT_USER\Software\Brannik\ArdenoXModbus (Settings for the connection,
// Commission for the commissioning fields), texts as REG_SZ and numbers as REG_DWORD.
#include <string>
#include <string_view>

#include "present/RememberedConnection.h"
#include "win32/Win.h"

class CRegistryProfile final : public ISettingsStore {
public:
    explicit CRegistryProfile(std::string_view section = kConnectionSection) : m_key(KeyOf(section)) {}

    // The registry key of `section`, under HKEY_CURRENT_USER.
    static std::wstring KeyOf(std::string_view section);

    std::string Text(std::string_view key) override;
    std::int32_t Number(std::string_view key, std::int32_t missing) override;
    // The key is created with the first write: nothing is written before a port opened.
    void SetText(std::string_view key, const std::string& value) override;
    void SetNumber(std::string_view key, std::int32_t value) override;

private:
    const std::wstring m_key;
};
