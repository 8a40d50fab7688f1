#pragma once
// The connection settings dialog: which port, baud rate, parity/stop bits and slave address to use.
// It offers the ports it discovers, preselects the settings it is given and checks the address on OK;
// it opens nothing and remembers nothing itself.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "present/ConnectionForm.h"
#include "traffic/Frame.h"
#include "ui/PortDiscovery.h"

namespace Ui {
class ComChoiceDlg;
}

class CComChoiceDlg : public QDialog {
    Q_OBJECT
public:
    // `port` is a device path, as GetDevicePath gives it; values the dialog cannot show are replaced by
    // its defaults. The port list comes from `ports`, read again each time the list drops down, and is
    // shown by the platform's naming rules (a test may ask for the other platform's).
    CComChoiceDlg(QString port, std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits,
                  std::uint8_t address, QWidget* parent = nullptr, PortSource ports = SystemPorts,
                  EPortNaming naming = NativePortNaming());
    ~CComChoiceDlg() override;

    // The device path of the chosen port; meaningful after the dialog ended with OK.
    QString GetDevicePath() const;
    // Where Find reports the frames of its scan (the traffic window's buffer); not owned.
    void SetFindTap(traffic::IFrameObserver* tap) { m_findTap = tap; }
    // Shows whether the adapter echoes; m_echo holds the choice after OK.
    void SetEcho(bool echo);
    // Shows the reply time (none: the field stays empty) and RS-485 direction control; the members below
    // hold the choice after OK.
    void SetReplyTime(ReplyTime replyTimeoutMs);
    void SetRs485(bool rs485);
    // Shows the gateway kind chosen for a tcp:// port; m_framing holds the choice after OK (none for
    // any other port).
    void SetFraming(std::optional<traffic::Framing> framing);

    // The dialog's result once it ended with OK; the given values otherwise.
    QString m_port;
    std::uint32_t m_baudRate;
    std::uint8_t m_parity;
    std::uint8_t m_stopBits;
    std::uint8_t m_address;
    bool m_echo = false;
    ReplyTime m_replyTimeoutMs;
    bool m_rs485 = false;
    std::optional<traffic::Framing> m_framing;

private:
    void OnInitDialog();
    // Fills the port list from what the system reports now; the entries show descriptions and carry
    // their port text as item data. Returns the entries' port texts.
    std::vector<std::string> FillPortList();
    // Reads the list again when it drops down, keeping the current choice (or typed text).
    void OnPortPopup();
    // The port text of the choice: the entry's own when an entry is shown, else what was typed.
    QString ChosenPort() const;
    void OnCbnSelchangePort();
    // The gateway choice is open for a tcp:// port only.
    void ShowGatewayChoice();
    void OnBnClickedOk();
    void OnBnClickedDefault();
    // Scans the chosen port for the controller and, when one answers, shows its settings.
    void OnBnClickedFind();
    void ShowSettings(const LineChoice& line);
    LineChoice ShownLine() const;

    std::unique_ptr<Ui::ComChoiceDlg> m_ui;
    const EPortNaming m_naming;
    const PortSource m_portSource;
    const QString m_rememberedPath;
    traffic::IFrameObserver* m_findTap = nullptr;
};
