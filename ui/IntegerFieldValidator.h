#pragma once
// The check of an integer edit field (CheckInteger) on a Qt form. A rejection shows a tip
// on the field naming the range and puts the focus there; the caller just abandons its action.
#include <QString>
#include <cstdint>

#include "present/IntegerField.h"

class QWidget;

class CIntegerFieldValidator {
public:
    // `controlName` is the object name of the QLineEdit among `parent`'s children.
    CIntegerFieldValidator(QWidget& parent, QString controlName, std::int32_t min, std::int32_t max);

    // True when the field holds a well-formed integer within [m_min, m_max]. `value` receives the
    // converted text in every case; use it only after true. The field's text is never changed.
    bool Validate(std::int32_t& value) const;
    // Shows a refusal made elsewhere on the field, as Validate does its own.
    void Refuse(const FieldRefusal& refusal) const;

    QWidget& m_parent;  // not owned: the validator lives inside this window
    QString m_controlName;
    std::int32_t m_min;
    std::int32_t m_max;
};
