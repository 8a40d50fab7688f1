#include "present/ConnectionStartup.h"

#include "platform/DebugOutput.h"
#include "port/ComDevice.h"
#include "port/PortHolders.h"

bool StartConnection(CComDevice& device, ISettingsStore& store, const ConnectionDialog& askOperator,
                     const std::optional<CommConfig>& written) {
    if (!device.Port().IsNull()) {
        return false;
    }
    ConnectionChoice current = RememberedConnection(store);
    // Only a preselection: nothing is written to the controller or the profile, the operator still
    // confirms with OK, and these settings are remembered only once a port opened with them.
    if (written) {
        current = OfferWritten(current, *written);
    }
    // Every failed attempt has told the operator why; the dialog then shows what was just tried.
    do {
        const std::optional<ConnectionChoice> choice = askOperator(current);
        if (!choice) {
            return false;
        }
        current = *choice;
        device.m_baudRate = current.baudRate;
        device.m_parity = current.parity;
        device.m_stopBits = current.stopBits;
        device.m_address = current.address;
        device.m_echo = current.echo;
    } while (!device.Open(current.devicePath, device.m_baudRate, device.m_parity, device.m_stopBits));

    RememberConnection(store, current);
    // Before the first request: another program on the line takes part of every reply.
    if (const std::string warning = SharedPortWarning(current.devicePath); !warning.empty()) {
        platform::ShowMessageBox(warning + ".");
    }
    return true;
}
