#include "ui/ComChoiceDlg.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cstdint>
#include <string>
#include <vector>

#include "modbus/Modbus.h"
#include "port/ComDevice.h"
#include "sim/ControllerSim.h"
#include "tests/ui/connection/DialogDriver.h"
#include "tests/ui/connection/PseudoTerminal.h"
#include "ui/FieldTip.h"

namespace {

constexpr std::uint32_t kMissingBaud = 4294967295u;
constexpr std::uint8_t kMissing8 = 255;

TEST(ComChoiceDlg, FirstRunShowsDefaultsAndWaitsForAPort) {
    CComChoiceDlg dialog(QString(), kMissingBaud, kMissing8, kMissing8, kMissing8);
    const DialogDriver driver(dialog);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Choose connection settings"));
    ExpectView(driver.View(), {"", "19200", "Even, 1 stop bit", "16", false});
    EXPECT_TRUE(driver.Ok().isDefault());

    driver.Port().setEditText(QStringLiteral("/dev/pts/99"));
    EXPECT_TRUE(driver.Ok().isEnabled());
}

TEST(ComChoiceDlg, PreselectsTheGivenSettingsOrItsDefaults) {
    const struct {
        std::uint32_t baud;
        std::uint8_t parity;
        std::uint8_t stopBits;
        std::uint8_t address;
        DialogView expected;
    } rows[] = {
        {57600, 0, 2, 5, {"", "57600", "None, 2 stop bits", "5", false}},
        {9600, 1, 0, 247, {"", "9600", "Odd, 1 stop bit", "247", false}},
        {38400, 0, 0, 1, {"", "38400", "None, 1 stop bit", "1", false}},
        {38400, 0, 0, 248, {"", "38400", "None, 1 stop bit", "16", false}},
        {19200, 2, 0, 0, {"", "19200", "Even, 1 stop bit", "16", false}},
        {12345, 2, 2, 200, {"", "19200", "Even, 1 stop bit", "200", false}},
        {0, 1, 2, 100, {"", "19200", "Even, 1 stop bit", "100", false}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.baud << "/" << int{row.parity} << "/" << int{row.stopBits}
                                        << "/" << int{row.address});
        CComChoiceDlg dialog(QString(), row.baud, row.parity, row.stopBits, row.address);
        ExpectView(DialogDriver(dialog).View(), row.expected);
    }
}

TEST(ComChoiceDlg, VanishedPortStaysInViewWithOkDisabled) {
    CComChoiceDlg dialog(QStringLiteral("/dev/ardenox-gone0"), 57600, 0, 2, 5);
    const DialogDriver driver(dialog);
    ExpectView(driver.View(), {"/dev/ardenox-gone0", "57600", "None, 2 stop bits", "5", false});
    EXPECT_EQ(driver.Port().findText(QStringLiteral("/dev/ardenox-gone0")), -1);

    // Reading the list again when it drops down keeps the path, and correcting it enables OK.
    driver.Port().showPopup();
    driver.Port().hidePopup();
    EXPECT_EQ(driver.Port().currentText(), QStringLiteral("/dev/ardenox-gone0"));
    driver.Port().setEditText(QStringLiteral("/dev/ardenox-gone1"));
    EXPECT_TRUE(driver.Ok().isEnabled());
}

// Windows naming: a fixed list and no typing, so the only way to a port is picking an entry, and picking
// the one already shown must enable OK too (a first run with one COM port, a vanished remembered port).
TEST(ComChoiceDlg, WindowsPickingTheShownPortEnablesOk) {
    const struct {
        const char* remembered;
        std::vector<std::string> system;
        const char* devicePath;
    } rows[] = {
        {"", {"COM3"}, "\\\\.\\COM3"},
        {"\\\\.\\COM7", {"COM3", "COM1", "ttyS0"}, "\\\\.\\COM1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.remembered);
        std::vector<PortFacts> system;
        for (const std::string& name : row.system) {
            system.push_back({name, {}, {}, {}, {}});
        }
        CComChoiceDlg dialog(
            QString::fromUtf8(row.remembered), 19200, 2, 0, 16, nullptr, [system] { return system; },
            EPortNaming::Windows);
        const DialogDriver driver(dialog);
        dialog.show();
        ASSERT_FALSE(driver.Port().isEditable());
        ASSERT_EQ(driver.Port().currentIndex(), 0);
        ASSERT_FALSE(driver.Ok().isEnabled());

        driver.Port().showPopup();
        QTest::keyClick(driver.Port().view(), Qt::Key_Return);
        EXPECT_EQ(driver.Port().currentIndex(), 0);
        ASSERT_TRUE(driver.Ok().isEnabled());
        driver.Ok().click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.GetDevicePath(), QString::fromUtf8(row.devicePath));
    }
}

TEST(ComChoiceDlg, OkTakesTheOperatorsChoice) {
    CComChoiceDlg dialog(QString(), kMissingBaud, kMissing8, kMissing8, kMissing8);
    const DialogDriver driver(dialog);
    dialog.show();
    driver.Choose(QStringLiteral("ttyUSB3"), QStringLiteral("38400"), QStringLiteral("Odd, 1 stop bit"),
                  QStringLiteral("0042"));
    driver.Ok().click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetDevicePath(), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(dialog.m_baudRate, 38400u);
    EXPECT_EQ(dialog.m_parity, 1);
    EXPECT_EQ(dialog.m_stopBits, 0);
    EXPECT_EQ(dialog.m_address, 42);
}

// The gateway kind is a tcp:// port's only: open for one, shown as remembered, and taken with OK.
TEST(ComChoiceDlg, GatewayKindIsChosenForATcpPortOnly) {
    const struct {
        const char* port;
        int chosen;  // the list's entry picked
        bool open;
        std::optional<traffic::Framing> taken;
    } rows[] = {
        {"tcp://10.0.0.5", 1, true, traffic::Framing::Mbap},
        {"tcp://10.0.0.5:4001", 2, true, traffic::Framing::Rtu},
        {"tcp://10.0.0.5:4001", 0, true, std::nullopt},
        {"rfc2217://10.0.0.5:4001", 1, false, std::nullopt},
        {"/dev/pts/42", 1, false, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.port);
        CComChoiceDlg dialog(QString(), 19200, 2, 0, 16);
        dialog.SetFraming(traffic::Framing::Rtu);
        const DialogDriver driver(dialog);
        dialog.show();
        EXPECT_EQ(driver.Gateway().currentIndex(), 2);
        driver.Choose(QString::fromUtf8(row.port), QStringLiteral("19200"),
                      QStringLiteral("Even, 1 stop bit"), QStringLiteral("16"));
        EXPECT_EQ(driver.Gateway().isEnabled(), row.open);
        driver.Gateway().setCurrentIndex(row.chosen);
        driver.Ok().click();
        EXPECT_EQ(dialog.m_framing, row.taken);
    }
}

TEST(ComChoiceDlg, DefaultResetsTheSettingsButNotThePort) {
    CComChoiceDlg dialog(QString(), 57600, 0, 2, 5);
    const DialogDriver driver(dialog);
    dialog.show();
    driver.Choose(QStringLiteral("/dev/pts/42"), QStringLiteral("9600"), QStringLiteral("None, 1 stop bit"),
                  QStringLiteral("99"));
    driver.Default().click();
    ExpectView(driver.View(), {"/dev/pts/42", "19200", "Even, 1 stop bit", "16", true});

    driver.Cancel().click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.m_baudRate, 57600u) << "Default must act only through OK";
    EXPECT_EQ(dialog.m_address, 5);
}

TEST(ComChoiceDlg, BadAddressKeepsTheDialogOpenWithATip) {
    const struct {
        const char* address;
        const char* title;
    } rows[] = {{"0", "Invalid value"}, {"248", "Invalid value"}, {"abc", "Invalid format"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.address);
        CComChoiceDlg dialog(QString(), 57600, 0, 2, 5);
        const DialogDriver driver(dialog);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        driver.Choose(QStringLiteral("/dev/pts/42"), QStringLiteral("9600"),
                      QStringLiteral("Odd, 1 stop bit"), QString::fromUtf8(row.address));
        driver.Ok().click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0) << "the dialog ended";
        const CFieldTip* tip = CFieldTip::Showing(driver.Address());
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(tip->Title(), QString::fromUtf8(row.title));
        EXPECT_EQ(tip->Text(), QStringLiteral("Enter an integer value between 1 and 247."));
        EXPECT_TRUE(driver.Address().hasFocus());
        EXPECT_EQ(driver.Address().text(), QString::fromUtf8(row.address));
        EXPECT_EQ(dialog.m_baudRate, 57600u);
        EXPECT_EQ(dialog.m_parity, 0);
        EXPECT_EQ(dialog.m_address, 5);
    }
}

TEST(ComChoiceDlg, TabOrderRunsFromOkToDefaultThenFindThenTheAdapterBoxes) {
    CComChoiceDlg dialog(QString(), 19200, 2, 0, 16);
    const DialogDriver driver(dialog);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    driver.Ok().setEnabled(true);  // a disabled button takes no focus
    driver.Ok().setFocus();
    const QWidget* expected[] = {&driver.Cancel(),  &driver.Port(),      &driver.Baud(),    &driver.Mode(),
                                 &driver.Address(), &driver.ReplyTime(), &driver.Default(), &driver.Find(),
                                 &driver.Echo(),    &driver.Rs485(),     &driver.Ok()};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QWidget* focus = QApplication::focusWidget();
        // The editable port list passes the focus to its own line edit.
        if (focus != nullptr && focus->parentWidget() == &driver.Port()) {
            focus = &driver.Port();
        }
        EXPECT_EQ(focus, next) << next->objectName().toStdString();
    }
}

TEST(ComChoiceDlg, PortsShowDescriptionsAndAreReadAgainWhenTheListDropsDown) {
    PseudoTerminal pty;
    const QString usb0 = QStringLiteral("ttyUSB0 \u2014 FTDI USB-RS485 (serial A12B3C)");
    std::vector<PortFacts> system{{"ttyUSB0", "USB-RS485", "FTDI", "A12B3C", ""}};
    CComChoiceDlg dialog(QStringLiteral("/dev/ttyUSB0"), 19200, 2, 0, 16, nullptr,
                         [&system] { return system; });
    const DialogDriver driver(dialog);
    dialog.show();
    ExpectView(driver.View(), {usb0, "19200", "Even, 1 stop bit", "16", true});

    // An adapter plugged in later, and a path typed meanwhile: both survive the list being read again.
    system.push_back({"ttyUSB1", "USB-RS485", "FTDI", "Q9", ""});
    driver.Port().setEditText(pty.Path());
    driver.Port().showPopup();
    driver.Port().hidePopup();
    EXPECT_EQ(driver.Port().count(), 2);
    EXPECT_EQ(driver.Port().currentText(), pty.Path());

    driver.Port().setCurrentIndex(1);
    system.erase(system.begin());
    driver.Port().showPopup();
    driver.Port().hidePopup();
    EXPECT_EQ(driver.Port().currentText(), QStringLiteral("ttyUSB1 \u2014 FTDI USB-RS485 (serial Q9)"));
    driver.Ok().click();
    EXPECT_EQ(dialog.GetDevicePath(), QStringLiteral("/dev/ttyUSB1"));
}

TEST(ComChoiceDlg, FindFillsTheSettingsTheControllerAnswersAt) {
    // At 57600 baud, none/1, address 5; the dialog shows none/2, which a pseudo-terminal cannot tell
    // apart, so the scan answers there first and then confirms what the controller holds.
    sim::Config config;
    config.settings = {5, 576, 3};
    sim::ControllerSim controller(config);
    const QString port = QString::fromStdString(controller.DevicePath());
    CComChoiceDlg dialog(QString(), 57600, 0, 2, 5);
    const DialogDriver driver(dialog);
    dialog.show();
    driver.Port().setEditText(port);
    driver.Find().click();  // runs the scan's own modal loop until the scan ends
    ExpectView(driver.View(), {port, "57600", "None, 1 stop bit", "5", true});
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("findResultLabel"))->text(),
              QStringLiteral("Found ArdenoX 3102 at 57600 baud, None, 1 stop bit, address 5."));

    driver.Ok().click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_baudRate, 57600u);
    EXPECT_EQ(dialog.m_parity, 0);
    EXPECT_EQ(dialog.m_stopBits, 0);
    CComDevice connection;
    ASSERT_TRUE(connection.Open(dialog.GetDevicePath().toStdString(), dialog.m_baudRate, dialog.m_parity,
                                dialog.m_stopBits));
    CModbus modbus(&connection);
    std::uint16_t model = 0;
    EXPECT_TRUE(modbus.ReadRegisters(dialog.m_address, 4, sim::kRegModel, 1, &model)) << "OK connects";
}

}  // namespace
