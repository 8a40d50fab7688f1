#include "present/ConnectionStartup.h"

#include "device/DeviceConnection.h"
#include "device/GatewayProbe.h"
#include "platform/DebugOutput.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "port/PortHint.h"
#include "port/PortHolders.h"
#include "present/GatewayChoice.h"

namespace {

// Opens the port as `choice` says, with the reply time and RS-485 mode as the command line's options
// give them; a failure has been told and leaves the port closed.
bool OpenAsChosen(CComDevice& device, const ConnectionChoice& choice) {
    ConnectionRecipe recipe;
    if (choice.replyTimeoutMs) {
        recipe.SetWholeReplyTime(*choice.replyTimeoutMs);
    }
    device.m_replyTimeoutMs = recipe.replyTimeoutMs;
    device.m_networkAllowanceMs = recipe.networkAllowanceMs;
    if (!device.Open(PortForFraming(choice.devicePath, choice.framing), device.m_baudRate, device.m_parity,
                     device.m_stopBits)) {
        return false;
    }
    if (choice.rs485 && !device.Port().EnableRs485()) {
        platform::ShowMessageBox(
            Rs485FailureText(choice.devicePath, platform::GetLastError(), "untick RS-485 direction control") +
            ".");
        device.Port().Close();
        return false;
    }
    return true;
}

}  // namespace

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
        device.m_rs485 = current.rs485;
        device.m_framing = current.framing;
    } while (!OpenAsChosen(device, current));

    RememberConnection(store, current);
    // Before the first request: another program on the line takes part of every reply.
    if (const std::string warning = SharedPortWarning(current.devicePath); !warning.empty()) {
        platform::ShowMessageBox(warning + ".");
    }
    return true;
}

bool SettleGatewayKind(CComDevice& port, traffic::IFrameObserver* frames) {
    if (!NeedsGatewayProbe(port) || !ProbeGateway(port, port.m_address, frames).portFailed) {
        return true;
    }
    platform::ShowMessageBox(GatewayDroppedText(port.m_devicePath, platform::GetLastError()) + ".");
    port.Port().Close();
    return false;
}
