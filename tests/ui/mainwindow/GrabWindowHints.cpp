// Saves two pictures of the main window for the documentation: the hint beside "Not connected" while
// every reply is corrupted, then the message after a write that ended on "Done" beside the window:
// grab-window-hints <not-connected.png> <after-write.png>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "tests/ui/mainwindow/GuiTestSupport.h"
#include "ui/ArdenoXModbusDlg.h"

namespace {

bool WaitForStatus(const QDialog& window, const char* status) {
    const auto* label = window.findChild<QLabel*>(QStringLiteral("statusLabel"));
    return QTest::qWaitFor([&] { return label->text() == QLatin1String(status); }, guitest::kWaitMs);
}

// The window with a message box of the tool's kind beside it, in one picture.
QPixmap BesideMessage(QWidget& window, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ArdenoXModbus"), text, QMessageBox::Ok);
    box.show();
    QApplication::processEvents();
    const QPixmap left = window.grab();
    const QPixmap right = box.grab();
    QPixmap picture(left.width() + 12 + right.width(), std::max(left.height(), right.height()));
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + 12, 0, right);
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    platform::SetDebugOutputSink([](std::string_view) {});
    const guitest::CMessageBoxCapture boxes;
    guitest::CConnectedController connection;
    CArdenoXModbusDlg window(connection.controller, connection.port);
    bool saved = false;
    QTimer::singleShot(0, &window, [&] {
        connection.sim.AddFault({.kind = sim::FaultKind::BadCrc});
        const bool hint =
            WaitForStatus(window, "Not connected") && window.grab().save(QString::fromLocal8Bit(argv[1]));
        connection.sim.ClearFaults();
        WaitForStatus(window, "Connected");
        QTest::qWait(1500);  // the controller's settings in view
        window.findChild<QComboBox*>(QStringLiteral("baudCombo"))->setCurrentIndex(2);
        window.findChild<QPushButton*>(QStringLiteral("writeButton"))->click();  // ends with "Done"
        const std::vector<std::string> texts = boxes.Texts();
        saved =
            hint && !texts.empty() &&
            BesideMessage(window, QString::fromStdString(texts.back())).save(QString::fromLocal8Bit(argv[2]));
        window.findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    });
    if (!connection.worker.Start(connection.controller)) {
        return 1;
    }
    window.DoModal();
    return saved ? 0 : 1;
}
