#include "ui/WriteConfDlg.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "log/LogService.h"
#include "platform/DebugOutput.h"
#include "platform/LastError.h"
#include "ui_WriteConfDlg.h"

CWriteConfDlg::CWriteConfDlg(const CommConfig& config, CArdeno& controller, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CWriteConfDlg>()),
      m_controller(controller),
      m_progress(controller, config, [this] { OnProgress(); }) {
    m_ui->setupUi(this);
    m_ui->headlineLabel->setText(QString::fromStdString(m_progress.Headline()));
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
    m_progress.Start();
}

void CWriteConfDlg::OnVarUpdated(int id, bool success) {
    // The worker calls this right after the exchange: the thread's last error still tells why it failed.
    const DeviceEvent event{DeviceEvent::VarUpdated, id, success, success ? 0 : platform::GetLastError()};
    QMetaObject::invokeMethod(
        this, [this, event] { m_progress.OnUpdate(event); }, Qt::QueuedConnection);
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
    // meanwhile, the question closes itself and the operator is told there was nothing left to stop.
    if (m_question != nullptr) {
        return;
    }
    const bool stop = ConfirmCancel();
    if (!m_progress.CancelEnds()) {
        platform::ShowMessageBox(WriteProgress::EndedWhileAskedNote());
        return;
    }
    if (stop) {
        m_stoppedByOperator = true;
        done(IDCANCEL);
    }
}

bool CWriteConfDlg::ConfirmCancel() {
    QMessageBox question(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                         QString::fromStdString(WriteProgress::CancelQuestion()),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.button(QMessageBox::Yes)->setText(QString::fromStdString(WriteProgress::StopAnswer()));
    question.button(QMessageBox::No)->setText(QString::fromStdString(WriteProgress::GoOnAnswer()));
    question.setDefaultButton(QMessageBox::No);
    question.setEscapeButton(QMessageBox::No);
    m_question = &question;
    const int answer = question.exec();
    m_question = nullptr;
    return answer == QMessageBox::Yes;
}

void CWriteConfDlg::OnProgress() {
    if (m_question != nullptr && m_progress.Ended() != WriteProgress::End::Running) {
        m_question->done(QMessageBox::No);
    }
    switch (m_progress.Ended()) {
        case WriteProgress::End::Running: {
            const QString statusText = QString::fromStdString(m_progress.StatusText());
            m_ui->statusLabel->setText(statusText);
            emit StatusTextChanged(statusText);
            break;
        }
        case WriteProgress::End::Done:
            done(IDOK);
            break;
        case WriteProgress::End::Mismatch:
        case WriteProgress::End::Refused:
            platform::ShowMessageBox(m_progress.Message());
            done(IDCANCEL);
            break;
        case WriteProgress::End::Rejected:
            CLogService::Instance().Log("%s", true, m_progress.Message());
            // The quit request ends this dialog's modal run and the main window's; the program ends.
            QCoreApplication::exit(0);
            break;
    }
}
