#include "port/PortHint.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>
#include <system_error>

#include "platform/AppErrors.h"
#include "platform/SystemText.h"
#include "port/AccessHint.h"

namespace {

constexpr std::array<std::string_view, 5> kPortPrefixes{"ttyUSB", "ttyACM", "ttyAMA", "ttyXRUSB", "rfcomm"};

// The sorted paths of `folder`'s entries whose names pass `wanted`; none when it cannot be read.
template <typename Wanted>
std::vector<std::string> Entries(const std::filesystem::path& folder, Wanted wanted) {
    std::vector<std::string> paths;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (wanted(it->path().filename().string())) {
            paths.push_back(it->path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

std::vector<std::string> ExistingSerialPorts(const std::filesystem::path& devices) {
    std::vector<std::string> ports =
        Entries(devices / "serial" / "by-id", [](const std::string&) { return true; });
    const std::vector<std::string> nodes = Entries(devices, [](const std::string& name) {
        return std::any_of(kPortPrefixes.begin(), kPortPrefixes.end(),
                           [&name](std::string_view prefix) { return name.starts_with(prefix); });
    });
    ports.insert(ports.end(), nodes.begin(), nodes.end());
    return ports;
}

std::string MissingPortHint(std::uint32_t errorCode, const std::filesystem::path& devices) {
#if defined(_WIN32)
    constexpr std::uint32_t kNoSuchPort = 2;  // ERROR_FILE_NOT_FOUND
    (void)devices;
    return errorCode == kNoSuchPort ? "No such port: the Device Manager lists the COM ports under \"Ports\"."
                                    : "";
#else
    if (errorCode != ENOENT) {
        return {};
    }
    const std::vector<std::string> ports = ExistingSerialPorts(devices);
    const std::string listed = (devices / "serial" / "by-id").string() + "/";
    if (ports.empty()) {
        return "No such port, and no serial adapter is plugged in. Plug it in: it then appears in " + listed +
               " (sudo dmesg | tail shows the node it was given).";
    }
    std::string text = "No such port: USB adapters are listed in " + listed + "; ports here:";
    for (const std::string& port : ports) {
        text += (&port == &ports.front() ? " " : ", ") + port;
    }
    return text + ".";
#endif
}

std::string OpenFailureHint(const std::string& devicePath, std::uint32_t errorCode) {
    std::string hint = AccessHint(devicePath, errorCode);
    return hint.empty() ? MissingPortHint(errorCode) : hint;
}

std::string Rs485FailureText(const std::string& port, std::uint32_t code, std::string_view leaveOut) {
    if (code == platform::kErrorNoRs485) {
        return port + ": the port's driver has no RS-485 mode; " + std::string(leaveOut) +
               " (an adapter that switches direction by itself needs none)";
    }
    std::string text = platform::SystemErrorText(code);
    text.erase(text.find_last_not_of(" \r\n.") + 1);
    return port + ": the RS-485 mode could not be turned on: " + text;
}
