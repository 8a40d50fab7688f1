#include "present/CommissionForm.h"

#include "device/ControllerFacts.h"

namespace {

constexpr std::string_view kFirstAddressKey = "FirstAddress";
constexpr std::string_view kCountKey = "Count";
constexpr std::string_view kBaudRateKey = "BaudRate";
constexpr std::string_view kModeKey = "Mode";
constexpr std::string_view kLogPathKey = "LogPath";
constexpr std::string_view kAddressWord = ", address ";

// The stored value when it lies in [min, max], else `shown`.
int Within(std::int32_t stored, int min, int max, int shown) {
    return stored >= min && stored <= max ? stored : shown;
}

}  // namespace

CommissionFields RememberedCommission(ISettingsStore& store, const CommissionFields& shown) {
    CommissionFields fields = shown;
    fields.firstAddress =
        Within(store.Number(kFirstAddressKey, -1), kFirstAddress, kLastAddress, shown.firstAddress);
    fields.count = Within(store.Number(kCountKey, -1), 1, kLastAddress, shown.count);
    const std::int32_t baudRate = store.Number(kBaudRateKey, -1);
    if (baudRate > 0 && IsOfferedBaudRate(static_cast<std::uint32_t>(baudRate))) {
        fields.baudRate = static_cast<std::uint32_t>(baudRate);
    }
    fields.modeIndex =
        Within(store.Number(kModeKey, -1), 0, static_cast<int>(CommModeTable.size()) - 1, shown.modeIndex);
    if (std::string logPath = store.Text(kLogPathKey); !logPath.empty()) {
        fields.logPath = std::move(logPath);
    }
    return fields;
}

void RememberCommission(ISettingsStore& store, const CommissionFields& fields) {
    store.SetNumber(kFirstAddressKey, fields.firstAddress);
    store.SetNumber(kCountKey, fields.count);
    store.SetNumber(kBaudRateKey, static_cast<std::int32_t>(fields.baudRate));
    store.SetNumber(kModeKey, fields.modeIndex);
    store.SetText(kLogPathKey, fields.logPath);
}

std::string LogPathNote(std::string_view typed, const std::filesystem::path& workingFolder) {
    const std::filesystem::path path(std::u8string(typed.begin(), typed.end()));  // UTF-8, as typed
    if (typed.empty() || path.is_absolute()) {
        return {};
    }
    // UTF-8 on every system: string() would take Windows' ANSI code page.
    const std::u8string shown = (workingFolder / path).lexically_normal().u8string();
    return "Log: " + std::string(shown.begin(), shown.end());
}

std::string AddressFirst(const std::string& described) {
    const std::size_t at = described.rfind(kAddressWord);
    if (at == std::string::npos) {
        return described;
    }
    return described.substr(at + 2) + ", " + described.substr(0, at);
}
