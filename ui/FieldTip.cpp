#include "ui/FieldTip.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// As long as a balloon tip stays up when nobody touches it.
constexpr int kVisibleMs = 10000;

}  // namespace

CFieldTip::CFieldTip(QLineEdit& field)
    : QFrame(&field, Qt::ToolTip),
      m_field(field),
      m_title(new QLabel(this)),
      m_text(new QLabel(this)),
      m_hideTimer(new QTimer(this)) {
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    // The texts come from the string table and are shown as they stand, never as markup.
    m_title->setTextFormat(Qt::PlainText);
    m_text->setTextFormat(Qt::PlainText);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_title);
    layout->addWidget(m_text);
    m_hideTimer->setSingleShot(true);
    m_hideTimer->setInterval(kVisibleMs);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    field.installEventFilter(this);
}

CFieldTip& CFieldTip::Show(QLineEdit& field, const QString& title, const QString& text) {
    auto* tip = field.findChild<CFieldTip*>(QString(), Qt::FindDirectChildrenOnly);
    if (tip == nullptr) {
        tip = new CFieldTip(field);
    }
    tip->m_title->setText(title);
    tip->m_text->setText(text);
    tip->adjustSize();
    tip->Place();
    tip->show();
    tip->m_hideTimer->start();
    return *tip;
}

CFieldTip* CFieldTip::Showing(const QLineEdit& field) {
    auto* tip = field.findChild<CFieldTip*>(QString(), Qt::FindDirectChildrenOnly);
    return tip != nullptr && tip->isVisible() ? tip : nullptr;
}

QString CFieldTip::Title() const {
    return m_title->text();
}

QString CFieldTip::Text() const {
    return m_text->text();
}

bool CFieldTip::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::Hide:
            hide();
            break;
        default:
            break;
    }
    return QFrame::eventFilter(watched, event);
}

void CFieldTip::Place() {
    move(m_field.mapToGlobal(QPoint(m_field.width() / 4, m_field.height())));
}

void ShowRefusal(QLineEdit& field, const FieldRefusal& refusal) {
    CFieldTip::Show(field, QString::fromStdString(refusal.title), QString::fromStdString(refusal.message));
    field.setFocus();
}
