#include "win32/SystemPorts.h"

#include <algorithm>
#include <cwchar>

#include "win32/Text.h"

// After Win.h: SetupAPI needs the base headers.
#include <devguid.h>
#include <setupapi.h>

namespace {

std::string Property(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t text[256] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr, reinterpret_cast<BYTE*>(text),
                                           sizeof text - sizeof(wchar_t), nullptr)) {
        return {};
    }
    return Utf8(text);
}

// The port name the device's own key holds ("COM5").
std::string PortNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool found = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name),
                                        &size) == ERROR_SUCCESS &&
                       type == REG_SZ;
    RegCloseKey(key);
    return found ? Utf8(name) : std::string();
}

void AddDeviceManagerPorts(std::vector<PortFacts>& ports) {
    const HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        std::string name = PortNameOf(devices, device);
        if (!name.empty()) {
            ports.push_back({std::move(name),
                             Property(devices, device, SPDRP_DEVICEDESC),
                             Property(devices, device, SPDRP_MFG),
                             {},
                             {}});
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
}

void AddDeviceMapPorts(std::vector<PortFacts>& ports) {
    HKEY map = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &map) !=
        ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD valueNameSize = 256;
        wchar_t port[64] = {};
        DWORD size = sizeof port - sizeof(wchar_t);
        DWORD type = 0;
        const LONG status = RegEnumValueW(map, index, valueName, &valueNameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(port), &size);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS || type != REG_SZ) {
            continue;
        }
        const std::string name = Utf8(port);
        if (std::none_of(ports.begin(), ports.end(),
                         [&](const PortFacts& known) { return known.name == name; })) {
            ports.push_back({name, {}, {}, {}, {}});
        }
    }
    RegCloseKey(map);
}

// The MS-DOS device names, for ports that neither of the above lists.
void AddDosDevicePorts(std::vector<PortFacts>& ports) {
    std::vector<wchar_t> names(65536);
    const DWORD length = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
    for (std::size_t at = 0; at < length && names[at] != L'\0';) {
        const std::string name = Utf8(names.data() + at);
        at += wcslen(names.data() + at) + 1;
        if (ReadsAsComPort(name) && std::none_of(ports.begin(), ports.end(), [&](const PortFacts& known) {
                return known.name == name;
            })) {
            ports.push_back({name, {}, {}, {}, {}});
        }
    }
}

}  // namespace

std::vector<PortFacts> SystemPorts() {
    std::vector<PortFacts> ports;
    AddDeviceManagerPorts(ports);
    AddDeviceMapPorts(ports);
    AddDosDevicePorts(ports);
    return ports;
}
