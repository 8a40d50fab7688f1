#include "ui/IntegerFieldValidator.h"

#include <QLineEdit>
#include <QWidget>
#include <utility>

#include "ui/FieldTip.h"

CIntegerFieldValidator::CIntegerFieldValidator(QWidget& parent, QString controlName, std::int32_t min,
                                               std::int32_t max)
    : m_parent(parent), m_controlName(std::move(controlName)), m_min(min), m_max(max) {}

bool CIntegerFieldValidator::Validate(std::int32_t& value) const {
    auto* field = m_parent.findChild<QLineEdit*>(m_controlName);
    if (field == nullptr) {
        value = 0;
        return false;
    }
    const IntegerCheck check = CheckInteger(field->text().toStdString(), m_min, m_max);
    value = check.value;
    if (!check.refusal) {
        return true;
    }
    Refuse(*check.refusal);
    return false;
}

void CIntegerFieldValidator::Refuse(const FieldRefusal& refusal) const {
    if (auto* field = m_parent.findChild<QLineEdit*>(m_controlName)) {
        CFieldTip::Show(*field, QString::fromStdString(refusal.title),
                        QString::fromStdString(refusal.message));
        field->setFocus();
    }
}
