#include "ui/ComChoiceDlg.h"

#include <fmt/printf.h>

#include <QSignalBlocker>
#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

#include "device/CommTables.h"
#include "log/LogService.h"
#include "port/PortHint.h"
#include "present/FindProgress.h"
#include "ui/DeadEndHints.h"
#include "ui/LoadText.h"
#include "ui/ScanDlg.h"
#include "ui_ComChoiceDlg.h"

namespace {

constexpr int kDefaultBaudIndex = 1;  // 19200
constexpr int kDefaultModeIndex = 0;  // even parity, 1 stop bit
constexpr std::uint8_t kDefaultAddress = 16;
constexpr std::int32_t kMinAddress = 1;
constexpr std::int32_t kMaxAddress = 247;

QString FormatText(const char* format, auto value) {
    return QString::fromStdString(fmt::sprintf(format, value));
}

template <typename Table, typename Match>
int IndexOr(const Table& table, Match match, int fallback) {
    const auto found = std::find_if(table.begin(), table.end(), match);
    return found == table.end() ? fallback : static_cast<int>(std::distance(table.begin(), found));
}

}  // namespace

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
      m_rememberedPath(m_port),
      m_addressValidator(*this, QStringLiteral("addressEdit"), kMinAddress, kMaxAddress) {
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
    return DevicePath(m_naming, m_port);
}

void CComChoiceDlg::OnInitDialog() {
    QComboBox& portCombo = *m_ui->portCombo;
    // A pseudo-terminal or a socat link is never reported by the system, so on POSIX any path may be typed.
    portCombo.setEditable(m_naming == EPortNaming::Posix);
    portCombo.setCompleter(nullptr);
    const QStringList ports = FillPortList();
    const PortPreselection preselection = PreselectPort(m_naming, ports, m_port);
    m_port = preselection.port;
    portCombo.setCurrentIndex(preselection.index);
    // A path that is not listed (typed by hand and just failed, or a device that is gone) stays in view,
    // so that the operator can correct it rather than type it again; OK still waits for a change.
    if (portCombo.isEditable() && preselection.index < 0) {
        portCombo.setEditText(m_rememberedPath);
    }
    m_ui->okButton->setEnabled(preselection.enableOk);

    for (const std::uint32_t baudRate : BaudRateTable) {
        m_ui->baudCombo->addItem(FormatText("%i", baudRate));
    }
    m_ui->baudCombo->setCurrentIndex(IndexOr(
        BaudRateTable, [this](std::uint32_t baudRate) { return baudRate == m_baudRate; }, kDefaultBaudIndex));

    for (const CommModeEntry& mode : CommModeTable) {
        m_ui->modeCombo->addItem(LoadText(mode.m_nameId));
    }
    m_ui->modeCombo->setCurrentIndex(IndexOr(
        CommModeTable,
        [this](const CommModeEntry& mode) {
            return mode.m_parity == m_parity && mode.m_stopBits == m_stopBits;
        },
        kDefaultModeIndex));

    if (m_address < kMinAddress || m_address > kMaxAddress) {
        m_address = kDefaultAddress;
    }
    m_ui->addressEdit->setText(FormatText("%u", unsigned{m_address}));
}

QStringList CComChoiceDlg::FillPortList() {
    const QList<PortFacts> system = m_portSource();
    const QStringList ports = DiscoverPorts(m_naming, system, m_rememberedPath);
    m_ui->portCombo->clear();
    for (const QString& port : ports) {
        m_ui->portCombo->addItem(PortLabel(port, system), port);
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
}

void CComChoiceDlg::OnBnClickedOk() {
    m_port = ChosenPort();
    std::int32_t address = 0;
    if (!m_addressValidator.Validate(address)) {
        return;
    }
    m_address = static_cast<std::uint8_t>(address);
    m_baudRate = BaudRateTable.at(static_cast<std::size_t>(m_ui->baudCombo->currentIndex()));
    const CommModeEntry& mode = CommModeTable.at(static_cast<std::size_t>(m_ui->modeCombo->currentIndex()));
    m_parity = mode.m_parity;
    m_stopBits = mode.m_stopBits;
    m_echo = m_ui->echoCheck->isChecked();
    accept();
}

void CComChoiceDlg::SetEcho(bool echo) {
    m_echo = echo;
    m_ui->echoCheck->setChecked(echo);
}

void CComChoiceDlg::OnBnClickedDefault() {
    ShowSettings(BaudRateTable.at(kDefaultBaudIndex), kDefaultModeIndex, kDefaultAddress);
}

void CComChoiceDlg::ShowSettings(std::uint32_t baudRate, std::size_t modeIndex, std::uint8_t address) {
    m_ui->baudCombo->setCurrentIndex(IndexOr(
        BaudRateTable, [baudRate](std::uint32_t rate) { return rate == baudRate; }, kDefaultBaudIndex));
    m_ui->modeCombo->setCurrentIndex(static_cast<int>(modeIndex));
    m_ui->addressEdit->setText(FormatText("%u", unsigned{address}));
}

void CComChoiceDlg::OnBnClickedFind() {
    // The entry's port, as OK takes it: its label ("ttyUSB1 — FTDI ...") is no path.
    const QString port = ChosenPort();
    if (port.isEmpty()) {
        return;
    }
    // What the dialog shows is the likeliest guess and is tried first.
    bool isNumber = false;
    const unsigned address = m_ui->addressEdit->text().toUInt(&isNumber);
    std::optional<ScanCandidate> guess;
    if (isNumber && address >= kMinAddress && address <= kMaxAddress) {
        guess = ScanCandidate{{BaudRateTable.at(static_cast<std::size_t>(m_ui->baudCombo->currentIndex())),
                               static_cast<std::size_t>(m_ui->modeCombo->currentIndex())},
                              static_cast<std::uint8_t>(address)};
    }
    const std::string devicePath = DevicePath(m_naming, port).toStdString();
    CScanDlg scan(devicePath, guess, this, m_findTap);
    scan.Run();
    const ScanResult& result = scan.Result();
    m_ui->findResultLabel->setText(QString::fromStdString(FindResultText(result)));
    switch (result.outcome) {
        case ScanResult::Found: {
            const FoundController& found = result.found.front();
            const ScanCandidate& settings = found.Working();
            ShowSettings(settings.line.baudRate, settings.line.modeIndex, settings.address);
            m_ui->okButton->setEnabled(true);
            if (found.HoldsOtherSettings()) {
                CLogService::Instance().Report(res::IDS_SCAN_STORED, true, DescribeCandidate(found.answered),
                                               DescribeCandidate(*found.holds));
            }
            break;
        }
        case ScanResult::NothingAnswered:
            CLogService::Instance().Report(res::IDS_SCAN_NOTHING, true, devicePath);
            break;
        case ScanResult::PortFailed:
            CLogService::Instance().ReportErrorWithHint(
                res::IDS_OPEN_FAILED, result.error, OpenFailureHint(devicePath, result.error), devicePath);
            break;
        case ScanResult::Cancelled:
            break;
    }
}
