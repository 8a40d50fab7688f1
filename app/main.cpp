// ardenox-config: the configuration tool's window program.
#include <QApplication>

#include "app/ArdenoXModbusApp.h"
#include "app/CommandLine.h"

int main(int argc, char* argv[]) {
    if (const std::optional<int> exitCode = RunCommandLine(argc, argv)) {
        return *exitCode;
    }
    QApplication application(argc, argv);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brannik.ArdenoXModbus"));
    CArdenoXModbusApp app;
    app.InitInstance();
    return 0;
}
