#include "ui/ScanDlg.h"

#include <QPushButton>
#include <utility>

#include "present/FindProgress.h"
#include "ui_ScanDlg.h"

CScanDlg::CScanDlg(std::string devicePath, const std::optional<ScanCandidate>& guess, QWidget* parent,
                   traffic::IFrameObserver* tap, std::optional<traffic::Framing> framing)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::CScanDlg>()),
      m_devicePath(std::move(devicePath)),
      m_guess(guess),
      m_engine(ScanOptions{.tap = tap, .framing = framing}) {
    m_ui->setupUi(this);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CScanDlg::reject);
}

CScanDlg::~CScanDlg() {
    m_engine.Cancel();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CScanDlg::Run() {
    m_worker = std::thread([this] {
        m_result = m_engine.Run(m_devicePath, PlanScanOn(m_devicePath, m_guess), *this);
        QMetaObject::invokeMethod(
            this, [this] { OnScanEnded(); }, Qt::QueuedConnection);
    });
    exec();
    // A quit request ends the modal run at once, perhaps with the scan still going: stop it, so that
    // the result is read only once the worker has ended.
    if (m_worker.joinable()) {
        m_engine.Cancel();
        m_worker.join();
    }
}

void CScanDlg::reject() {
    m_engine.Cancel();
    m_ui->cancelButton->setEnabled(false);
}

void CScanDlg::OnProbe(const ScanProgress& progress) {
    QMetaObject::invokeMethod(
        this, [this, progress] { ShowProgress(progress); }, Qt::QueuedConnection);
}

void CScanDlg::ShowProgress(const ScanProgress& progress) {
    const FindProgress shown = FindProgressOf(progress);
    m_ui->progressBar->setMaximum(static_cast<int>(shown.maximum));
    m_ui->progressBar->setValue(static_cast<int>(shown.value));
    m_ui->currentLabel->setText(QString::fromStdString(shown.current));
}

void CScanDlg::OnScanEnded() {
    m_worker.join();
    done(m_result.outcome == ScanResult::Found ? Accepted : Rejected);
}
