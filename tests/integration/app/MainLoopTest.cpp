// The application main loop against the controller stand-in: a pass per connection, Change goes back to
// the connection choice with the port closed, Cancel and a port failure end the program.
#include "app/ArdenoXModbusApp.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <thread>

#include "log/LogService.h"
#include "res/Strings.h"
#include "tests/ui/mainwindow/GuiTestSupport.h"
#include "ui/ArdenoXModbusDlg.h"

namespace {

// Calls `action` with the main window once it shows "Connected", each time a new one does.
class CConnectedWindowWatch {
public:
    explicit CConnectedWindowWatch(std::function<void(CArdenoXModbusDlg&)> action)
        : m_action(std::move(action)) {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { Poll(); });
        m_poll.start(20);
    }

private:
    void Poll() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<CArdenoXModbusDlg*>(widget);
            if (window == nullptr || !window->isVisible() || window == m_handled) {
                continue;
            }
            if (window->findChild<QLabel*>("statusLabel")->text() == "Connected") {
                m_handled = window;
                m_action(*window);
            }
        }
    }

    std::function<void(CArdenoXModbusDlg&)> m_action;
    QTimer m_poll;
    QPointer<CArdenoXModbusDlg> m_handled;  // null again once that window is gone
};

class MainLoopTest : public ::testing::Test {
protected:
    // A connection choice that opens the stand-in's port for the first `passes` calls, then cancels.
    CArdenoXModbusApp::ConnectOperation OpenTimes(int passes) {
        return [this, passes](CComDevice& port, const std::optional<CommConfig>&) {
            ++m_connects;
            if (m_connects > passes) {
                return false;
            }
            port.m_baudRate = 19200;
            port.m_parity = 2;
            port.m_stopBits = 0;
            port.m_address = 16;
            const bool opened =
                port.Open(m_sim.DevicePath(), port.m_baudRate, port.m_parity, port.m_stopBits);
            m_opened += opened ? 1 : 0;
            return opened;
        };
    }
    static void Click(CArdenoXModbusDlg& window, const char* button) {
        window.findChild<QPushButton*>(button)->click();
    }

    sim::ControllerSim m_sim;
    int m_connects = 0;
    int m_opened = 0;
};

TEST_F(MainLoopTest, ChangeClosesThePortAndConnectsAgain) {
    int windows = 0;
    std::size_t requestsBeforeSecondPass = 0;
    CConnectedWindowWatch watch([&](CArdenoXModbusDlg& window) {
        if (++windows == 1) {
            requestsBeforeSecondPass = m_sim.Requests().size();
        }
        Click(window, "changeButton");
    });
    CArdenoXModbusApp app(OpenTimes(2));
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(m_connects, 3);  // two passes, then the cancelled choice
    EXPECT_EQ(m_opened, 2);    // the same port opened again after Change
    EXPECT_EQ(windows, 2);
    EXPECT_GT(m_sim.Requests().size(), requestsBeforeSecondPass);  // the second worker polled
}

TEST_F(MainLoopTest, CloseEndsTheProgramAfterOnePass) {
    CConnectedWindowWatch watch([](CArdenoXModbusDlg& window) { Click(window, "closeButton"); });
    CArdenoXModbusApp app(OpenTimes(5));
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(m_connects, 1);
}

TEST_F(MainLoopTest, CancelAtTheConnectionChoiceEndsWithoutAWindow) {
    bool windowShown = false;
    CConnectedWindowWatch watch([&](CArdenoXModbusDlg&) { windowShown = true; });
    CArdenoXModbusApp app(OpenTimes(0));
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(m_connects, 1);
    EXPECT_FALSE(windowShown);
}

TEST_F(MainLoopTest, PortFailureIsShownOnceAndEndsTheProgram) {
    guitest::QuestionAnswer box;
    CConnectedWindowWatch watch([&](CArdenoXModbusDlg&) {
        guitest::AnswerNextQuestion(QMessageBox::Ok, box);
        m_sim.CloseLine();
    });
    CArdenoXModbusApp app(OpenTimes(5));
    EXPECT_FALSE(app.InitInstance());
    guitest::ClearQuitRequest();
    EXPECT_EQ(m_connects, 1);
    ASSERT_TRUE(box.answered);
    EXPECT_TRUE(
        box.text.startsWith("Communication device error. Check communication adapter and try again.\n"));
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
}

// A report made on another thread (a port failing while the commissioning thread opens it) reaches the
// operator through the windows' own thread, which alone may make widgets.
TEST_F(MainLoopTest, AReportFromAnotherThreadIsShownByTheWindowsThread) {
    guitest::QuestionAnswer box;
    QPointer<CArdenoXModbusDlg> connected;
    CConnectedWindowWatch watch([&](CArdenoXModbusDlg& window) {
        connected = &window;
        guitest::AnswerNextQuestion(QMessageBox::Ok, box);
        std::thread([] { CLogService::Instance().Report(res::IDS_DEVICE_ERROR, true); }).join();
    });
    QTimer closeOnceAnswered;
    QObject::connect(&closeOnceAnswered, &QTimer::timeout, [&] {
        if (box.answered && connected) {
            Click(*connected, "closeButton");
        }
    });
    closeOnceAnswered.start(20);
    CArdenoXModbusApp app(OpenTimes(1));
    EXPECT_FALSE(app.InitInstance());
    ASSERT_TRUE(box.answered);
    EXPECT_TRUE(box.text.startsWith("Communication device error.")) << box.text.toStdString();
}

}  // namespace
