#include "present/PortRules.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::string_view kWindowsPathPrefix = "\\\\.\\";
constexpr std::string_view kWindowsAnyPathPrefix = "\\\\";
constexpr std::string_view kPosixDeviceFolder = "/dev/";
constexpr std::string_view kGatewayMark = "://";
constexpr std::string_view kDash = " \u2014 ";
// The shortest Windows device path worth looking up: the prefix and "COM1".
constexpr std::size_t kShortestWindowsPath = 8;

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Port names and the words around them are ASCII; other bytes compare as they are.
char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Folded(x) == Folded(y); });
}

bool StartsIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        if (EqualIgnoringCase(text.substr(at, part.size()), part)) {
            return true;
        }
    }
    return false;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Folded(x) < Folded(y); });
}

std::vector<std::string> NamesOf(const std::vector<PortFacts>& system) {
    std::vector<std::string> names;
    for (const PortFacts& port : system) {
        names.push_back(port.name);
    }
    return names;
}

// "FTDI USB-RS485": the maker is left out when the product already names it.
std::string DeviceName(const PortFacts& facts) {
    if (facts.manufacturer.empty() || ContainsIgnoringCase(facts.description, facts.manufacturer)) {
        return facts.description;
    }
    return facts.description.empty() ? facts.manufacturer : facts.manufacturer + ' ' + facts.description;
}

int FindIgnoringCase(const std::vector<std::string>& entries, std::string_view text, bool prefixOnly) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (prefixOnly ? StartsIgnoringCase(entries[i], text) : EqualIgnoringCase(entries[i], text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// A remembered "\\.\<name>" selects <name> when listed; any other long text is taken as it stands. The
// list then selects the first entry that begins with the resulting text, as the list control does.
PortPreselection PreselectWindowsPort(const std::vector<std::string>& entries,
                                      const std::string& rememberedPath) {
    PortPreselection result{rememberedPath};
    if (rememberedPath.size() >= kShortestWindowsPath) {
        if (rememberedPath.starts_with(kWindowsPathPrefix)) {
            const std::string name = rememberedPath.substr(kWindowsPathPrefix.size());
            result.enableOk = FindIgnoringCase(entries, name, false) >= 0;
            result.port = result.enableOk ? name : std::string();
        } else {
            result.enableOk = true;
        }
    }
    result.index = FindIgnoringCase(entries, result.port, true);
    return result;
}

PortPreselection PreselectPosixPort(const std::vector<std::string>& entries,
                                    const std::string& rememberedPath) {
    if (rememberedPath.empty()) {
        return {};
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (DevicePath(EPortNaming::Posix, entries[i]) == rememberedPath) {
            return {entries[i], static_cast<int>(i), true};
        }
    }
    return {};
}

}  // namespace

EPortNaming NativePortNaming() {
#ifdef _WIN32
    return EPortNaming::Windows;
#else
    return EPortNaming::Posix;
#endif
}

bool ReadsAsComPort(std::string_view name) {
    constexpr std::string_view kStem = "COM";
    if (!name.starts_with(kStem)) {
        return false;
    }
    std::size_t pos = kStem.size();
    while (pos < name.size() && IsBlank(name[pos])) {
        ++pos;
    }
    if (pos < name.size() && (name[pos] == '+' || name[pos] == '-')) {
        ++pos;
    }
    // Every notation "%i" accepts (decimal, 0x hexadecimal, 0 octal) begins with a decimal digit.
    return pos < name.size() && name[pos] >= '0' && name[pos] <= '9';
}

std::vector<std::string> SortedPortNames(std::vector<std::string> names) {
    std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

std::vector<std::string> ComPortsAmong(const std::vector<std::string>& deviceNames) {
    std::vector<std::string> ports;
    std::copy_if(deviceNames.begin(), deviceNames.end(), std::back_inserter(ports),
                 [](const std::string& name) { return ReadsAsComPort(name); });
    return SortedPortNames(std::move(ports));
}

bool NodeExistsOnDisk(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(std::u8string(path.begin(), path.end())), error);
}

std::vector<std::string> DiscoverPorts(EPortNaming naming, const std::vector<PortFacts>& system,
                                       const std::string& rememberedPath, const NodeExists& exists) {
    if (naming == EPortNaming::Windows) {
        return ComPortsAmong(NamesOf(system));
    }
    std::vector<std::string> ports = SortedPortNames(NamesOf(system));
    const bool listed = PreselectPosixPort(ports, rememberedPath).index >= 0;
    // A remembered gateway cannot be looked for: it is offered as it was.
    const bool gateway = rememberedPath.find(kGatewayMark) != std::string::npos;
    if (!rememberedPath.empty() && !listed && (gateway || exists(rememberedPath))) {
        ports.push_back(rememberedPath);
    }
    return ports;
}

std::string DevicePath(EPortNaming naming, const std::string& port) {
    // A network gateway (tcp://, rfc2217://) is named as typed, on either system.
    if (port.find(kGatewayMark) != std::string::npos) {
        return port;
    }
    if (naming == EPortNaming::Windows) {
        return port.starts_with(kWindowsAnyPathPrefix) ? port : std::string(kWindowsPathPrefix) + port;
    }
    if (port.starts_with('/')) {
        return port;
    }
    return std::string(kPosixDeviceFolder) + port;
}

std::string PortText(const std::string& devicePath) {
    return devicePath.starts_with(kWindowsPathPrefix) ? devicePath.substr(kWindowsPathPrefix.size())
                                                      : devicePath;
}

PortPreselection PreselectPort(EPortNaming naming, const std::vector<std::string>& entries,
                               const std::string& rememberedPath) {
    return naming == EPortNaming::Windows ? PreselectWindowsPort(entries, rememberedPath)
                                          : PreselectPosixPort(entries, rememberedPath);
}

std::string PortLabel(const std::string& port, const std::vector<PortFacts>& system) {
    const auto facts = std::find_if(system.begin(), system.end(),
                                    [&port](const PortFacts& candidate) { return candidate.name == port; });
    if (facts == system.end()) {
        return port;
    }
    std::string details = DeviceName(*facts);
    if (details.empty()) {
        details = facts->stableLink;  // its name carries maker, product and serial number
    } else if (!facts->serialNumber.empty()) {
        details += " (serial " + facts->serialNumber + ')';
    }
    return details.empty() ? port : port + std::string(kDash) + details;
}
