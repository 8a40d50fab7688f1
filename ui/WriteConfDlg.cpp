#include "ui/WriteConfDlg.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "log/LogService.h"
#include "platform/DebugOutput.h"
#include "ui/DeviceEvents.h"
#include "ui/LoadText.h"
#include "ui_WriteConfDlg.h"

CWriteConfDlg::CWriteConfDlg(const CommConfig& config, CArdeno& controller, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CWriteConfDlg>()),
      m_controller(controller),
      m_procedure(controller, config, *this) {
    m_ui->setupUi(this);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CWriteConfDlg::reject);
}

CWriteConfDlg::~CWriteConfDlg() {
    m_controller.RemoveListener(this);
}

int CWriteConfDlg::DoModal() {
    m_ended = false;
    OnInitDialog();
    const int result = exec();
    return m_ended ? result : -1;
}

void CWriteConfDlg::OnInitDialog() {
    m_ui->statusLabel->clear();
    // Listen before anything is queued, so that no notification of our own writes can be missed.
    m_controller.AddListener(this);
    m_procedure.Start();
}

void CWriteConfDlg::OnVarUpdated(int id, bool success) {
    if (success) {
        PostDeviceEvent(this, WM_DEVICE_VAR_UPDATED, static_cast<std::uintptr_t>(id), 0);
    }
}

void CWriteConfDlg::customEvent(QEvent* event) {
    if (event->type() == WM_DEVICE_VAR_UPDATED) {
        m_procedure.OnVarUpdated(static_cast<int>(static_cast<CDeviceEvent*>(event)->m_wParam));
    }
}

void CWriteConfDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        return;  // Enter does nothing: only the procedure or Cancel ends the dialog
    }
    QDialog::keyPressEvent(event);
}

void CWriteConfDlg::reject() {
    OnCancel();
}

void CWriteConfDlg::done(int result) {
    m_ended = true;
    QDialog::done(result);
}

void CWriteConfDlg::OnCancel() {
    // Notifications go on being handled while the question is open; if the procedure finishes
    // meanwhile, the answer no longer matters.
    if (ConfirmCancel() && !m_procedure.IsFinished()) {
        done(IDCANCEL);
    }
}

bool CWriteConfDlg::ConfirmCancel() {
    QMessageBox question(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                         LoadText(res::IDS_CANCEL_WARNING), QMessageBox::Yes | QMessageBox::No, this);
    return question.exec() == QMessageBox::Yes;
}

void CWriteConfDlg::OnStatusText(const std::string& text) {
    const QString statusText = QString::fromStdString(text);
    m_ui->statusLabel->setText(statusText);
    emit StatusTextChanged(statusText);
}

void CWriteConfDlg::OnDone() {
    done(IDOK);
}

void CWriteConfDlg::OnVerificationFailed(const std::string& message) {
    platform::ShowMessageBox(message);
    done(IDCANCEL);
}

void CWriteConfDlg::OnRejected(const std::string& message) {
    CLogService::Instance().Log("%s", true, message);
    // The quit request ends this dialog's modal run and the main window's; the program ends.
    QCoreApplication::exit(0);
}
