// The main window on the offscreen platform against the controller stand-in, with the real worker.
#include "ui/ArdenoXModbusDlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tests/ui/mainwindow/GuiTestSupport.h"
#include "ui/FieldTip.h"
#include "ui/WriteConfDlg.h"

namespace {

using guitest::kWaitMs;

// Every exchange fails (without a port failure) until the faults are cleared.
const sim::ReplyFault kEveryReplyCorrupted{sim::FaultKind::BadCrc};

class MainWindowTest : public ::testing::Test {
protected:
    template <typename Widget = QWidget>
    Widget& Child(const char* name) {
        auto* widget = m_window.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }
    QString Text(const char* name) {
        if (auto* edit = m_window.findChild<QLineEdit*>(QString::fromLatin1(name))) {
            return edit->text();
        }
        return Child<QLabel>(name).text();
    }
    bool Enabled(const char* name) { return Child(name).isEnabled(); }
    bool WaitForStatus(const char* status) {
        return QTest::qWaitFor([&] { return Text("statusLabel") == QLatin1String(status); }, kWaitMs);
    }
    bool WaitForModel() {
        return QTest::qWaitFor(
            [&] { return !Text("modelLabel").isEmpty() && !Text("versionLabel").isEmpty(); }, kWaitMs);
    }
    int Run(const std::function<void()>& script) {
        return guitest::RunWithScript(
            m_window, [this] { return m_window.DoModal(); }, script);
    }
    void Click(const char* button) { Child<QPushButton>(button).click(); }

    guitest::CMessageBoxCapture m_boxes;
    guitest::CConnectedController m_connection;
    CArdenoXModbusDlg m_window{m_connection.controller, m_connection.port};
};

TEST_F(MainWindowTest, EmptyUntilTheFirstNotificationsThenShowsTheController) {
    const int result = Run([&] {
        // The worker has not started: only the connection column and the defaults are filled.
        EXPECT_EQ(Text("connBaudEdit"), "19200");
        EXPECT_EQ(Text("connModeEdit"), "Even, 1 stop bit");
        EXPECT_EQ(Text("connAddressEdit"), "16");
        for (const char* name :
             {"statusLabel", "modelLabel", "versionLabel", "devBaudEdit", "devModeEdit", "devAddressEdit"}) {
            EXPECT_TRUE(Text(name).isEmpty()) << name;
        }
        EXPECT_FALSE(Enabled("readButton"));
        EXPECT_FALSE(Enabled("writeButton"));
        EXPECT_EQ(Child<QComboBox>("baudCombo").currentText(), "19200");
        EXPECT_EQ(Child<QComboBox>("modeCombo").currentText(), "Even, 1 stop bit");
        EXPECT_EQ(Text("addressEdit"), "16");

        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(WaitForStatus("Connected"));
        ASSERT_TRUE(WaitForModel());
        EXPECT_EQ(Text("modelLabel"), "ArdenoX 3102");
        EXPECT_EQ(Text("versionLabel"), "2.5");
        EXPECT_TRUE(QTest::qWaitFor([&] { return Enabled("readButton"); }, kWaitMs));
        EXPECT_EQ(Text("devBaudEdit"), "19200");
        EXPECT_EQ(Text("devModeEdit"), "Even, 1 stop bit");
        EXPECT_EQ(Text("devAddressEdit"), "16");
        EXPECT_TRUE(Enabled("writeButton"));
        EXPECT_EQ(m_window.windowTitle(), QStringLiteral("ArdenoX Modbus Configuration \u2014 ") +
                                              QString::fromStdString(m_connection.sim.DevicePath()));
        Click("closeButton");
    });
    EXPECT_EQ(result, CArdenoXModbusDlg::ResultClose);
    EXPECT_TRUE(m_boxes.Texts().empty());
}

// Polls that bring the same values must not repaint the fields (an update() in the loop would show here).
TEST_F(MainWindowTest, UnchangedPollsRepaintNothing) {
    Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return Enabled("readButton") && Enabled("writeButton"); }, kWaitMs));
        ASSERT_TRUE(WaitForModel());
        QTest::qWait(300);  // let the first pictures settle
        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                paints += event->type() == QEvent::Paint ? 1 : 0;
                return false;
            }
        } counter;
        const char* const fields[] = {"connBaudEdit", "devBaudEdit", "devModeEdit", "devAddressEdit",
                                      "statusLabel",  "modelLabel",  "versionLabel"};
        for (const char* name : fields) {
            Child(name).installEventFilter(&counter);
        }
        QTest::qWait(2500);  // two poll rounds or more
        EXPECT_EQ(counter.paints, 0);
        for (const char* name : fields) {
            Child(name).removeEventFilter(&counter);
        }
        Click("closeButton");
    });
}

TEST_F(MainWindowTest, ReadCopiesTheControllerAndDefaultRestores) {
    sim::ControllerSim& controller = m_connection.sim;
    // Settings written but not yet in effect: the line address stays 16.
    controller.SetRegister(sim::Table::Holding, sim::kRegAddress, 5);
    controller.SetRegister(sim::Table::Holding, sim::kRegBaud, 576);
    controller.SetRegister(sim::Table::Holding, sim::kRegMode, 2);
    Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Enabled("readButton"); }, kWaitMs));
        EXPECT_EQ(Text("devBaudEdit"), "57600");
        EXPECT_EQ(Text("devModeEdit"), "None, 2 stop bits");
        EXPECT_EQ(Text("devAddressEdit"), "5");

        Click("readButton");
        EXPECT_EQ(Child<QComboBox>("baudCombo").currentIndex(), 3);
        EXPECT_EQ(Child<QComboBox>("modeCombo").currentIndex(), 2);
        EXPECT_EQ(Text("addressEdit"), "5");
        EXPECT_TRUE(Enabled("writeButton"));

        Click("defaultButton");
        EXPECT_EQ(Child<QComboBox>("baudCombo").currentIndex(), 1);
        EXPECT_EQ(Child<QComboBox>("modeCombo").currentIndex(), 0);
        EXPECT_EQ(Text("addressEdit"), "16");
        EXPECT_EQ(Text("devAddressEdit"), "5");  // Default touches the new settings only
        EXPECT_EQ(Text("connAddressEdit"), "16");

        // Every baud code is a speed (48 is 4800). One the list does not offer comes into it as one
        // extra entry on Read, to be written back as it is; Default takes it away.
        controller.SetRegister(sim::Table::Holding, sim::kRegBaud, 48);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Text("devBaudEdit") == "4800"; }, kWaitMs));
        auto& baud = Child<QComboBox>("baudCombo");
        for (int read = 0; read < 2; ++read) {
            Click("readButton");
            EXPECT_EQ(baud.count(), 5);
            EXPECT_EQ(baud.currentText(), "4800");
            EXPECT_EQ(baud.currentData().toUInt(), 4800u);
            EXPECT_TRUE(Enabled("writeButton"));
        }
        Click("defaultButton");
        EXPECT_EQ(baud.count(), 4);
        EXPECT_EQ(baud.currentText(), "19200");
        Click("closeButton");
    });
}

TEST_F(MainWindowTest, WriteWithAnInvalidAddressShowsTheTipAndWritesNothing) {
    Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Enabled("writeButton"); }, kWaitMs));
        auto& address = Child<QLineEdit>("addressEdit");
        for (const char* text : {"0", "248", "1x", ""}) {
            address.setText(QString::fromLatin1(text));
            Click("writeButton");
            const CFieldTip* tip = CFieldTip::Showing(address);
            ASSERT_NE(tip, nullptr) << text;
            EXPECT_EQ(tip->Text(), "Enter an integer value between 1 and 247.");
            EXPECT_EQ(m_window.findChild<CWriteConfDlg*>(), nullptr);
        }
        QTest::qWait(300);
        EXPECT_EQ(m_connection.sim.RequestCount(6), 0u);
        Click("closeButton");
    });
}

TEST_F(MainWindowTest, WriteRunsTheProcedureWithTheChosenSettings) {
    Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return Enabled("writeButton") && Enabled("readButton"); }, kWaitMs));
        Child<QComboBox>("baudCombo").setCurrentIndex(3);
        Child<QComboBox>("modeCombo").setCurrentIndex(2);
        Child<QLineEdit>("addressEdit").setText("016");
        // What would change the controller's own settings stands out before Write.
        EXPECT_TRUE(Child("baudCombo").font().bold());
        EXPECT_TRUE(Child("modeCombo").font().bold());
        EXPECT_FALSE(Child("addressEdit").font().bold());
        EXPECT_FALSE(Child("restartNoteLabel").isVisible());
        Click("writeButton");  // returns when the write dialog has ended
        EXPECT_EQ(m_connection.sim.SavedSettings(), (sim::CommSettings{16, 576, 2}));
        // The operator learns when the settings apply, and the next Change offers them.
        ASSERT_EQ(m_boxes.Texts().size(), 1u);
        EXPECT_NE(
            m_boxes.Texts()[0].find("after its next restart: 57600 baud, None, 2 stop bits, address 16"),
            std::string::npos)
            << m_boxes.Texts()[0];
        ASSERT_TRUE(m_window.WrittenConfig().has_value());
        EXPECT_EQ(m_window.WrittenConfig()->m_baudRate, 57600u);
        EXPECT_EQ(m_window.WrittenConfig()->m_mode, CArdeno::ModeNone2Stop);
        EXPECT_EQ(m_window.WrittenConfig()->m_address, 16);
        // The controller column follows the polls: the written settings read back at once.
        EXPECT_TRUE(QTest::qWaitFor([&] { return Text("devBaudEdit") == "57600"; }, kWaitMs));
        EXPECT_EQ(Text("devModeEdit"), "None, 2 stop bits");
        // Which of them the controller takes only at its restart, the connection staying as it is.
        EXPECT_TRUE(Child("restartNoteLabel").isVisible());
        EXPECT_EQ(Text("restartNoteLabel"),
                  "Saved, in use after the next restart: 57600 baud, None, 2 stop bits.");
        EXPECT_FALSE(Child("baudCombo").font().bold())
            << "the controller's own settings are the new ones now";
        Click("closeButton");
    });
}

TEST_F(MainWindowTest, FailedExchangeShowsNotConnectedUntilTheNextSuccess) {
    Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(WaitForStatus("Connected"));
        ASSERT_TRUE(WaitForModel());
        m_connection.sim.AddFault(kEveryReplyCorrupted);
        ASSERT_TRUE(WaitForStatus("Not connected"));
        QTest::qWait(300);
        for (const char* name :
             {"modelLabel", "versionLabel", "devBaudEdit", "devModeEdit", "devAddressEdit"}) {
            EXPECT_TRUE(Text(name).isEmpty()) << name;
        }
        EXPECT_FALSE(Enabled("readButton"));
        EXPECT_FALSE(Enabled("writeButton"));
        EXPECT_EQ(Text("connBaudEdit"), "19200");  // the connection column stays
        // Beside the status, only while no valid reply comes: what was tried and what the line did
        // (good replies first, then broken ones).
        EXPECT_FALSE(Child("hintLabel").isHidden());
        EXPECT_TRUE(Text("hintLabel")
                        .startsWith("No valid reply at 19200 baud, Even, 1 stop bit, address 16. "
                                    "Some replies arrive damaged"))
            << Text("hintLabel").toStdString();

        m_connection.sim.ClearFaults();
        ASSERT_TRUE(WaitForStatus("Connected"));
        ASSERT_TRUE(WaitForModel());
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return Enabled("readButton") && Enabled("writeButton"); }, kWaitMs));
        EXPECT_TRUE(Child("hintLabel").isHidden());
        Click("closeButton");
    });
    EXPECT_TRUE(m_boxes.Texts().empty());
}

// A controller that refuses a read has answered: the window stays connected and names no wiring fault.
// Busy keeps what is shown until the read is asked again; a refusal clears only the value refused.
TEST_F(MainWindowTest, RefusedReadsKeepTheWindowConnected) {
    Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(WaitForStatus("Connected"));
        const auto baudShown = [&](const char* text) {
            return QTest::qWaitFor([&] { return Text("devBaudEdit") == QLatin1String(text); }, kWaitMs);
        };
        ASSERT_TRUE(baudShown("19200"));
        for (const auto& [code, shown] : {std::pair<std::uint8_t, const char*>{6, "19200"}, {2, ""}}) {
            SCOPED_TRACE(int{code});
            m_connection.sim.AddFault(
                {.kind = sim::FaultKind::Exception, .exceptionCode = code, .reg = sim::kRegBaud});
            const std::size_t before = m_connection.sim.RequestCount(3, sim::kRegBaud);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return m_connection.sim.RequestCount(3, sim::kRegBaud) >= before + 2; }, kWaitMs));
            QTest::qWait(100);  // the refusal's notification reaches the window
            EXPECT_EQ(Text("statusLabel"), "Connected");
            EXPECT_TRUE(Child("hintLabel").isHidden());
            EXPECT_EQ(Text("devBaudEdit"), shown);
            m_connection.sim.ClearFaults();
            ASSERT_TRUE(baudShown("19200"));
        }
        Click("closeButton");
    });
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(MainWindowTest, OpenDropDownKeepsTheWriteButtonAsItIs) {
    Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(WaitForStatus("Connected"));
        m_connection.sim.AddFault(kEveryReplyCorrupted);
        ASSERT_TRUE(WaitForStatus("Not connected"));
        auto& baud = Child<QComboBox>("baudCombo");
        baud.showPopup();
        m_connection.sim.ClearFaults();
        ASSERT_TRUE(WaitForStatus("Connected"));
        QTest::qWait(1500);  // every input reported again while the list is open
        EXPECT_FALSE(Enabled("writeButton"));
        baud.hidePopup();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Enabled("writeButton"); }, kWaitMs));
        Click("closeButton");
    });
}

TEST_F(MainWindowTest, EnterAndEscapeDoNothingChangeEndsWithFour) {
    const int result = Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(WaitForStatus("Connected"));
        // (Enter on a focused button presses that button, as everywhere.)
        for (QWidget* target :
             {static_cast<QWidget*>(&m_window), &Child("addressEdit"), &Child("baudCombo")}) {
            target->setFocus();
            for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QTest::keyClick(target, static_cast<Qt::Key>(key));
            }
        }
        QTest::qWait(50);
        EXPECT_TRUE(m_window.isVisible());
        Click("changeButton");
    });
    EXPECT_EQ(result, CArdenoXModbusDlg::ResultChange);
}

TEST_F(MainWindowTest, CaptionCloseBoxIsClose) {
    const int result = Run([&] { m_window.close(); });
    EXPECT_EQ(result, CArdenoXModbusDlg::ResultClose);
}

TEST_F(MainWindowTest, LineThatGoesAwayIsReportedOnceAndEndsTheWindow) {
    const int result = Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(WaitForStatus("Connected"));
        m_connection.sim.CloseLine();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !m_boxes.Texts().empty(); }, kWaitMs));
        QTest::qWait(200);  // a second report would come now
    });
    guitest::ClearQuitRequest();
    EXPECT_EQ(result, -1);
    const auto boxes = m_boxes.Texts();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Communication device error. Check communication adapter and try again.\n", 0),
              0u);
}

// The message names what the write left unsaved and what to do, as the command-line tool does.
TEST_F(MainWindowTest, LineLostDuringAWriteNamesTheSettingsLeftUnsaved) {
    const int result = Run([&] {
        ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Enabled("writeButton"); }, kWaitMs));
        // The mode's read-back never comes: the write waits at verifying, all three settings written.
        m_connection.sim.AddFault({.kind = sim::FaultKind::NoReply, .function = 3, .reg = sim::kRegMode});
        Child<QComboBox>("baudCombo").setCurrentIndex(3);
        Child<QComboBox>("modeCombo").setCurrentIndex(2);
        Child<QLineEdit>("addressEdit").setText("17");
        QTimer::singleShot(0, &m_window, [&] {
            const auto* dialog = m_window.findChild<CWriteConfDlg*>();
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return dialog->Procedure().GetState() == CWriteProcedure::StateVerifying; }, kWaitMs));
            m_connection.sim.CloseLine();
        });
        Click("writeButton");  // returns when the lost line has ended the write dialog
    });
    guitest::ClearQuitRequest();
    EXPECT_EQ(result, -1);
    const auto boxes = m_boxes.Texts();
    ASSERT_EQ(boxes.size(), 1u);
    for (const char* part :
         {"Communication device error.",
          "holding registers 33 (address 17), 34 (baud rate 57600), 35 (mode None, 2 stop bits) hold new "
          "values "
          "that are not saved",
          "the controller answers at 19200 baud, Even, 1 stop bit, address 16: connect the adapter again"}) {
        EXPECT_NE(boxes[0].find(part), std::string::npos) << boxes[0];
    }
    EXPECT_EQ(m_connection.sim.SaveCommandCount(), 0u);
}

TEST_F(MainWindowTest, PortFailureBeforeTheWindowOpensIsReportedRightAway) {
    ASSERT_TRUE(m_connection.worker.Start(m_connection.controller));
    m_connection.sim.CloseLine();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_connection.controller.m_lastError != 0; }, kWaitMs));
    const int result = m_window.DoModal();
    guitest::ClearQuitRequest();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(m_boxes.Texts().size(), 1u);
}

}  // namespace
