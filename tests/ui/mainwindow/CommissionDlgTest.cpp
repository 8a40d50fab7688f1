// The Commission dialog on the offscreen platform against the stand-in: the test plays the bench
// operator, restarting the unit when the prompt asks; a run stopped by Stop or by closing the dialog.
#include "ui/CommissionDlg.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/ui/mainwindow/GuiTestSupport.h"
#include "tests/unit/present/MemoryStore.h"

namespace {

constexpr int kStepMs = 30000;

sim::Config Bench(const sim::CommSettings& settings) {
    sim::Config config;
    config.singleRegisterReads = true;
    config.saveDuration = std::chrono::milliseconds(100);
    config.settings = settings;
    return config;
}

template <typename T>
T* Child(QDialog& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

bool PromptSays(QDialog& dialog, const char* text) {
    return QTest::qWaitFor([&] { return Child<QLabel>(dialog, "prompt")->text().contains(text); }, kStepMs);
}

TEST(CommissionDlg, OneUnitIsWrittenVerifiedAfterItsRestartLoggedAndOffered) {
    sim::ControllerSim bench(Bench({16, 192, 0}));
    const std::string log = testing::TempDir() + "commission-dlg-" + std::to_string(::getpid()) + ".csv";
    std::remove(log.c_str());
    CCommissionDlg dialog(ConnectionRecipe{.port = bench.DevicePath()}, kFactorySettings);
    guitest::RunWithScript(
        dialog, [&] { return dialog.exec(); },
        [&] {
            Child<QSpinBox>(dialog, "firstAddress")->setValue(20);
            Child<QComboBox>(dialog, "newBaud")->setCurrentText(QStringLiteral("38400"));
            Child<QLineEdit>(dialog, "logPath")->setText(QString::fromStdString(log));
            QTest::mouseClick(Child<QPushButton>(dialog, "start"), Qt::LeftButton);
            ASSERT_TRUE(PromptSays(dialog, "restart"))
                << Child<QLabel>(dialog, "prompt")->text().toStdString();
            bench.Restart();
            ASSERT_TRUE(PromptSays(dialog, "1 unit done."))
                << Child<QLabel>(dialog, "prompt")->text().toStdString();
            dialog.close();
        });

    QTableWidget* units = Child<QTableWidget>(dialog, "units");
    ASSERT_EQ(units->rowCount(), 1);
    const QStringList expected{"1",
                               "3102",
                               "2.5",
                               "address 16, 19200 baud, Even, 1 stop bit",
                               "address 20, 38400 baud, Even, 1 stop bit",
                               "yes",
                               ""};
    for (int column = 0; column < expected.size(); ++column) {
        EXPECT_EQ(units->item(0, column)->text(), expected[column]) << column;
    }
    std::ifstream file(log);
    std::string header;
    std::string row;
    std::getline(file, header);
    std::getline(file, row);
    EXPECT_EQ(header, kUnitLogHeader);
    EXPECT_NE(row.find(",1,3102,2.5,"), std::string::npos) << row;
    EXPECT_TRUE(row.ends_with(",yes,")) << row;
    EXPECT_EQ(dialog.LastDone(), (ScanCandidate{{38400, 0}, 20}));
    std::remove(log.c_str());
}

TEST(CommissionDlg, StopAndTheCloseBoxEndTheRunWhileItWaitsForAUnit) {
    const bool closeBox[] = {false, true};
    for (const bool close : closeBox) {
        sim::ControllerSim bench(Bench({16, 96, 0}));  // not at the factory speed: nothing comes
        CCommissionDlg dialog(ConnectionRecipe{.port = bench.DevicePath()}, kFactorySettings);
        guitest::RunWithScript(
            dialog, [&] { return dialog.exec(); },
            [&] {
                Child<QSpinBox>(dialog, "firstAddress")->setValue(30);
                QTest::mouseClick(Child<QPushButton>(dialog, "start"), Qt::LeftButton);
                ASSERT_TRUE(PromptSays(dialog, "waiting for a controller"));
                if (close) {
                    dialog.close();
                    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, kStepMs));
                    return;
                }
                QTest::mouseClick(Child<QPushButton>(dialog, "stop"), Qt::LeftButton);
                EXPECT_TRUE(PromptSays(dialog, "Stopped at unit 1"));
                EXPECT_TRUE(Child<QPushButton>(dialog, "start")->isEnabled());
                dialog.close();
            });
        EXPECT_EQ(Child<QTableWidget>(dialog, "units")->rowCount(), 0) << close;
        EXPECT_FALSE(dialog.LastDone().has_value()) << close;
    }
}

// The fields a run started with come back in the next dialog; a relative log path says where the log
// will be; Close ends the dialog.
TEST(CommissionDlg, TheFieldsOfTheRunStartedComeBackAndCloseEndsTheDialog) {
    sim::ControllerSim bench(Bench({16, 96, 0}));  // not at the factory speed: nothing comes
    MemoryStore remembered;
    {
        CCommissionDlg dialog(ConnectionRecipe{.port = bench.DevicePath()}, kFactorySettings, &remembered);
        guitest::RunWithScript(
            dialog, [&] { return dialog.exec(); },
            [&] {
                Child<QSpinBox>(dialog, "firstAddress")->setValue(30);
                Child<QSpinBox>(dialog, "count")->setValue(4);
                Child<QComboBox>(dialog, "newMode")->setCurrentIndex(2);
                Child<QLineEdit>(dialog, "logPath")->setText(QStringLiteral("bench.csv"));
                EXPECT_EQ(Child<QLabel>(dialog, "logNote")->text().toStdString(),
                          "Log: " + (std::filesystem::current_path() / "bench.csv").string());
                QTest::mouseClick(Child<QPushButton>(dialog, "start"), Qt::LeftButton);
                ASSERT_TRUE(PromptSays(dialog, "waiting for a controller"));
                EXPECT_FALSE(Child<QPushButton>(dialog, "browse")->isEnabled());
                QTest::mouseClick(Child<QPushButton>(dialog, "close"), Qt::LeftButton);
                EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, kStepMs));
            });
    }
    std::remove("bench.csv");
    CCommissionDlg again(ConnectionRecipe{.port = bench.DevicePath()}, kFactorySettings, &remembered);
    EXPECT_EQ(Child<QSpinBox>(again, "firstAddress")->value(), 30);
    EXPECT_EQ(Child<QSpinBox>(again, "count")->value(), 4);
    EXPECT_EQ(Child<QComboBox>(again, "newBaud")->currentText(), "19200");
    EXPECT_EQ(Child<QComboBox>(again, "newMode")->currentIndex(), 2);
    EXPECT_EQ(Child<QLineEdit>(again, "logPath")->text(), "bench.csv");
}

// What Start cannot carry out is said in the dialog before the stand-in hears anything.
TEST(CommissionDlg, UnusableLogOrAddressesAreSaidAtStartBeforeAnyRequest) {
    struct Case {
        QString log;
        int count;
        QString says;
    };
    const Case cases[] = {
        {QStringLiteral("/dev/full"), 1,
         QStringLiteral("/dev/full: the log cannot be written (No space left")},
        {QString::fromStdString(testing::TempDir()), 1,
         QStringLiteral("(Is a directory). No controller was touched")},
        {QString(), 9, QStringLiteral("need addresses up to 248")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says.toStdString());
        sim::ControllerSim bench(Bench({16, 192, 0}));
        CCommissionDlg dialog(ConnectionRecipe{.port = bench.DevicePath()}, kFactorySettings);
        guitest::RunWithScript(
            dialog, [&] { return dialog.exec(); },
            [&] {
                Child<QSpinBox>(dialog, "firstAddress")->setValue(240);
                Child<QSpinBox>(dialog, "count")->setValue(c.count);
                Child<QLineEdit>(dialog, "logPath")->setText(c.log);
                QTest::mouseClick(Child<QPushButton>(dialog, "start"), Qt::LeftButton);
                EXPECT_TRUE(Child<QLabel>(dialog, "prompt")->text().contains(c.says))
                    << Child<QLabel>(dialog, "prompt")->text().toStdString();
                EXPECT_TRUE(Child<QPushButton>(dialog, "start")->isEnabled());
                QTest::qWait(500);  // a run would have asked the bus by now
                dialog.close();
            });
        EXPECT_TRUE(bench.Requests().empty());
    }
}

}  // namespace
