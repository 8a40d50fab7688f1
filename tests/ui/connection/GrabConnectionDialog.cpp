// Saves a picture of the connection dialog as an operator first sees it, with a rejected address tip
// in a second picture: grab-connection-dialog <dialog.png> [<tip.png>]
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "ui/ComChoiceDlg.h"
#include "ui/FieldTip.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    CComChoiceDlg dialog(QString(), 19200, 2, 0, 16);
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
        return 1;
    }
    if (argc < 3) {
        return 0;
    }
    // The tip is a window of its own: take the screen around the dialog.
    auto* address = dialog.findChild<QLineEdit*>(QStringLiteral("addressEdit"));
    address->setText(QStringLiteral("248"));
    dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->setEnabled(true);
    dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    QApplication::processEvents();
    const QRect area =
        dialog.frameGeometry().united(CFieldTip::Showing(*address)->frameGeometry()).adjusted(-4, -4, 4, 4);
    const QPixmap screen = dialog.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return screen.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
