// Saves a picture of the connection dialog as an operator first sees it, with a rejected address tip
// in a second picture and the dropped-down port list of two example adapters in a third:
// grab-connection-dialog <dialog.png> [<tip.png> [<ports.png>]]
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <vector>

#include "ui/ComChoiceDlg.h"
#include "ui/FieldTip.h"

namespace {

// The screen around a dialog and one more window of its own (a tip, a drop-down).
bool GrabAround(const QWidget& dialog, const QWidget& other, const QString& path) {
    const QRect area = dialog.frameGeometry().united(other.frameGeometry()).adjusted(-4, -4, 4, 4);
    return dialog.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
}

bool GrabPortList(const QString& path) {
    const std::vector<PortFacts> adapters{
        {"ttyUSB0", "USB-RS485", "FTDI", "A12B3C", "usb-FTDI_USB-RS485_A12B3C-if00-port0"},
        {"ttyACM0", "", "", "", "usb-Brannik_RS485_Adapter_0042-if00"},
    };
    CComChoiceDlg dialog(QStringLiteral("/dev/ttyUSB0"), 19200, 2, 0, 16, nullptr, [&] { return adapters; });
    dialog.show();
    auto* port = dialog.findChild<QComboBox*>(QStringLiteral("portCombo"));
    port->showPopup();
    QApplication::processEvents();
    return GrabAround(dialog, *port->view()->window(), path);
}

}  // namespace

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
    auto* address = dialog.findChild<QLineEdit*>(QStringLiteral("addressEdit"));
    address->setText(QStringLiteral("248"));
    dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->setEnabled(true);
    dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    QApplication::processEvents();
    QWidget* tip = CFieldTip::Showing(*address);
    if (!GrabAround(dialog, *tip, QString::fromLocal8Bit(argv[2]))) {
        return 1;
    }
    tip->hide();
    dialog.hide();
    return argc < 4 || GrabPortList(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
}
