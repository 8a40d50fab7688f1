// Saves a picture of the traffic window beside the connected main window, after some polls, a refused
// read, a corrupted reply and a configuration write: grab-traffic-window <picture.png>
// Run it on a display (xvfb-run -a) or on the offscreen platform.
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "tests/ui/mainwindow/GuiTestSupport.h"
#include "traffic/FrameRing.h"
#include "ui/ArdenoXModbusDlg.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    platform::SetDebugOutputSink([](std::string_view) {});
    guitest::CConnectedController connection;
    traffic::FrameRing ring;
    connection.transport.SetFrameObserver(&ring);
    CArdenoXModbusDlg window(connection.controller, connection.port, &ring);
    bool saved = false;
    QTimer::singleShot(0, &window, [&] {
        window.findChild<QPushButton*>(QStringLiteral("trafficButton"))->click();
        QWidget* traffic = window.findChild<QTableView*>()->window();
        traffic->resize(1000, 640);
        QTest::qWait(3500);
        window.findChild<QComboBox*>(QStringLiteral("baudCombo"))->setCurrentIndex(2);
        window.findChild<QPushButton*>(QStringLiteral("writeButton"))->click();  // ends with "Done"
        // The next poll round meets a refused read and a corrupted reply.
        connection.sim.AddFault(
            {.kind = sim::FaultKind::Exception, .exceptionCode = 2, .reg = 2, .times = 1});
        connection.sim.AddFault({.kind = sim::FaultKind::BadCrc, .function = 3, .reg = 34, .times = 1});
        QTest::qWait(2100);  // that round, and a good one after it
        // Side by side in one picture: the windows' own renderings, whatever the window manager does.
        const QPixmap left = window.grab();
        const QPixmap right = traffic->grab();
        QPixmap picture(left.width() + 12 + right.width(), std::max(left.height(), right.height()));
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, left);
        painter.drawPixmap(left.width() + 12, 0, right);
        painter.end();
        saved = picture.save(QString::fromLocal8Bit(argv[1]));
        window.findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    });
    if (!connection.worker.Start(connection.controller)) {
        return 1;
    }
    window.DoModal();
    return saved ? 0 : 1;
}
