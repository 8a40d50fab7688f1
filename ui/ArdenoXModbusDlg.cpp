#include "ui/ArdenoXModbusDlg.h"

#include <fmt/printf.h>

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "device/ControllerFacts.h"
#include "log/LogService.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "ui/DeadEndHints.h"
#include "ui/DeviceEvents.h"
#include "ui/LoadText.h"
#include "ui/TrafficModel.h"
#include "ui/TrafficWindow.h"
#include "ui/WriteConfDlg.h"
#include "ui_ArdenoXModbusDlg.h"

// Resources of a static library must be registered by hand; outside any namespace, as Qt requires.
static void InitIconResource() {
    Q_INIT_RESOURCE(ardenox);
}

namespace {

// What a variable notification carries to the window's thread.
constexpr std::intptr_t kVarFailed = 0;
constexpr std::intptr_t kVarRead = 1;
constexpr std::intptr_t kVarUnknown = 2;  // read, but a value this tool does not know
constexpr std::intptr_t kVarBusy = 3;     // the controller asked to be asked again later
constexpr std::intptr_t kVarRefused = 4;  // the controller refused the request (an exception reply)

// What a failed notification carries, from the worker thread's last error.
std::intptr_t FailureKind(std::uint32_t errorCode) {
    if (platform::UnknownValueOf(errorCode)) {
        return kVarUnknown;
    }
    if (const auto exception = platform::ModbusExceptionOf(errorCode)) {
        return platform::IsBusyException(*exception) ? kVarBusy : kVarRefused;
    }
    return kVarFailed;
}

constexpr int kAddressMin = 1;
constexpr int kAddressMax = 247;
constexpr int kDefaultBaudIndex = 1;  // 19200
constexpr int kDefaultModeIndex = 0;  // "Even, 1 stop bit"
constexpr unsigned kDefaultAddress = 16;

template <typename... Args>
QString Format(const char* format, const Args&... args) {
    return QString::fromStdString(fmt::sprintf(format, args...));
}

QString ModeText(CArdeno::ECommModeSetting mode) {
    for (const CommModeEntry& entry : CommModeTable) {
        if (entry.m_mode == mode) {
            return LoadText(entry.m_nameId);
        }
    }
    return {};
}

}  // namespace

CArdenoXModbusDlg::CArdenoXModbusDlg(CArdeno& controller, CComDevice& comDevice, traffic::FrameRing* traffic)
    : m_ui(std::make_unique<Ui::CArdenoXModbusDlg>()),
      m_controller(controller),
      m_comDevice(comDevice),
      m_addressValidator(*this, QStringLiteral("addressEdit"), kAddressMin, kAddressMax) {
    InitIconResource();
    m_hIcon = QIcon(QStringLiteral(":/icons/ardenox.png"));
    m_ui->setupUi(this);
    // The port in use, where it takes no room from the settings.
    if (!m_comDevice.m_devicePath.empty()) {
        setWindowTitle(windowTitle() + QStringLiteral(" \u2014 ") +
                       QString::fromStdString(m_comDevice.m_devicePath));
    }
    m_baudCombo = m_ui->baudCombo;
    m_modeCombo = m_ui->modeCombo;
    m_addressEdit = m_ui->addressEdit;
    m_readButton = m_ui->readButton;
    m_writeButton = m_ui->writeButton;

    connect(m_ui->closeButton, &QPushButton::clicked, this, &CArdenoXModbusDlg::OnBnClickedClose);
    connect(m_ui->defaultButton, &QPushButton::clicked, this, &CArdenoXModbusDlg::OnBnClickedDefault);
    connect(m_ui->changeButton, &QPushButton::clicked, this, &CArdenoXModbusDlg::OnBnClickedChange);
    connect(m_ui->commissionButton, &QPushButton::clicked, this, &CArdenoXModbusDlg::OnBnClickedCommission);
    connect(m_writeButton, &QPushButton::clicked, this, &CArdenoXModbusDlg::OnBnClickedWrite);
    connect(m_readButton, &QPushButton::clicked, this, &CArdenoXModbusDlg::OnBnClickedRead);
    m_baudCombo->installEventFilter(this);
    m_modeCombo->installEventFilter(this);

    if (traffic != nullptr) {
        m_trafficModel = new CTrafficModel(*traffic, CTrafficModel::kDefaultMaxRows, this);
        // A child, so that the modal main window leaves it usable.
        m_trafficWindow = new CTrafficWindow(*m_trafficModel, this);
        connect(m_ui->trafficButton, &QPushButton::clicked, this, &CArdenoXModbusDlg::OnBnClickedTraffic);
    } else {
        m_ui->trafficButton->hide();
    }
}

CArdenoXModbusDlg::~CArdenoXModbusDlg() {
    // Normally done by Close or Change already; after a quit request the worker has been stopped first.
    m_controller.RemoveListener(this);
}

int CArdenoXModbusDlg::DoModal() {
    m_ended = false;
    OnInitDialog();
    if (m_reopenTraffic && m_trafficWindow != nullptr) {
        // Once the window is up, so that the Traffic window opens above it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_trafficWindow->restoreGeometry(*m_reopenTraffic);
                OnBnClickedTraffic();
            },
            Qt::QueuedConnection);
    }
    const int result = exec();
    return m_ended ? result : -1;
}

void CArdenoXModbusDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);

    m_connBaudRate = m_comDevice.m_baudRate;
    m_connAddress = m_comDevice.m_address;
    m_copiedRepliesHint = CopiedRepliesWindowHint(m_connAddress);
    m_connMode.clear();
    for (const CommModeEntry& entry : CommModeTable) {
        if (entry.m_parity == m_comDevice.m_parity && entry.m_stopBits == m_comDevice.m_stopBits) {
            m_connMode = LoadText(entry.m_nameId);
            break;
        }
    }

    m_baudCombo->clear();
    for (std::uint32_t baudRate : BaudRateTable) {
        m_baudCombo->addItem(Format("%i", baudRate), baudRate);
    }
    m_modeCombo->clear();
    for (const CommModeEntry& entry : CommModeTable) {
        m_modeCombo->addItem(LoadText(entry.m_nameId));
    }

    OnBnClickedDefault();
    UpdateData();

    m_controller.AddListener(this);
    // A port that failed before we listened has been reported to nobody yet.
    if (const std::uint32_t error = m_controller.m_lastError; error != 0) {
        OnDeviceErrorMessage(error);
    }
}

void CArdenoXModbusDlg::OnBnClickedTraffic() {
    m_trafficWindow->show();
    m_trafficWindow->raise();
    m_trafficWindow->activateWindow();
}

void CArdenoXModbusDlg::OnDeviceError(std::uint32_t errorCode) {
    PostDeviceEvent(this, WM_DEVICE_ERROR, errorCode, 0);
}

void CArdenoXModbusDlg::OnVarUpdated(int id, bool success) {
    PostDeviceEvent(this, WM_DEVICE_VAR_UPDATED, static_cast<std::uintptr_t>(id),
                    success ? kVarRead : FailureKind(platform::GetLastError()));
}

void CArdenoXModbusDlg::customEvent(QEvent* event) {
    if (event->type() == WM_DEVICE_VAR_UPDATED) {
        const auto& message = static_cast<const CDeviceEvent&>(*event);
        const int id = static_cast<int>(message.m_wParam);
        switch (message.m_lParam) {
            case kVarBusy:
                break;  // asked again after a poll period; what is shown still holds
            case kVarUnknown:
            case kVarRefused:
                ForgetValue(id);  // the controller answered: the line is fine, only this value is not
                break;
            default:
                OnVarUpdatedMessage(id, message.m_lParam == kVarRead);
                break;
        }
        // Values still show (each is confirmed), but the operator should know why the line stumbles.
        if (m_controller.RepliesArriveTwice() && m_hintText != m_copiedRepliesHint) {
            m_hintText = m_copiedRepliesHint;
            UpdateData();
        }
    } else if (event->type() == WM_DEVICE_ERROR) {
        OnDeviceErrorMessage(static_cast<std::uint32_t>(static_cast<const CDeviceEvent&>(*event).m_wParam));
    }
}

void CArdenoXModbusDlg::OnVarUpdatedMessage(int id, bool success) {
    if (!success) {
        ShowNotConnected();
        return;
    }
    switch (id) {
        case kVarModel:
            if (unsigned short model = 0;
                m_connected && m_modelText.isEmpty() && m_controller.GetModel(model)) {
                m_modelText = Format("ArdenoX %u", model);
            }
            break;
        case kVarVersion:
            if (std::pair<int, int> version;
                m_connected && m_versionText.isEmpty() && m_controller.GetVersion(version)) {
                m_versionText = Format("%u.%u", version.first, version.second);
            }
            break;
        case kVarAddress:
            if (unsigned char address = 0; m_controller.GetAddress(address)) {
                m_devAddress = Format("%u", address);
            }
            break;
        case kVarBaudRate:
            if (unsigned long baudRate = 0; m_controller.GetBaudRate(baudRate)) {
                m_devBaudRate = Format("%u", baudRate);
            }
            break;
        case kVarCommMode:
            if (CArdeno::ECommModeSetting mode{}; m_controller.GetCommMode(mode)) {
                if (QString text = ModeText(mode); !text.isEmpty()) {
                    m_devMode = text;
                }
            }
            break;
        default:
            break;
    }
    if (!m_devBaudRate.isEmpty() && !m_devMode.isEmpty() && !m_devAddress.isEmpty()) {
        m_readButton->setEnabled(true);
    }
    if (id == kVarConfStatus || id == kVarAddress || id == kVarBaudRate || id == kVarCommMode) {
        if (!m_connected) {
            m_statusText = LoadText(res::IDS_CONNECTED);
            m_hintText.clear();
            m_connected = true;
        }
        UpdateWriteButton();
    }
    UpdateData();
}

void CArdenoXModbusDlg::OnDeviceErrorMessage(std::uint32_t errorCode) {
    if (m_errorReported) {
        return;
    }
    m_errorReported = true;
    QString left;
    if (m_writeUnderWay != nullptr) {
        const CommConfig& written = m_writeUnderWay->GetConfig();
        left = LostPortDuringWriteHint(written, ModeText(written.m_mode), m_writeUnderWay->UnsavedWrites(),
                                       m_connBaudRate, m_connMode, m_connAddress);
    }
    CLogService::Instance().ReportErrorWithHint(res::IDS_DEVICE_ERROR, errorCode, left.toStdString());
    // Ends every modal run, an open write dialog's included. The box above is shown first: once the
    // quit request is made no modal run starts any more.
    QCoreApplication::exit(0);
}

void CArdenoXModbusDlg::ForgetValue(int id) {
    switch (id) {
        case kVarModel:
            m_modelText.clear();
            break;
        case kVarVersion:
            m_versionText.clear();
            break;
        case kVarAddress:
            m_devAddress.clear();
            break;
        case kVarBaudRate:
            m_devBaudRate.clear();
            break;
        case kVarCommMode:
            m_devMode.clear();
            break;
        default:
            break;
    }
    m_readButton->setEnabled(!m_devBaudRate.isEmpty() && !m_devMode.isEmpty() && !m_devAddress.isEmpty());
    UpdateData();
}

void CArdenoXModbusDlg::ShowNotConnected() {
    m_connected = false;
    m_devBaudRate.clear();
    m_devMode.clear();
    m_devAddress.clear();
    m_readButton->setEnabled(false);
    m_writeButton->setEnabled(false);
    m_statusText = LoadText(res::IDS_NOT_CONNECTED);
    m_hintText = NoAnswerWindowHint(m_connBaudRate, m_connMode, m_connAddress);
    m_modelText.clear();
    m_versionText.clear();
    UpdateData();
}

void CArdenoXModbusDlg::UpdateWriteButton() {
    // An open drop-down is a choice in progress: leave Write as it is until it closes.
    if (m_baudCombo->view()->isVisible() || m_modeCombo->view()->isVisible()) {
        return;
    }
    m_writeButton->setEnabled(m_connected && m_baudCombo->currentIndex() != -1 &&
                              m_modeCombo->currentIndex() != -1);
}

void CArdenoXModbusDlg::UpdateData() {
    m_ui->connBaudEdit->setText(Format("%u", m_connBaudRate));
    m_ui->connModeEdit->setText(m_connMode);
    m_ui->connAddressEdit->setText(Format("%u", m_connAddress));
    m_ui->devBaudEdit->setText(m_devBaudRate);
    m_ui->devModeEdit->setText(m_devMode);
    m_ui->devAddressEdit->setText(m_devAddress);
    m_ui->statusLabel->setText(m_statusText);
    m_ui->hintLabel->setText(m_hintText);
    m_ui->hintLabel->setVisible(!m_hintText.isEmpty());
    m_ui->modelLabel->setText(m_modelText);
    m_ui->versionLabel->setText(m_versionText);
}

bool CArdenoXModbusDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == m_baudCombo || watched == m_modeCombo)) {
        UpdateWriteButton();
    }
    return QDialog::eventFilter(watched, event);
}

void CArdenoXModbusDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        return;
    }
    QDialog::keyPressEvent(event);
}

void CArdenoXModbusDlg::closeEvent(QCloseEvent* event) {
    OnBnClickedClose();
    event->accept();
}

void CArdenoXModbusDlg::done(int result) {
    m_ended = true;
    if (m_trafficWindow != nullptr && m_trafficWindow->isVisible()) {
        m_trafficGeometry = m_trafficWindow->saveGeometry();
    }
    QDialog::done(result);
}

void CArdenoXModbusDlg::OnBnClickedClose() {
    m_controller.RemoveListener(this);
    done(ResultClose);
}

void CArdenoXModbusDlg::OnBnClickedChange() {
    m_controller.RemoveListener(this);
    done(ResultChange);
}

void CArdenoXModbusDlg::OnBnClickedCommission() {
    m_controller.RemoveListener(this);
    done(ResultCommission);
}

void CArdenoXModbusDlg::OnBnClickedDefault() {
    DropKeptBaudEntry();
    m_baudCombo->setCurrentIndex(kDefaultBaudIndex);
    m_modeCombo->setCurrentIndex(kDefaultModeIndex);
    m_addressEdit->setText(Format("%u", kDefaultAddress));
    UpdateWriteButton();
    UpdateData();
}

void CArdenoXModbusDlg::DropKeptBaudEntry() {
    while (m_baudCombo->count() > static_cast<int>(BaudRateTable.size())) {
        m_baudCombo->removeItem(m_baudCombo->count() - 1);
    }
}

void CArdenoXModbusDlg::OnBnClickedRead() {
    DropKeptBaudEntry();
    m_baudCombo->setCurrentIndex(-1);
    if (unsigned long baudRate = 0; m_controller.GetBaudRate(baudRate)) {
        // A speed the list does not offer is the controller's own: kept, it is written back as it is.
        const auto* offered = std::find(BaudRateTable.begin(), BaudRateTable.end(), baudRate);
        if (offered == BaudRateTable.end()) {
            m_baudCombo->addItem(Format("%u", baudRate), static_cast<unsigned>(baudRate));
        }
        m_baudCombo->setCurrentIndex(offered == BaudRateTable.end()
                                         ? m_baudCombo->count() - 1
                                         : static_cast<int>(offered - BaudRateTable.begin()));
    }
    m_modeCombo->setCurrentIndex(-1);
    if (CArdeno::ECommModeSetting mode{}; m_controller.GetCommMode(mode)) {
        for (std::size_t i = 0; i < CommModeTable.size(); ++i) {
            if (CommModeTable[i].m_mode == mode) {
                m_modeCombo->setCurrentIndex(static_cast<int>(i));
            }
        }
    }
    unsigned char address = 0;
    m_addressEdit->setText(m_controller.GetAddress(address) ? Format("%u", address) : QString());
    UpdateWriteButton();
    UpdateData();
}

void CArdenoXModbusDlg::OnBnClickedWrite() {
    std::int32_t address = 0;
    if (!m_addressValidator.Validate(address)) {
        return;
    }
    const int baudIndex = m_baudCombo->currentIndex();
    const int modeIndex = m_modeCombo->currentIndex();
    if (baudIndex == -1 || modeIndex == -1) {
        return;
    }
    const CommConfig config{m_baudCombo->itemData(baudIndex).toUInt(), static_cast<std::uint8_t>(address),
                            CommModeTable[static_cast<std::size_t>(modeIndex)].m_mode};
    CWriteConfDlg dialog(config, m_controller, this);
    m_writeUnderWay = &dialog.Procedure();
    const int result = dialog.DoModal();
    m_writeUnderWay = nullptr;
    if (result != CWriteConfDlg::IDOK) {
        return;
    }
    // Saved, not yet in use: say when it applies, and keep it for the next Change to offer.
    m_written = config;
    const bool offered = IsOfferedBaudRate(config.m_baudRate);
    CLogService::Instance().Report(offered ? res::IDS_AFTER_WRITE : res::IDS_AFTER_WRITE_OUT_OF_REACH, true,
                                   config.m_baudRate, ModeText(config.m_mode).toStdString(),
                                   unsigned{config.m_address});
}
