// ardenox-config: the configuration tool's window program.
#include <QApplication>

#include "app/ArdenoXModbusApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CArdenoXModbusApp app;
    app.InitInstance();
    return 0;
}
