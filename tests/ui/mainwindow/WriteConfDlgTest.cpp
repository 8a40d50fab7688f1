// The write progress dialog on the offscreen platform against the controller stand-in, with the real
// worker: the procedure's steps, a setting that does not take, a save that never ends, Cancel.
#include "ui/WriteConfDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include "res/Strings.h"
#include "tests/ui/mainwindow/GuiTestSupport.h"

namespace {

using guitest::kWaitMs;

const CommConfig kNewSettings{38400, 16, CArdeno::ModeOdd1Stop};

sim::Config SavingFor(std::chrono::milliseconds duration) {
    sim::Config config;
    config.saveDuration = duration;
    return config;
}

class WriteConfDlgTest : public ::testing::Test {
protected:
    explicit WriteConfDlgTest(const sim::Config& config = SavingFor(std::chrono::milliseconds(1500)))
        : m_connection(config) {
        EXPECT_TRUE(m_connection.worker.Start(m_connection.controller));
    }

    // Runs a dialog for `settings`, recording every status line, with `script` inside its modal loop.
    int Run(const CommConfig& settings, const std::function<void(CWriteConfDlg&)>& script = {}) {
        CWriteConfDlg dialog(settings, m_connection.controller);
        QObject::connect(&dialog, &CWriteConfDlg::StatusTextChanged,
                         [this](const QString& text) { m_steps << text; });
        const int result = guitest::RunWithScript(
            dialog, [&dialog] { return dialog.DoModal(); },
            [&] {
                if (script) {
                    script(dialog);
                } else {
                    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, kWaitMs));
                }
            });
        m_state = dialog.Procedure().GetState();
        return result;
    }
    bool WaitForStep(const char* step) {
        return QTest::qWaitFor([&] { return !m_steps.isEmpty() && m_steps.back() == QLatin1String(step); },
                               kWaitMs);
    }

    guitest::CMessageBoxCapture m_boxes;
    guitest::CConnectedController m_connection;
    QStringList m_steps;
    CWriteProcedure::EWriteState m_state = CWriteProcedure::StateIdle;
    unsigned long m_baud = 0;
    CArdeno::ECommModeSetting m_mode{};
};

TEST_F(WriteConfDlgTest, StepsThroughToDoneWhileTheControllerSaves) {
    // The first line names the settings before and after, once the controller's are known.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            unsigned char address = 0;
            return m_connection.controller.GetAddress(address) &&
                   m_connection.controller.GetBaudRate(m_baud) && m_connection.controller.GetCommMode(m_mode);
        },
        kWaitMs));
    EXPECT_EQ(Run(kNewSettings,
                  [&](CWriteConfDlg& dialog) {
                      EXPECT_EQ(
                          dialog.findChild<QLabel*>("headlineLabel")->text(),
                          "From 19200 baud, Even, 1 stop bit, address 16\nto 38400 baud, Odd, 1 stop bit, "
                          "address 16");
                      EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, kWaitMs));
                  }),
              CWriteConfDlg::IDOK);
    EXPECT_EQ(m_steps, QStringList({"Writing configuration...", "Verifying...", "Saving configuration...",
                                    "Waiting for save confirmation...", "Done"}));
    EXPECT_EQ(m_connection.sim.SavedSettings(), (sim::CommSettings{16, 384, 1}));
    EXPECT_EQ(m_connection.sim.SaveCommandCount(), 1u);
    EXPECT_TRUE(m_boxes.Texts().empty());
}

// Status 2, read once the save is over, is "not saving": the save is done.
TEST_F(WriteConfDlgTest, StatusTwoAfterTheSaveReachesDone) {
    m_connection.sim.SetRegister(sim::Table::Holding, sim::kRegStatus, sim::kStatusOther);
    EXPECT_EQ(Run(kNewSettings), CWriteConfDlg::IDOK);
    EXPECT_EQ(m_steps.back(), "Done");
    EXPECT_EQ(m_connection.sim.SavedSettings(), (sim::CommSettings{16, 384, 1}));
}

TEST_F(WriteConfDlgTest, SettingThatKeepsItsOldValueFailsVerificationWithoutSaving) {
    m_connection.sim.SetStickyRegister(sim::kRegAddress, true);
    EXPECT_EQ(Run(CommConfig{38400, 5, CArdeno::ModeOdd1Stop}), CWriteConfDlg::IDCANCEL);
    EXPECT_EQ(m_boxes.Texts(),
              std::vector<std::string>{"Failed verifying written configuration for parameter \"Address\". "
                                       "Check selected configuration and try again."});
    QTest::qWait(1200);  // another poll round: still no save
    EXPECT_EQ(m_connection.sim.SaveCommandCount(), 0u);
    EXPECT_EQ(m_steps.back(), "Verifying...");
}

TEST_F(WriteConfDlgTest, SaveThatNeverEndsKeepsWaitingUntilCancelIsConfirmed) {
    m_connection.sim.SetStuckSaving(true);
    guitest::QuestionAnswer no;
    guitest::QuestionAnswer yes;
    const int result = Run(kNewSettings, [&](CWriteConfDlg& dialog) {
        ASSERT_TRUE(WaitForStep("Waiting for save confirmation..."));
        QTest::qWait(2500);  // a few status reads, all "saving"
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(&dialog, Qt::Key_Return);  // Enter does nothing

        guitest::AnswerNextQuestion(QMessageBox::No, no);
        dialog.findChild<QPushButton*>("cancelButton")->click();
        EXPECT_TRUE(no.answered);
        EXPECT_TRUE(dialog.isVisible());

        guitest::AnswerNextQuestion(QMessageBox::Yes, yes);
        QTest::keyClick(&dialog, Qt::Key_Escape);  // Escape is Cancel
    });
    EXPECT_EQ(result, CWriteConfDlg::IDCANCEL);
    EXPECT_EQ(m_state, CWriteProcedure::StateWaiting);
    EXPECT_EQ(no.text.toStdString(), res::LoadString(res::IDS_CANCEL_WARNING));
    EXPECT_EQ(no.icon, QMessageBox::NoIcon);
    EXPECT_EQ(no.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(yes.answered);
}

// The question stays open while the write goes on behind it; once the write ends it closes itself and
// says there was nothing left to stop.
TEST_F(WriteConfDlgTest, TheCancelQuestionClosesItselfWithANoteWhenTheWriteEndsBehindIt) {
    QString text;
    QString defaultAnswer;
    const int result = Run(kNewSettings, [&](CWriteConfDlg& dialog) {
        ASSERT_TRUE(WaitForStep("Writing configuration..."));
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            defaultAnswer = box->defaultButton()->text();
        });
        dialog.findChild<QPushButton*>("cancelButton")->click();
    });
    EXPECT_TRUE(text.startsWith("Stop writing?")) << text.toStdString();
    EXPECT_EQ(defaultAnswer, "Go on writing");
    EXPECT_EQ(result, CWriteConfDlg::IDOK);
    EXPECT_EQ(m_steps.back(), "Done");
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{WriteProgress::EndedWhileAskedNote()});
}

// A write the controller answers with an exception ends at once, naming it: asking again every poll
// period would change nothing.
TEST_F(WriteConfDlgTest, WriteTheControllerRefusesEndsAtOnceNamingTheException) {
    m_connection.sim.AddFault({.kind = sim::FaultKind::Exception, .exceptionCode = 2, .function = 6});
    const int result = Run(kNewSettings);
    EXPECT_EQ(result, CWriteConfDlg::IDCANCEL);
    ASSERT_EQ(m_boxes.Texts().size(), 1u);
    EXPECT_NE(m_boxes.Texts().front().find("refused writing the new"), std::string::npos)
        << m_boxes.Texts().front();
    EXPECT_NE(m_boxes.Texts().front().find("exception 2 (illegal data address)"), std::string::npos);
}

TEST_F(WriteConfDlgTest, RefusedValueIsReportedAndTheProgramQuits) {
    const int result = Run(CommConfig{9650, 16, CArdeno::ModeEven1Stop}, [](CWriteConfDlg&) {});
    guitest::ClearQuitRequest();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"Configuration rejected. 16, 9650, 0"});
    EXPECT_EQ(m_state, CWriteProcedure::StateIdle);
}

}  // namespace
