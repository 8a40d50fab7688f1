#include "app/ConnectionStartup.h"

#include <utility>

#include "app/Profile.h"
#include "port/ComDevice.h"
#include "ui/ComChoiceDlg.h"

ConnectionDialog ComChoiceDialog(PortSource ports, traffic::IFrameObserver* findTap) {
    return [ports = std::move(ports),
            findTap](const ConnectionChoice& shown) -> std::optional<ConnectionChoice> {
        CComChoiceDlg dialog(QString::fromStdString(shown.devicePath), shown.baudRate, shown.parity,
                             shown.stopBits, shown.address, nullptr, ports);
        dialog.SetFindTap(findTap);
        dialog.SetEcho(shown.echo);
        dialog.SetReplyTime(shown.replyTimeoutMs);
        dialog.SetRs485(shown.rs485);
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
                                dialog.m_replyTimeoutMs,
                                dialog.m_rs485,
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
    CProfileSection remembered(profile, kConnectionSection);
    return StartConnection(device, remembered, askOperator, written);
}
