#include "ui/ComChoiceDlg.h"

#include <QSignalBlocker>
#include <string>
#include <utility>
#include <variant>

#include "device/ControllerFacts.h"
#include "present/ConnectionForm.h"
#include "present/FindProgress.h"
#include "present/GatewayChoice.h"
#include "ui/FieldTip.h"
#include "ui/ScanDlg.h"
#include "ui/Text.h"
#include "ui_ComChoiceDlg.h"

CComChoiceDlg::CComChoiceDlg(QString port, std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits,
                             std::uint8_t address, QWidget* parent, PortSource ports, EPortNaming naming)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_port(std::move(port)),
      m_baudRate(baudRate),
      m_parity(parity),
      m_stopBits(stopBits),
      m_address(address),
      m_ui(std::make_unique<Ui::ComChoiceDlg>()),
      m_naming(naming),
      m_portSource(std::move(ports)),
      m_rememberedPath(m_port) {
    m_ui->setupUi(this);
    OnInitDialog();
    // Connected only now: filling and preselecting the lists must not enable OK. Choosing the entry that
    // is already selected changes neither index nor text, yet it is a choice too: `activated`.
    connect(m_ui->portCombo, &QComboBox::activated, this, &CComChoiceDlg::OnCbnSelchangePort);
    connect(m_ui->portCombo, &QComboBox::currentIndexChanged, this, &CComChoiceDlg::OnCbnSelchangePort);
    connect(m_ui->portCombo, &QComboBox::editTextChanged, this, &CComChoiceDlg::OnCbnSelchangePort);
    connect(m_ui->portCombo, &CPortCombo::popupAboutToShow, this, &CComChoiceDlg::OnPortPopup);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CComChoiceDlg::OnBnClickedOk);
    connect(m_ui->defaultButton, &QPushButton::clicked, this, &CComChoiceDlg::OnBnClickedDefault);
    connect(m_ui->findButton, &QPushButton::clicked, this, &CComChoiceDlg::OnBnClickedFind);
}

CComChoiceDlg::~CComChoiceDlg() = default;

QString CComChoiceDlg::GetDevicePath() const {
    return Text(DevicePath(m_naming, m_port.toStdString()));
}

void CComChoiceDlg::OnInitDialog() {
    QComboBox& portCombo = *m_ui->portCombo;
    // A pseudo-terminal or a socat link is never reported by the system, so on POSIX any path may be typed.
    portCombo.setEditable(m_naming == EPortNaming::Posix);
    portCombo.setCompleter(nullptr);
    const PortPreselection preselection =
        PreselectPort(m_naming, FillPortList(), m_rememberedPath.toStdString());
    m_port = Text(preselection.port);
    portCombo.setCurrentIndex(preselection.index);
    // A path that is not listed (typed by hand and just failed, or a device that is gone) stays in view,
    // so that the operator can correct it rather than type it again; OK still waits for a change.
    if (portCombo.isEditable() && preselection.index < 0) {
        portCombo.setEditText(m_rememberedPath);
    }
    m_ui->okButton->setEnabled(preselection.enableOk);

    for (const std::uint32_t baudRate : BaudRateTable) {
        m_ui->baudCombo->addItem(QString::number(baudRate));
    }
    for (const CommModeEntry& mode : CommModeTable) {
        m_ui->modeCombo->addItem(Text(res::LoadString(mode.m_nameId)));
    }
    for (const std::string& text : GatewayChoiceTexts()) {
        m_ui->gatewayCombo->addItem(Text(text));
    }
    ShowGatewayChoice();
    ShowSettings(PreselectLine(m_baudRate, m_parity, m_stopBits, m_address));
    m_ui->replyTimeEdit->setPlaceholderText(Text(kReplyTimeCue));
    m_ui->replyTimeEdit->setToolTip(Text(kReplyTimeTip));
    m_ui->echoCheck->setToolTip(Text(kEchoTip));
    m_ui->rs485Check->setToolTip(Text(kRs485Tip));
    m_ui->findButton->setToolTip(Text(kFindTip));
}

void CComChoiceDlg::ShowGatewayChoice() {
    m_ui->gatewayCombo->setEnabled(GatewayChoiceApplies(ChosenPort().toStdString()));
}

std::vector<std::string> CComChoiceDlg::FillPortList() {
    const std::vector<PortFacts> system = m_portSource();
    std::vector<std::string> ports = DiscoverPorts(m_naming, system, m_rememberedPath.toStdString());
    m_ui->portCombo->clear();
    for (const std::string& port : ports) {
        m_ui->portCombo->addItem(Text(PortLabel(port, system)), Text(port));
    }
    return ports;
}

void CComChoiceDlg::OnPortPopup() {
    QComboBox& portCombo = *m_ui->portCombo;
    const QString current = ChosenPort();
    // Reading the list again is no choice of the operator's: it must not enable OK.
    const QSignalBlocker blocker(portCombo);
    FillPortList();
    const int index = portCombo.findData(current);
    portCombo.setCurrentIndex(index);
    if (portCombo.isEditable() && index < 0) {
        portCombo.setEditText(current);
    }
}

QString CComChoiceDlg::ChosenPort() const {
    const QComboBox& portCombo = *m_ui->portCombo;
    const int index = portCombo.currentIndex();
    if (index >= 0 && portCombo.currentText() == portCombo.itemText(index)) {
        return portCombo.itemData(index).toString();
    }
    return portCombo.currentText();
}

void CComChoiceDlg::OnCbnSelchangePort() {
    m_ui->okButton->setEnabled(true);
    ShowGatewayChoice();
}

LineChoice CComChoiceDlg::ShownLine() const {
    return {m_ui->baudCombo->currentIndex(), m_ui->modeCombo->currentIndex(),
            m_ui->addressEdit->text().toStdString()};
}

void CComChoiceDlg::OnBnClickedOk() {
    m_port = ChosenPort();
    const std::variant<ChosenLine, FieldRefusal> taken = TakeLine(ShownLine());
    if (const auto* refusal = std::get_if<FieldRefusal>(&taken)) {
        ShowRefusal(*m_ui->addressEdit, *refusal);
        return;
    }
    const std::variant<ReplyTime, FieldRefusal> replyTime =
        TakeReplyTime(m_ui->replyTimeEdit->text().toStdString());
    if (const auto* refusal = std::get_if<FieldRefusal>(&replyTime)) {
        ShowRefusal(*m_ui->replyTimeEdit, *refusal);
        return;
    }
    const ChosenLine& line = std::get<ChosenLine>(taken);
    m_baudRate = line.baudRate;
    m_parity = line.parity;
    m_stopBits = line.stopBits;
    m_address = line.address;
    m_echo = m_ui->echoCheck->isChecked();
    m_replyTimeoutMs = std::get<ReplyTime>(replyTime);
    m_rs485 = m_ui->rs485Check->isChecked();
    m_framing =
        FramingForPort(m_port.toStdString(), FramingOfGatewayChoice(m_ui->gatewayCombo->currentIndex()));
    accept();
}

void CComChoiceDlg::SetEcho(bool echo) {
    m_echo = echo;
    m_ui->echoCheck->setChecked(echo);
}

void CComChoiceDlg::SetReplyTime(ReplyTime replyTimeoutMs) {
    m_replyTimeoutMs = replyTimeoutMs;
    m_ui->replyTimeEdit->setText(Text(ReplyTimeText(replyTimeoutMs)));
}

void CComChoiceDlg::SetRs485(bool rs485) {
    m_rs485 = rs485;
    m_ui->rs485Check->setChecked(rs485);
}

void CComChoiceDlg::SetFraming(std::optional<traffic::Framing> framing) {
    m_framing = framing;
    m_ui->gatewayCombo->setCurrentIndex(GatewayChoiceIndex(framing));
}

void CComChoiceDlg::OnBnClickedDefault() {
    ShowSettings(FactoryLineChoice());
}

void CComChoiceDlg::ShowSettings(const LineChoice& line) {
    m_ui->baudCombo->setCurrentIndex(line.baudIndex);
    m_ui->modeCombo->setCurrentIndex(line.modeIndex);
    m_ui->addressEdit->setText(Text(line.address));
}

void CComChoiceDlg::OnBnClickedFind() {
    // The entry's port, as OK takes it: its label ("ttyUSB1 — FTDI ...") is no path.
    const QString port = ChosenPort();
    if (port.isEmpty()) {
        return;
    }
    // What the dialog shows is the likeliest guess and is tried first.
    const std::optional<traffic::Framing> framing =
        FramingForPort(port.toStdString(), FramingOfGatewayChoice(m_ui->gatewayCombo->currentIndex()));
    const std::string devicePath = PortForFraming(DevicePath(m_naming, port.toStdString()), framing);
    CScanDlg scan(devicePath, FindGuess(ShownLine()), this, m_findTap, framing);
    scan.Run();
    const ScanResult& result = scan.Result();
    m_ui->findResultLabel->setText(Text(FindResultText(result)));
    if (const std::optional<ScanCandidate> found = TakeFindResult(result, devicePath)) {
        ShowSettings(LineChoiceOf(*found));
        m_ui->okButton->setEnabled(true);
    }
}
