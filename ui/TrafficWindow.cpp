#include "ui/TrafficWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

CTrafficWindow::CTrafficWindow(CTrafficModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_model(model),
      m_view(new QTableView(this)),
      m_pauseButton(new QPushButton(tr("Pause"), this)),
      m_countsLabel(new QLabel(this)) {
    setWindowTitle(tr("Traffic"));
    resize(1000, 420);

    m_view->setModel(&m_model);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    QHeaderView* header = m_view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    header->resizeSection(CTrafficModel::ColumnTime, 10 * digit);
    header->resizeSection(CTrafficModel::ColumnDirection, 5 * digit);
    header->resizeSection(CTrafficModel::ColumnBytes, 26 * digit);
    header->resizeSection(CTrafficModel::ColumnMeaning, 46 * digit);
    header->setStretchLastSection(true);

    auto* clearButton = new QPushButton(tr("Clear"), this);
    auto* saveButton = new QPushButton(tr("Save..."), this);
    m_pauseButton->setCheckable(true);
    m_pauseButton->setToolTip(tr("Stop adding lines; the counts go on"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_countsLabel, 1);
    buttons->addWidget(m_pauseButton);
    buttons->addWidget(clearButton);
    buttons->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addLayout(buttons);

    connect(m_pauseButton, &QPushButton::toggled, this, &CTrafficWindow::OnPause);
    connect(clearButton, &QPushButton::clicked, &m_model, &CTrafficModel::Clear);
    connect(saveButton, &QPushButton::clicked, this, &CTrafficWindow::OnSave);
    connect(&m_model, &CTrafficModel::countsChanged, this, &CTrafficWindow::ShowCounts);
    // Follow the newest line unless the operator has scrolled up to read an older one.
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this] { m_followNewest = AtNewest(); });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_followNewest) {
            m_view->scrollToBottom();
        }
    });
    ShowCounts();
}

bool CTrafficWindow::AtNewest() const {
    const QScrollBar* bar = m_view->verticalScrollBar();
    return bar->value() == bar->maximum();
}

void CTrafficWindow::OnPause() {
    m_model.SetPaused(m_pauseButton->isChecked());
    m_pauseButton->setText(m_pauseButton->isChecked() ? tr("Resume") : tr("Pause"));
}

void CTrafficWindow::OnSave() {
    const QString path = QFileDialog::getSaveFileName(this, tr("Save traffic"), QStringLiteral("traffic.txt"),
                                                      tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    const std::string text = m_model.Text();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        QMessageBox::warning(this, windowTitle(), tr("Could not save %1: %2").arg(path, file.errorString()));
    }
}

void CTrafficWindow::ShowCounts() {
    m_countsLabel->setText(QString::fromStdString(m_model.CountsText()));
}
