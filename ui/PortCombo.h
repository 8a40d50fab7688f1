#pragma once
// The port list of the connection dialog: says when its drop-down is about to open, so that the list
// can be read again first (an adapter plugged in after the dialog opened then shows up).
#include <QComboBox>

class CPortCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override {
        emit popupAboutToShow();
        QComboBox::showPopup();
    }

signals:
    void popupAboutToShow();
};
