#include "app/ConnectionStartup.h"

#include <utility>

#include "app/Profile.h"
#include "platform/DebugOutput.h"
#include "port/ComDevice.h"
#include "port/PortHolders.h"
#include "present/GatewayChoice.h"
#include "ui/ComChoiceDlg.h"

namespace {

// The remembered connection's section of the per-user profile.
class ProfileSection final : public ISettingsStore {
public:
    explicit ProfileSection(IProfile& profile) : m_profile(profile) {}

    std::string Text(std::string_view key) override {
        return m_profile.GetProfileString(m_section, Key(key), QString()).toStdString();
    }
    std::int32_t Number(std::string_view key, std::int32_t missing) override {
        return m_profile.GetProfileInt(m_section, Key(key), missing);
    }
    void SetText(std::string_view key, const std::string& value) override {
        m_profile.WriteProfileString(m_section, Key(key), QString::fromStdString(value));
    }
    void SetNumber(std::string_view key, std::int32_t value) override {
        m_profile.WriteProfileInt(m_section, Key(key), value);
    }

private:
    static QString Key(std::string_view key) {
        return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    }
    const QString m_section = Key(kConnectionSection);
    IProfile& m_profile;
};

}  // namespace

ConnectionDialog ComChoiceDialog(PortSource ports, traffic::IFrameObserver* findTap) {
    return [ports = std::move(ports),
            findTap](const ConnectionChoice& shown) -> std::optional<ConnectionChoice> {
        CComChoiceDlg dialog(QString::fromStdString(shown.devicePath), shown.baudRate, shown.parity,
                             shown.stopBits, shown.address, nullptr, ports);
        dialog.SetFindTap(findTap);
        dialog.SetEcho(shown.echo);
        dialog.SetFraming(shown.framing);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return ConnectionChoice{dialog.GetDevicePath().toStdString(),
                                dialog.m_baudRate,
                                dialog.m_parity,
                                dialog.m_stopBits,
                                dialog.m_address,
                                dialog.m_echo,
                                dialog.m_framing};
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
    ProfileSection remembered(profile);
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
        device.m_framing = current.framing;
    } while (!device.Open(PortForFraming(current.devicePath, current.framing), device.m_baudRate,
                          device.m_parity, device.m_stopBits));

    RememberConnection(remembered, current);
    // Before the first request: another program on the line takes part of every reply.
    if (const std::string warning = SharedPortWarning(current.devicePath); !warning.empty()) {
        platform::ShowMessageBox(warning + ".");
    }
    return true;
}
