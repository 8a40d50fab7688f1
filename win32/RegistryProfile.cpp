#include "win32/RegistryProfile.h"

#include "win32/Text.h"

namespace {

// One value's type and bytes; false when it is missing.
bool ReadValue(const std::wstring& keyPath, std::string_view key, DWORD& type, std::wstring& text,
               DWORD& number) {
    HKEY settings = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &settings) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring name = Wide(key);
    DWORD size = 0;
    bool found = RegQueryValueExW(settings, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found && type == REG_DWORD && size == sizeof number) {
        found = RegQueryValueExW(settings, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                                 &size) == ERROR_SUCCESS;
    } else if (found && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        text.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        found = RegQueryValueExW(settings, name.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS;
        // A stored string need not end with its terminator.
        text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    } else {
        found = false;
    }
    RegCloseKey(settings);
    return found;
}

void WriteValue(const std::wstring& keyPath, std::string_view key, DWORD type, const void* data, DWORD size) {
    HKEY settings = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &settings,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(settings, Wide(key).c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(settings);
}

}  // namespace

std::wstring CRegistryProfile::KeyOf(std::string_view section) {
    return L"Software\\Brannik\\ArdenoXModbus\\" + Wide(section);
}

std::string CRegistryProfile::Text(std::string_view key) {
    DWORD type = 0;
    DWORD number = 0;
    std::wstring text;
    return ReadValue(m_key, key, type, text, number) && type != REG_DWORD ? Utf8(text) : std::string();
}

std::int32_t CRegistryProfile::Number(std::string_view key, std::int32_t missing) {
    DWORD type = 0;
    DWORD number = 0;
    std::wstring text;
    if (!ReadValue(m_key, key, type, text, number)) {
        return missing;
    }
    if (type == REG_DWORD) {
        return static_cast<std::int32_t>(number);
    }
    // A number typed by hand as a string counts when it is one, as the profile calls read it.
    wchar_t* end = nullptr;
    const long long value = wcstoll(text.c_str(), &end, 10);
    const bool whole = !text.empty() && end != nullptr && *end == L'\0';
    return whole && value >= INT32_MIN && value <= static_cast<long long>(UINT32_MAX)
               ? static_cast<std::int32_t>(static_cast<std::uint32_t>(value))
               : missing;
}

void CRegistryProfile::SetText(std::string_view key, const std::string& value) {
    const std::wstring text = Wide(value);
    WriteValue(m_key, key, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void CRegistryProfile::SetNumber(std::string_view key, std::int32_t value) {
    const DWORD number = static_cast<DWORD>(value);
    WriteValue(m_key, key, REG_DWORD, &number, sizeof number);
}
