// ardenox-config: the configuration tool's window program.
#include <QApplication>

#include "app/ArdenoXModbusApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brannik.ArdenoXModbus"));
    CArdenoXModbusApp app;
    app.InitInstance();
    return 0;
}
