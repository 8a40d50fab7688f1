#include "app/ConnectionStartup.h"

#include <utility>

#include "app/Profile.h"
#include "device/DeviceConnection.h"
#include "platform/DebugOutput.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "port/PortHint.h"
#include "port/PortHolders.h"
#include "ui/ComChoiceDlg.h"

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
    if (!device.Open(choice.devicePath, device.m_baudRate, device.m_parity, device.m_stopBits)) {
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

ConnectionDialog ComChoiceDialog(PortSource ports, traffic::IFrameObserver* findTap) {
    return [ports = std::move(ports),
            findTap](const ConnectionChoice& shown) -> std::optional<ConnectionChoice> {
        CComChoiceDlg dialog(QString::fromStdString(shown.devicePath), shown.baudRate, shown.parity,
                             shown.stopBits, shown.address, nullptr, ports);
        dialog.SetFindTap(findTap);
        dialog.SetEcho(shown.echo);
        dialog.SetReplyTime(shown.replyTimeoutMs);
        dialog.SetRs485(shown.rs485);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return ConnectionChoice{dialog.GetDevicePath().toStdString(),
                                dialog.m_baudRate,
                                dialog.m_parity,
                                dialog.m_stopBits,
                                dialog.m_address,
                                dialog.m_echo,
                                dialog.m_replyTimeoutMs,
                                dialog.m_rs485};
    };
}

std::optional<ConnectionChoice> AskWithComChoiceDlg(const ConnectionChoice& shown) {
    return ComChoiceDialog(SystemPorts)(shown);
}

bool OpenConnection(CComDevice& device, const std::optional<CommConfig>& written,
                    traffic::IFrameObserver* findTap) {
    CProfile profile;
    return OpenConnection(device, profile, ComChoiceDialog(SystemPorts, findTap), written);
}

bool OpenConnection(CComDevice& device, IProfile& profile, const ConnectionDialog& askOperator,
                    const std::optional<CommConfig>& written) {
    if (!device.Port().IsNull()) {
        return false;
    }
    CProfileSection remembered(profile, kConnectionSection);
    ConnectionChoice current = RememberedConnection(remembered);
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
    } while (!OpenAsChosen(device, current));

    RememberConnection(remembered, current);
    // Before the first request: another program on the line takes part of every reply.
    if (const std::string warning = SharedPortWarning(current.devicePath); !warning.empty()) {
        platform::ShowMessageBox(warning + ".");
    }
    return true;
}
