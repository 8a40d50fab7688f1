#include "ui/ArdenoXModbusDlg.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "device/ControllerFacts.h"
#include "log/LogService.h"
#include "platform/DebugOutput.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "present/GatewayChoice.h"
#include "present/LineSettingsText.h"
#include "present/MainWindowHints.h"
#include "ui/FieldTip.h"
#include "ui/Text.h"
#include "ui/TrafficModel.h"
#include "ui/TrafficWindow.h"
#include "ui/WriteConfDlg.h"
#include "ui_ArdenoXModbusDlg.h"

// Resources of a static library must be registered by hand; outside any namespace, as Qt requires.
static void InitIconResource() {
    Q_INIT_RESOURCE(ardenox);
}

CArdenoXModbusDlg::CArdenoXModbusDlg(CArdeno& controller, CComDevice& comDevice, traffic::FrameRing* traffic)
    : m_ui(std::make_unique<Ui::CArdenoXModbusDlg>()), m_controller(controller), m_comDevice(comDevice) {
    InitIconResource();
    m_hIcon = QIcon(QStringLiteral(":/icons/ardenox.png"));
    m_ui->setupUi(this);
    // The port in use, where it takes no room from the settings.
    if (!m_comDevice.m_devicePath.empty()) {
        setWindowTitle(windowTitle() + QStringLiteral(" \u2014 ") +
                       QString::fromStdString(PortTitle(m_comDevice.m_devicePath, m_comDevice.m_framing)));
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
    connect(m_baudCombo, &QComboBox::currentIndexChanged, this, &CArdenoXModbusDlg::MarkChanges);
    connect(m_modeCombo, &QComboBox::currentIndexChanged, this, &CArdenoXModbusDlg::MarkChanges);
    connect(m_addressEdit, &QLineEdit::textChanged, this, &CArdenoXModbusDlg::MarkChanges);
    m_baudCombo->installEventFilter(this);
    m_modeCombo->installEventFilter(this);

    if (traffic != nullptr) {
        m_trafficModel = new CTrafficModel(*traffic, CTrafficModel::kDefaultMaxRows, this);
        m_trafficModel->SetSetting(TraceSettingOf(m_comDevice));
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
    m_model = MainWindowModel(
        {m_comDevice.m_baudRate, m_comDevice.m_parity, m_comDevice.m_stopBits, m_comDevice.m_address});

    m_baudCombo->clear();
    for (std::uint32_t baudRate : BaudRateTable) {
        m_baudCombo->addItem(QString::number(baudRate), baudRate);
    }
    m_modeCombo->clear();
    for (const CommModeEntry& entry : CommModeTable) {
        m_modeCombo->addItem(Text(res::LoadString(entry.m_nameId)));
    }

    OnBnClickedDefault();

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
    QMetaObject::invokeMethod(
        this, [this, errorCode] { OnDeviceErrorMessage(errorCode); }, Qt::QueuedConnection);
}

void CArdenoXModbusDlg::OnVarUpdated(int id, bool success) {
    // The last error is the worker thread's own: read here, before the call crosses.
    const VarOutcome outcome = OutcomeOf(success, success ? 0 : platform::GetLastError());
    QMetaObject::invokeMethod(
        this, [this, id, outcome] { OnVarUpdatedMessage(id, outcome); }, Qt::QueuedConnection);
}

void CArdenoXModbusDlg::OnVarUpdatedMessage(int id, VarOutcome outcome) {
    m_model.OnVarUpdated(id, outcome, ControllerValues::Of(m_controller));
    UpdateWriteButton();
    UpdateData();
}

void CArdenoXModbusDlg::OnDeviceErrorMessage(std::uint32_t errorCode) {
    const std::optional<std::string> hint = m_model.OnPortLost(m_writeUnderWay);
    if (!hint) {
        return;
    }
    CLogService::Instance().ReportErrorWithHint(res::IDS_DEVICE_ERROR, errorCode, *hint);
    // Ends every modal run, an open write dialog's included. The box above is shown first: once the
    // quit request is made no modal run starts any more.
    QCoreApplication::exit(0);
}

void CArdenoXModbusDlg::UpdateWriteButton() {
    // An open drop-down is a choice in progress.
    const bool choosing = m_baudCombo->view()->isVisible() || m_modeCombo->view()->isVisible();
    m_writeButton->setEnabled(m_model.WriteEnabled(m_baudCombo->currentIndex() != -1,
                                                   m_modeCombo->currentIndex() != -1, choosing,
                                                   m_writeButton->isEnabled()));
}

void CArdenoXModbusDlg::UpdateData() {
    const MainWindowView& view = m_model.View();
    m_ui->connBaudEdit->setText(Text(view.connBaudRate));
    m_ui->connModeEdit->setText(Text(view.connMode));
    m_ui->connAddressEdit->setText(Text(view.connAddress));
    m_ui->devBaudEdit->setText(Text(view.devBaudRate));
    m_ui->devModeEdit->setText(Text(view.devMode));
    m_ui->devAddressEdit->setText(Text(view.devAddress));
    m_ui->statusLabel->setText(Text(view.status));
    m_ui->hintLabel->setText(Text(view.hint));
    m_ui->hintLabel->setVisible(!view.hint.empty());
    m_ui->restartNoteLabel->setText(Text(view.restartNote));
    m_ui->restartNoteLabel->setVisible(!view.restartNote.empty());
    m_ui->modelLabel->setText(Text(view.model));
    m_ui->versionLabel->setText(Text(view.version));
    m_readButton->setEnabled(view.readEnabled);
    MarkChanges();
}

void CArdenoXModbusDlg::MarkChanges() {
    const ChangedFields changed = m_model.Changes(ShownChoice(), KeptBaudRate());
    const auto mark = [](QWidget& field, bool marked) {
        QFont font = field.font();
        font.setBold(marked);
        field.setFont(font);
        field.setToolTip(marked ? Text(kChangedFieldTip) : QString());
    };
    mark(*m_baudCombo, changed.baudRate);
    mark(*m_modeCombo, changed.mode);
    mark(*m_addressEdit, changed.address);
}

LineChoice CArdenoXModbusDlg::ShownChoice() const {
    return {m_baudCombo->currentIndex(), m_modeCombo->currentIndex(), m_addressEdit->text().toStdString()};
}

std::optional<std::uint32_t> CArdenoXModbusDlg::KeptBaudRate() const {
    if (m_baudCombo->count() > static_cast<int>(BaudRateTable.size())) {
        return m_baudCombo->itemData(m_baudCombo->count() - 1).toUInt();
    }
    return std::nullopt;
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
    ShowChoice(MainWindowModel::DefaultChoice());
}

void CArdenoXModbusDlg::ShowChoice(const LineChoice& choice) {
    m_baudCombo->setCurrentIndex(choice.baudIndex);
    m_modeCombo->setCurrentIndex(choice.modeIndex);
    m_addressEdit->setText(Text(choice.address));
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
    const ReadChoice choice = MainWindowModel::ChoiceOf(ControllerValues::Of(m_controller));
    if (choice.keptBaudRate) {
        m_baudCombo->addItem(QString::number(*choice.keptBaudRate), *choice.keptBaudRate);
    }
    ShowChoice(choice.line);
}

void CArdenoXModbusDlg::OnBnClickedWrite() {
    const WriteRequest request = MainWindowModel::ToWrite(ShownChoice(), KeptBaudRate());
    if (const auto* refusal = std::get_if<FieldRefusal>(&request)) {
        ShowRefusal(*m_ui->addressEdit, *refusal);
    }
    const auto* toWrite = std::get_if<CommConfig>(&request);
    if (toWrite == nullptr) {
        return;
    }
    const CommConfig config = *toWrite;
    CWriteConfDlg dialog(config, m_controller, this);
    m_writeUnderWay = &dialog.Procedure();
    const int result = dialog.DoModal();
    m_writeUnderWay = nullptr;
    if (result != CWriteConfDlg::IDOK) {
        if (dialog.StoppedByOperator()) {
            platform::ShowMessageBox(StoppedWriteWindowHint(config, dialog.Procedure().UnsavedWrites(),
                                                            TraceSettingOf(m_comDevice)));
        }
        return;
    }
    const AfterWriteNotice notice = m_model.WriteDone(config);
    UpdateData();
    CLogService::Instance().Report(notice.messageId, true, notice.baudRate, notice.mode, notice.address);
}
