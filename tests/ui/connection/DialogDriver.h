#pragma once
// Reads and works the connection dialog's controls as an operator would.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include "ui/ComChoiceDlg.h"

struct DialogView {
    QString port;
    QString baud;
    QString mode;
    QString address;
    bool okEnabled;
};

inline void ExpectView(const DialogView& actual, const DialogView& expected) {
    EXPECT_EQ(actual.port, expected.port);
    EXPECT_EQ(actual.baud, expected.baud);
    EXPECT_EQ(actual.mode, expected.mode);
    EXPECT_EQ(actual.address, expected.address);
    EXPECT_EQ(actual.okEnabled, expected.okEnabled);
}

class DialogDriver {
public:
    explicit DialogDriver(CComChoiceDlg& dialog) : m_dialog(dialog) {}

    QComboBox& Port() const { return Child<QComboBox>("portCombo"); }
    QComboBox& Baud() const { return Child<QComboBox>("baudCombo"); }
    QComboBox& Mode() const { return Child<QComboBox>("modeCombo"); }
    QLineEdit& Address() const { return Child<QLineEdit>("addressEdit"); }
    QPushButton& Ok() const { return Child<QPushButton>("okButton"); }
    QPushButton& Cancel() const { return Child<QPushButton>("cancelButton"); }
    QPushButton& Default() const { return Child<QPushButton>("defaultButton"); }
    QPushButton& Find() const { return Child<QPushButton>("findButton"); }
    QCheckBox& Echo() const { return Child<QCheckBox>("echoCheck"); }
    QCheckBox& Rs485() const { return Child<QCheckBox>("rs485Check"); }
    QLineEdit& ReplyTime() const { return Child<QLineEdit>("replyTimeEdit"); }
    QComboBox& Gateway() const { return Child<QComboBox>("gatewayCombo"); }

    DialogView View() const {
        return {Port().currentText(), Baud().currentText(), Mode().currentText(), Address().text(),
                Ok().isEnabled()};
    }

    // Chooses the settings as an operator would: typing the port, picking list entries, typing the address.
    void Choose(const QString& port, const QString& baud, const QString& mode, const QString& address) const {
        Port().setEditText(port);
        Baud().setCurrentIndex(Baud().findText(baud));
        Mode().setCurrentIndex(Mode().findText(mode));
        Address().setText(address);
    }

private:
    template <typename Widget>
    Widget& Child(const char* name) const {
        auto* widget = m_dialog.findChild<Widget*>(QString::fromLatin1(name));
        Q_ASSERT(widget != nullptr);
        return *widget;
    }

    CComChoiceDlg& m_dialog;
};
