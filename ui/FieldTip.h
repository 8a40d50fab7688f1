#pragma once
// A non-modal tip anchored below an edit field: a bold title over a line of text. It stands where a
// balloon tip would and, like one, goes away when the operator types in the field, or after a while.
#include <QFrame>
#include <QString>

#include "present/IntegerField.h"

class QLabel;
class QLineEdit;
class QTimer;

class CFieldTip : public QFrame {
    Q_OBJECT
public:
    // Shows the tip on `field`, replacing a tip the field already has.
    static CFieldTip& Show(QLineEdit& field, const QString& title, const QString& text);
    // The tip `field` shows now, or null.
    static CFieldTip* Showing(const QLineEdit& field);

    QString Title() const;
    QString Text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CFieldTip(QLineEdit& field);
    void Place();

    QLineEdit& m_field;
    QLabel* m_title;
    QLabel* m_text;
    QTimer* m_hideTimer;
};

// Shows a field check's refusal on `field` and puts the focus there; the caller just abandons its action.
void ShowRefusal(QLineEdit& field, const FieldRefusal& refusal);
