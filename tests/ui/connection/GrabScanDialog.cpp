// Saves pictures of Find in the connection dialog against the stand-in (57600 baud, none/1, address 5):
// the scan's progress, then the dialog filled with what answered. grab-scan-dialog <progress.png> <found.png>
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include "sim/ControllerSim.h"
#include "ui/ComChoiceDlg.h"
#include "ui/ScanDlg.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    sim::Config config;
    config.settings = {5, 576, 3};
    sim::ControllerSim controller(config);
    CComChoiceDlg dialog(QString::fromStdString(controller.DevicePath()), 19200, 2, 0, 16);
    dialog.show();
    bool progressSaved = false;
    QTimer::singleShot(2500, [&] {
        if (auto* scan = qobject_cast<CScanDlg*>(QApplication::activeModalWidget())) {
            progressSaved = scan->grab().save(QString::fromLocal8Bit(argv[1]));
        }
    });
    dialog.findChild<QPushButton*>(QStringLiteral("findButton"))->click();
    QApplication::processEvents();
    return progressSaved && dialog.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
