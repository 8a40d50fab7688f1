#include "app/ConnectionStartup.h"

#include <utility>

#include "app/Profile.h"
#include "device/ControllerFacts.h"
#include "port/ComDevice.h"
#include "ui/ComChoiceDlg.h"

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kComPort = QStringLiteral("ComPort");
const QString kBaudRate = QStringLiteral("BaudRate");
const QString kParity = QStringLiteral("Parity");
const QString kStopBits = QStringLiteral("StopBits");
const QString kAddress = QStringLiteral("Address");
const QString kEcho = QStringLiteral("Echo");
// Read for a missing value; narrowed to a field it reads as that field's largest value, which the
// dialog replaces by its own default.
constexpr std::int32_t kMissing = -1;

}  // namespace

ConnectionDialog ComChoiceDialog(PortSource ports, traffic::IFrameObserver* findTap) {
    return [ports = std::move(ports),
            findTap](const ConnectionChoice& shown) -> std::optional<ConnectionChoice> {
        CComChoiceDlg dialog(shown.devicePath, shown.baudRate, shown.parity, shown.stopBits, shown.address,
                             nullptr, ports);
        dialog.SetFindTap(findTap);
        dialog.SetEcho(shown.echo);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return ConnectionChoice{dialog.GetDevicePath(), dialog.m_baudRate, dialog.m_parity,
                                dialog.m_stopBits,      dialog.m_address,  dialog.m_echo};
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
    ConnectionChoice current{
        profile.GetProfileString(kSection, kComPort, QString()),
        static_cast<std::uint32_t>(profile.GetProfileInt(kSection, kBaudRate, kMissing)),
        static_cast<std::uint8_t>(profile.GetProfileInt(kSection, kParity, kMissing)),
        static_cast<std::uint8_t>(profile.GetProfileInt(kSection, kStopBits, kMissing)),
        static_cast<std::uint8_t>(profile.GetProfileInt(kSection, kAddress, kMissing)),
        profile.GetProfileInt(kSection, kEcho, 0) != 0,
    };
    // Only a preselection: nothing is written to the controller or the profile, the operator still
    // confirms with OK, and these settings are remembered only once a port opened with them.
    if (written) {
        // A kept speed the dialog does not offer would show as its default: the speed in use stays.
        if (IsOfferedBaudRate(written->m_baudRate)) {
            current.baudRate = written->m_baudRate;
        }
        current.address = written->m_address;
        for (const CommModeEntry& mode : CommModeTable) {
            if (mode.m_mode == written->m_mode) {
                current.parity = mode.m_parity;
                current.stopBits = mode.m_stopBits;
            }
        }
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
    } while (!device.Open(current.devicePath.toStdString(), device.m_baudRate, device.m_parity,
                          device.m_stopBits));

    profile.WriteProfileString(kSection, kComPort, current.devicePath);
    profile.WriteProfileInt(kSection, kBaudRate, static_cast<std::int32_t>(device.m_baudRate));
    profile.WriteProfileInt(kSection, kParity, device.m_parity);
    profile.WriteProfileInt(kSection, kStopBits, device.m_stopBits);
    profile.WriteProfileInt(kSection, kAddress, device.m_address);
    profile.WriteProfileInt(kSection, kEcho, device.m_echo ? 1 : 0);
    return true;
}
