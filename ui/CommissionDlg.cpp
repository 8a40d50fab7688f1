#include "ui/CommissionDlg.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <functional>

#include "device/ControllerFacts.h"
#include "present/CommissionBench.h"
#include "present/CommissionRun.h"
#include "res/Strings.h"
#include "ui/Text.h"

// The shared bench, with every call it hands to the view queued to the dialog's thread.
class CWindowBench : public CViewBench {
public:
    CWindowBench(CCommissionDlg& dialog, ConnectionRecipe recipe, std::unique_ptr<CUnitLog> log,
                 std::function<void(const QString&)> prompt, std::function<void(const UnitRecord&)> record,
                 std::function<void(const ScanCandidate&)> verified)
        : CViewBench(std::move(recipe), std::move(log),
                     {[&dialog, prompt](const std::string& text) { Post(dialog, prompt, Text(text)); },
                      [&dialog, record](const UnitRecord& unit) { Post(dialog, record, unit); },
                      [&dialog, verified](const ScanCandidate& at) { Post(dialog, verified, at); }}) {}

private:
    template <typename F, typename T>
    static void Post(CCommissionDlg& dialog, const F& call, T value) {
        QMetaObject::invokeMethod(
            &dialog, [call, value] { call(value); }, Qt::QueuedConnection);
    }
};

CCommissionDlg::CCommissionDlg(ConnectionRecipe recipe, const ScanCandidate& factory,
                               ISettingsStore* remembered, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_recipe(std::move(recipe)),
      m_factory(factory),
      m_firstAddress(new QSpinBox(this)),
      m_count(new QSpinBox(this)),
      m_newBaud(new QComboBox(this)),
      m_newMode(new QComboBox(this)),
      m_logPath(new QLineEdit(this)),
      m_browse(new QPushButton(QStringLiteral("Browse..."), this)),
      m_logNote(new QLabel(this)),
      m_units(new QTableWidget(0, static_cast<int>(kUnitColumns), this)),
      m_prompt(new QLabel(this)),
      m_start(new QPushButton(QStringLiteral("Start"), this)),
      m_stop(new QPushButton(QStringLiteral("Stop"), this)),
      m_close(new QPushButton(QStringLiteral("Close"), this)),
      m_remembered(remembered) {
    setWindowTitle(QStringLiteral("Commission controllers"));
    m_firstAddress->setObjectName(QStringLiteral("firstAddress"));
    m_firstAddress->setRange(kFirstAddress, kLastAddress);
    m_count->setObjectName(QStringLiteral("count"));
    m_count->setRange(1, kLastAddress);
    m_newBaud->setObjectName(QStringLiteral("newBaud"));
    for (const std::uint32_t baudRate : BaudRateTable) {
        m_newBaud->addItem(QString::number(baudRate), baudRate);
    }
    m_newMode->setObjectName(QStringLiteral("newMode"));
    for (const CommModeEntry& mode : CommModeTable) {
        m_newMode->addItem(Text(res::LoadString(mode.m_nameId)));
    }
    m_logPath->setObjectName(QStringLiteral("logPath"));
    m_logPath->setPlaceholderText(QStringLiteral("one CSV row per unit, appended (optional)"));
    m_browse->setObjectName(QStringLiteral("browse"));
    m_logNote->setObjectName(QStringLiteral("logNote"));
    const CommissionFields shown{
        kFirstAddress, 1, factory.line.baudRate, static_cast<int>(factory.line.modeIndex), {}};
    ShowFields(m_remembered != nullptr ? RememberedCommission(*m_remembered, shown) : shown);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(m_logPath, 1);
    logRow->addWidget(m_browse);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("New units answer at:"),
                   new QLabel(Text(DescribeCandidate(factory)), this));
    fields->addRow(QStringLiteral("First address:"), m_firstAddress);
    fields->addRow(QStringLiteral("Units:"), m_count);
    fields->addRow(QStringLiteral("New baud rate:"), m_newBaud);
    fields->addRow(QStringLiteral("New mode:"), m_newMode);
    fields->addRow(QStringLiteral("Log file:"), logRow);
    fields->addRow(QString(), m_logNote);

    m_units->setObjectName(QStringLiteral("units"));
    QStringList headers;
    for (const char* header : UnitTableHeaders()) {
        headers << QString::fromUtf8(header);
    }
    m_units->setHorizontalHeaderLabels(headers);
    m_units->horizontalHeader()->setStretchLastSection(true);
    // The settings before and after are read whole: the address alone does not tell what a unit got.
    m_units->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_units->verticalHeader()->hide();  // the Unit column numbers the rows already
    m_units->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_prompt->setObjectName(QStringLiteral("prompt"));
    m_prompt->setWordWrap(true);
    QFont large = m_prompt->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    m_prompt->setFont(large);
    m_prompt->setText(QString::fromUtf8(kCommissionIdlePrompt));

    m_start->setObjectName(QStringLiteral("start"));
    m_stop->setObjectName(QStringLiteral("stop"));
    m_stop->setEnabled(false);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_prompt);
    layout->addWidget(m_units);
    layout->addLayout(buttons);
    resize(900, 480);

    connect(m_start, &QPushButton::clicked, this, &CCommissionDlg::Start);
    connect(m_stop, &QPushButton::clicked, this, &CCommissionDlg::Stop);
    connect(m_close, &QPushButton::clicked, this, &CCommissionDlg::reject);
    connect(m_browse, &QPushButton::clicked, this, &CCommissionDlg::OnBrowse);
    connect(m_logPath, &QLineEdit::textChanged, this, &CCommissionDlg::ShowLogNote);
    ShowLogNote();
}

CommissionFields CCommissionDlg::Fields() const {
    return {m_firstAddress->value(), m_count->value(), m_newBaud->currentData().toUInt(),
            m_newMode->currentIndex(), m_logPath->text().toStdString()};
}

void CCommissionDlg::ShowFields(const CommissionFields& fields) {
    m_firstAddress->setValue(fields.firstAddress);
    m_count->setValue(fields.count);
    m_newBaud->setCurrentText(QString::number(fields.baudRate));
    m_newMode->setCurrentIndex(fields.modeIndex);
    m_logPath->setText(Text(fields.logPath));
}

void CCommissionDlg::ShowLogNote() {
    const std::string note = LogPathNote(m_logPath->text().toStdString(), std::filesystem::current_path());
    m_logNote->setText(Text(note));
    m_logNote->setVisible(!note.empty());
}

void CCommissionDlg::OnBrowse() {
    // The log is appended to, never replaced: choosing an existing file asks nothing.
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Log file"), m_logPath->text(),
                                                      QStringLiteral("CSV files (*.csv);;All files (*)"),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) {
        m_logPath->setText(path);
    }
}

void CCommissionDlg::EnableFields(bool enabled) {
    for (QWidget* field : std::initializer_list<QWidget*>{m_firstAddress, m_count, m_newBaud, m_newMode,
                                                          m_logPath, m_browse, m_start}) {
        field->setEnabled(enabled);
    }
}

CCommissionDlg::~CCommissionDlg() {
    if (m_bench) {
        m_bench->RequestStop();
    }
    Join();
}

void CCommissionDlg::Start() {
    const LineSettings target{m_newBaud->currentData().toUInt(),
                              static_cast<std::size_t>(m_newMode->currentIndex())};
    const CommissionPlan plan{m_factory, target, static_cast<std::uint8_t>(m_firstAddress->value()),
                              static_cast<unsigned>(m_count->value())};
    if (const PlanFault fault = CheckPlan(plan); fault != PlanFault::None) {
        ShowPrompt(Text(PlanFaultText(fault, plan)));
        return;
    }
    // The log is known to take rows before any unit is touched.
    std::unique_ptr<CUnitLog> log;
    if (const std::string logPath = m_logPath->text().toStdString(); !logPath.empty()) {
        log = std::make_unique<CUnitLog>();
        if (!log->Open(logPath)) {
            ShowPrompt(Text(LogNotOpenedText(log->Failure())));
            return;
        }
    }
    Join();
    m_bench = std::make_unique<CWindowBench>(
        *this, m_recipe, std::move(log), [this](const QString& text) { ShowPrompt(text); },
        [this](const UnitRecord& record) { AddRow(record); },
        [this](const ScanCandidate& at) { m_lastDone = at; });
    if (m_remembered != nullptr) {
        RememberCommission(*m_remembered, Fields());
    }
    EnableFields(false);
    m_stop->setEnabled(true);
    m_run = std::thread([this, plan] {
        const CommissionEnd end = RunCommissioning(plan, *m_bench);
        const std::string failure = m_bench->Failure();
        QMetaObject::invokeMethod(
            this, [this, end, failure] { OnRunEnded(end, failure); }, Qt::QueuedConnection);
    });
}

void CCommissionDlg::Stop() {
    if (m_bench) {
        m_bench->RequestStop();
    }
    m_stop->setEnabled(false);
}

void CCommissionDlg::reject() {
    if (!m_run.joinable()) {
        QDialog::reject();
        return;
    }
    m_closeWhenEnded = true;
    Stop();
}

void CCommissionDlg::ShowPrompt(const QString& text) {
    m_prompt->setText(text);
}

void CCommissionDlg::AddRow(const UnitRecord& record) {
    const int row = m_units->rowCount();
    m_units->insertRow(row);
    int column = 0;
    for (const std::string& cell : UnitRowCells(record)) {
        m_units->setItem(row, column++, new QTableWidgetItem(Text(cell)));
    }
    m_units->scrollToBottom();
}

void CCommissionDlg::OnRunEnded(const CommissionEnd& end, const std::string& failure) {
    Join();
    m_bench.reset();  // closes the log
    ShowPrompt(Text(RunEndText(end, failure)));
    m_stop->setEnabled(false);
    EnableFields(true);
    if (m_closeWhenEnded) {
        QDialog::reject();
    }
}

void CCommissionDlg::Join() {
    if (m_run.joinable()) {
        m_run.join();
    }
}
