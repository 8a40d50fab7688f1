#include "app/ConnectionStartup.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/Profile.h"
#include "platform/DebugOutput.h"
#include "port/ComDevice.h"
#include "sim/ControllerSim.h"
#include "tests/integration/port/LineHolder.h"
#include "tests/ui/connection/DialogDriver.h"
#include "tests/ui/connection/PseudoTerminal.h"
#include "traffic/FrameRing.h"
#include "ui/TrafficModel.h"

namespace {

using Step = std::function<void(const DialogDriver&)>;

// Works each connection dialog that comes up, one step per dialog, as the operator would. A dialog
// beyond the script is cancelled and counted, so that a runaway loop ends.
class OperatorScript {
public:
    explicit OperatorScript(std::deque<Step> steps) : m_steps(std::move(steps)) {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { Poll(); });
        m_poll.start(5);
    }

    int DialogsShown() const { return m_shown; }
    bool Finished() const { return m_steps.empty(); }

private:
    void Poll() {
        auto* dialog = qobject_cast<CComChoiceDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->property("worked").toBool()) {
            return;
        }
        dialog->setProperty("worked", true);
        ++m_shown;
        const DialogDriver driver(*dialog);
        if (m_steps.empty()) {
            ADD_FAILURE() << "an unexpected dialog";
            driver.Cancel().click();
            return;
        }
        const Step step = std::move(m_steps.front());
        m_steps.pop_front();
        step(driver);
    }

    std::deque<Step> m_steps;
    QTimer m_poll;
    int m_shown = 0;
};

// The real profile, with every access noted in order.
class RecordingProfile final : public IProfile {
public:
    QString GetProfileString(const QString& section, const QString& key,
                             const QString& defaultValue) override {
        m_reads.push_back(key.toStdString());
        return m_profile.GetProfileString(section, key, defaultValue);
    }
    std::int32_t GetProfileInt(const QString& section, const QString& key,
                               std::int32_t defaultValue) override {
        m_reads.push_back(key.toStdString());
        return m_profile.GetProfileInt(section, key, defaultValue);
    }
    void WriteProfileString(const QString& section, const QString& key, const QString& value) override {
        m_writes.push_back((key + "=" + value).toStdString());
        m_profile.WriteProfileString(section, key, value);
    }
    void WriteProfileInt(const QString& section, const QString& key, std::int32_t value) override {
        m_writes.push_back((key + "=" + QString::number(value)).toStdString());
        m_profile.WriteProfileInt(section, key, value);
    }

    std::vector<std::string> m_reads;
    std::vector<std::string> m_writes;

private:
    CProfile m_profile;
};

std::vector<std::string> Remembered() {
    CProfile profile;
    std::vector<std::string> values;
    values.push_back(profile.GetProfileString("Settings", "ComPort", "<none>").toStdString());
    for (const char* key : {"BaudRate", "Parity", "StopBits", "Address"}) {
        values.push_back(std::to_string(profile.GetProfileInt("Settings", key, -1)));
    }
    return values;
}

void Remember(const QString& port, std::int32_t baud, std::int32_t parity, std::int32_t stopBits,
              std::int32_t address) {
    CProfile profile;
    profile.WriteProfileString("Settings", "ComPort", port);
    profile.WriteProfileInt("Settings", "BaudRate", baud);
    profile.WriteProfileInt("Settings", "Parity", parity);
    profile.WriteProfileInt("Settings", "StopBits", stopBits);
    profile.WriteProfileInt("Settings", "Address", address);
}

class ConnectionStartupTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_pty.Path().isEmpty());
        QSettings(QStringLiteral("Brannik"), QStringLiteral("ArdenoXModbus")).clear();
        m_previousBox =
            platform::SetMessageBoxSink([this](std::string_view text) { m_messages.emplace_back(text); });
        m_previousDebug = platform::SetDebugOutputSink([](std::string_view) {});
    }
    void TearDown() override {
        platform::SetMessageBoxSink(m_previousBox);
        platform::SetDebugOutputSink(m_previousDebug);
    }

    PseudoTerminal m_pty;
    std::vector<std::string> m_messages;

private:
    platform::TextSink m_previousBox;
    platform::TextSink m_previousDebug;
};

TEST_F(ConnectionStartupTest, FirstRunRemembersEverySettingInOrderOnceThePortOpens) {
    RecordingProfile profile;
    CComDevice device;
    OperatorScript script({[&](const DialogDriver& dialog) {
        ExpectView(dialog.View(), {"", "19200", "Even, 1 stop bit", "16", false});
        dialog.Port().setEditText(m_pty.Path());
        dialog.Ok().click();
    }});

    ASSERT_TRUE(OpenConnection(device, profile, AskWithComChoiceDlg));
    EXPECT_TRUE(device.Port().IsOpen());
    EXPECT_EQ(device.m_baudRate, 19200u);
    EXPECT_EQ(device.m_parity, 2);
    EXPECT_EQ(device.m_stopBits, 0);
    EXPECT_EQ(device.m_address, 16);
    EXPECT_EQ(profile.m_reads, (std::vector<std::string>{"ComPort", "BaudRate", "Parity", "StopBits",
                                                         "Address", "Echo", "ReplyTimeout", "Rs485",
                                                         "Framing"}));
    const std::string path = m_pty.Path().toStdString();
    // A serial line has no gateway kind: none is remembered.
    EXPECT_EQ(profile.m_writes,
              (std::vector<std::string>{"ComPort=" + path, "BaudRate=19200", "Parity=2", "StopBits=0",
                                        "Address=16", "Echo=0", "ReplyTimeout=0", "Rs485=0", "Framing="}));
    EXPECT_EQ(Remembered(), (std::vector<std::string>{path, "19200", "2", "0", "16"}));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ConnectionStartupTest, AnotherProgramOnThePortIsNamedOnceItOpens) {
    RecordingProfile profile;
    CComDevice device;
    const LineHolder holder(m_pty.Path().toStdString());
    OperatorScript script({[&](const DialogDriver& dialog) {
        dialog.Port().setEditText(m_pty.Path());
        dialog.Ok().click();
    }});
    ASSERT_TRUE(OpenConnection(device, profile, AskWithComChoiceDlg));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], m_pty.Path().toStdString() + " is also open in process " +
                                 std::to_string(holder.Pid()) +
                                 " (sleep): close that program, or it takes part of every reply.");
}

TEST_F(ConnectionStartupTest, RememberedSettingsArePreselectedAndConfirmedAtOnce) {
    Remember(m_pty.Path(), 57600, 0, 2, 5);
    CComDevice device;
    OperatorScript script({[&](const DialogDriver& dialog) {
        ExpectView(dialog.View(), {m_pty.Path(), "57600", "None, 2 stop bits", "5", true});
        dialog.Ok().click();
    }});

    ASSERT_TRUE(OpenConnection(device));
    EXPECT_TRUE(device.Port().IsOpen());
    EXPECT_EQ(device.m_baudRate, 57600u);
    EXPECT_EQ(device.m_parity, 0);
    EXPECT_EQ(device.m_stopBits, 2);
    EXPECT_EQ(device.m_address, 5);
}

TEST_F(ConnectionStartupTest, AnEchoingAdapterIsRememberedAndShownNextTime) {
    for (const bool echo : {true, false}) {
        CComDevice device;
        OperatorScript script({[&](const DialogDriver& dialog) {
            EXPECT_EQ(dialog.Echo().isChecked(), !echo) << "as remembered from the round before";
            dialog.Port().setEditText(m_pty.Path());
            dialog.Echo().setChecked(echo);
            dialog.Ok().click();
        }});
        ASSERT_TRUE(OpenConnection(device));
        EXPECT_EQ(device.m_echo, echo);
        EXPECT_EQ(CProfile().GetProfileInt("Settings", "Echo", -1), echo ? 1 : 0);
    }
}

TEST_F(ConnectionStartupTest, AReplyTimeIsTheWholeTimeAndIsRememberedWithThePort) {
    for (const QString& typed : {QStringLiteral("700"), QString()}) {
        CComDevice device;
        {
            OperatorScript script({[&](const DialogDriver& dialog) {
                dialog.Port().setEditText(m_pty.Path());
                dialog.ReplyTime().setText(typed);
                dialog.Ok().click();
            }});
            ASSERT_TRUE(OpenConnection(device));
        }
        {
            OperatorScript again({[&](const DialogDriver& dialog) {
                EXPECT_EQ(dialog.ReplyTime().text(), typed) << "as remembered";
                dialog.Cancel().click();
            }});
            CComDevice next;
            EXPECT_FALSE(OpenConnection(next));
        }
        if (typed.isEmpty()) {
            EXPECT_EQ(device.m_replyTimeoutMs, CComDevice::kDefaultReplyTimeoutMs);
            EXPECT_FALSE(device.m_networkAllowanceMs) << "a gateway's round trip is measured";
        } else {
            EXPECT_EQ(device.m_replyTimeoutMs, 700u);
            EXPECT_EQ(device.m_networkAllowanceMs, 0u) << "the time given is the whole time";
        }
    }
}

// A pseudo-terminal has no RS-485 mode, as a USB adapter has none: the operator is told how to do
// without, and the dialog comes back with the choice kept.
TEST_F(ConnectionStartupTest, RS485ModeTheDriverLacksIsNamedAndTheDialogComesBack) {
    RecordingProfile profile;
    CComDevice device;
    OperatorScript script({
        [&](const DialogDriver& dialog) {
            dialog.Port().setEditText(m_pty.Path());
            dialog.Rs485().setChecked(true);
            dialog.Ok().click();
        },
        [&](const DialogDriver& dialog) {
            EXPECT_TRUE(dialog.Rs485().isChecked());
            dialog.Rs485().setChecked(false);
            dialog.Ok().click();
        },
    });
    ASSERT_TRUE(OpenConnection(device, profile, AskWithComChoiceDlg));
    EXPECT_EQ(script.DialogsShown(), 2);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0],
              m_pty.Path().toStdString() +
                  ": the port's driver has no RS-485 mode; untick RS-485 direction control (an "
                  "adapter that switches direction by itself needs none).");
    EXPECT_FALSE(device.m_rs485);
    EXPECT_EQ(CProfile().GetProfileInt("Settings", "Rs485", -1), 0);
}

TEST_F(ConnectionStartupTest, FailedOpenAsksAgainWithTheValuesJustTriedAndCancelKeepsTheProfile) {
    Remember(m_pty.Path(), 57600, 0, 2, 5);
    const std::vector<std::string> before = Remembered();
    RecordingProfile profile;
    CComDevice device;
    OperatorScript script({
        [](const DialogDriver& dialog) {
            dialog.Choose("/dev/ardenox-missing", "9600", "Odd, 1 stop bit", "7");
            dialog.Ok().click();
        },
        [](const DialogDriver& dialog) {
            // A port that is gone is not listed, but its path stays to be corrected; OK waits for that.
            ExpectView(dialog.View(), {"/dev/ardenox-missing", "9600", "Odd, 1 stop bit", "7", false});
            dialog.Cancel().click();
        },
    });

    EXPECT_FALSE(OpenConnection(device, profile, AskWithComChoiceDlg));
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(device.Port().IsOpen());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].rfind("Unable to open communication port \"/dev/ardenox-missing\".", 0), 0u)
        << m_messages[0];
    EXPECT_TRUE(profile.m_writes.empty());
    EXPECT_EQ(Remembered(), before);
}

TEST_F(ConnectionStartupTest, WrittenSettingsAreOfferedOnTheRememberedPortAndStoredOnlyOnceItOpens) {
    Remember(m_pty.Path(), 19200, 2, 0, 16);
    const CommConfig written{38400, 17, CArdeno::ModeNone2Stop};
    for (const bool confirm : {false, true}) {
        SCOPED_TRACE(confirm ? "OK" : "Cancel");
        RecordingProfile profile;
        CComDevice device;
        OperatorScript script({[&](const DialogDriver& dialog) {
            ExpectView(dialog.View(), {m_pty.Path(), "38400", "None, 2 stop bits", "17", true});
            (confirm ? dialog.Ok() : dialog.Cancel()).click();
        }});

        EXPECT_EQ(OpenConnection(device, profile, AskWithComChoiceDlg, written), confirm);
        EXPECT_EQ(script.DialogsShown(), 1);
        EXPECT_EQ(profile.m_writes.empty(), !confirm);
    }
    EXPECT_EQ(Remembered(), (std::vector<std::string>{m_pty.Path().toStdString(), "38400", "0", "2", "17"}));
}

// A kept speed the dialog does not offer (4800) is not turned into its default: the speed in use stays.
TEST_F(ConnectionStartupTest, WrittenSpeedTheDialogDoesNotOfferLeavesTheSpeedInUse) {
    Remember(m_pty.Path(), 38400, 2, 0, 16);
    RecordingProfile profile;
    CComDevice device;
    OperatorScript script({[&](const DialogDriver& dialog) {
        ExpectView(dialog.View(), {m_pty.Path(), "38400", "None, 2 stop bits", "17", true});
        dialog.Cancel().click();
    }});
    EXPECT_FALSE(
        OpenConnection(device, profile, AskWithComChoiceDlg, CommConfig{4800, 17, CArdeno::ModeNone2Stop}));
    EXPECT_EQ(script.DialogsShown(), 1);
}

TEST_F(ConnectionStartupTest, PortWithoutPermissionNamesTheGroupToJoin) {
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr || ::getuid() != 0) {
        GTEST_SKIP() << "needs the group dialout and root to act as another user";
    }
    const QByteArray port = m_pty.Path().toLocal8Bit();
    ASSERT_EQ(::chown(port.constData(), static_cast<uid_t>(-1), dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(port.constData(), 0660), 0);
    CComDevice device;
    OperatorScript script({
        [&](const DialogDriver& dialog) {
            dialog.Port().setEditText(m_pty.Path());
            // Only the opening runs as nobody: the dialog's thread is this one, so the switch happens here.
            ASSERT_EQ(::seteuid(65534), 0);
            dialog.Ok().click();
        },
        [](const DialogDriver& dialog) {
            ASSERT_EQ(::seteuid(0), 0);
            dialog.Cancel().click();
        },
    });
    RecordingProfile profile;
    EXPECT_FALSE(OpenConnection(device, profile, AskWithComChoiceDlg));
    ASSERT_EQ(::geteuid(), 0u);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0],
              "Unable to open communication port \"" + port.toStdString() +
                  "\".\nPermission denied\nThe port belongs to the "
                  "group dialout: join it with \"sudo usermod -aG dialout $USER\", then log in "
                  "again.\n");
}

TEST_F(ConnectionStartupTest, SecondAttemptThatOpensIsRemembered) {
    CComDevice device;
    RecordingProfile profile;
    OperatorScript script({
        [](const DialogDriver& dialog) {
            dialog.Choose("ardenox-missing", "38400", "None, 1 stop bit", "200");
            dialog.Ok().click();
        },
        [&](const DialogDriver& dialog) {
            ExpectView(dialog.View(), {"/dev/ardenox-missing", "38400", "None, 1 stop bit", "200", false});
            dialog.Port().setEditText(m_pty.Path());
            dialog.Ok().click();
        },
    });

    ASSERT_TRUE(OpenConnection(device, profile, AskWithComChoiceDlg));
    EXPECT_EQ(script.DialogsShown(), 2);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("\"/dev/ardenox-missing\""), std::string::npos) << m_messages[0];
    EXPECT_EQ(Remembered(), (std::vector<std::string>{m_pty.Path().toStdString(), "38400", "0", "0", "200"}));
}

// A USB adapter is listed by its description, unlike its path: Find, OK and the next run all go by
// the path, and Find's frames reach the traffic window's buffer.
TEST_F(ConnectionStartupTest, DescribedPortIsFoundOpenedAndRememberedByItsDevicePath) {
    sim::Config config;
    config.settings = {5, 576, 3};
    config.singleRegisterReads = true;
    sim::ControllerSim controller(config);
    const QString path = QString::fromStdString(controller.TerminalPath());
    const QString name = path.mid(QStringLiteral("/dev/").size());
    const std::vector<PortFacts> system{{"ttyUSB7", "USB-Serial", "Prolific", "P1", ""},
                                        {name.toStdString(), "USB-RS485", "FTDI", "Q9", ""}};
    const QString label = name + QStringLiteral(" \u2014 FTDI USB-RS485 (serial Q9)");
    traffic::FrameRing traffic;
    const ConnectionDialog ask = ComChoiceDialog([&system] { return system; }, &traffic);
    {
        CComDevice device;
        OperatorScript script({[&](const DialogDriver& dialog) {
            dialog.Port().setCurrentIndex(dialog.Port().findData(name));
            ASSERT_EQ(dialog.Port().currentText(), label);
            // The speed shown is tried first: the stand-in answers within a few dozen probes.
            dialog.Baud().setCurrentIndex(dialog.Baud().findText("57600"));
            dialog.Find().click();  // runs the scan's own modal loop until the scan ends
            ExpectView(dialog.View(), {label, "57600", "None, 1 stop bit", "5", true});
            dialog.Ok().click();
        }});
        RecordingProfile profile;
        ASSERT_TRUE(OpenConnection(device, profile, ask));
        EXPECT_TRUE(m_messages.empty()) << m_messages.front();
        EXPECT_EQ(device.m_devicePath, path.toStdString());
    }
    EXPECT_EQ(Remembered(), (std::vector<std::string>{path.toStdString(), "57600", "0", "0", "5"}));

    CTrafficModel model(traffic);
    model.Drain();
    const std::string frames = model.Text();
    EXPECT_NE(frames.find("read input 2 model (1)"), std::string::npos) << frames;
    EXPECT_NE(frames.find("read holding 35 mode (1)"), std::string::npos) << frames;

    CComDevice device;
    OperatorScript script({[&](const DialogDriver& dialog) {
        ExpectView(dialog.View(), {label, "57600", "None, 1 stop bit", "5", true});
        dialog.Ok().click();
    }});
    RecordingProfile profile;
    EXPECT_TRUE(OpenConnection(device, profile, ask));
}

TEST_F(ConnectionStartupTest, PortOpenedBeforeIsRefusedWithoutAskingOrReading) {
    CComDevice device;
    ASSERT_TRUE(device.Open(m_pty.Path().toStdString(), 19200, 2, 0));
    RecordingProfile profile;
    int asked = 0;
    const ConnectionDialog ask = [&](const ConnectionChoice&) {
        ++asked;
        return std::optional<ConnectionChoice>();
    };

    EXPECT_FALSE(OpenConnection(device, profile, ask));
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(profile.m_reads.empty());
    EXPECT_TRUE(device.Port().IsOpen()) << "the open port was disturbed";
}

TEST_F(ConnectionStartupTest, HandEditedProfileNeverBreaksTheDialog) {
    const struct {
        const char* settings;
        DialogView expected;
    } rows[] = {
        {"ComPort=\nBaudRate=\nParity=\nStopBits=\nAddress=\n",
         {"", "19200", "Even, 1 stop bit", "16", false}},
        {"BaudRate=fast\nParity=even\nStopBits=two\nAddress=sixteen\n",
         {"", "19200", "Even, 1 stop bit", "16", false}},
        {"BaudRate=-57600\nParity=-1\nStopBits=-2\nAddress=-5\n",
         {"", "19200", "Even, 1 stop bit", "16", false}},
        {"BaudRate=99999999999999999999\nParity=4294967298\nStopBits=1e3\nAddress=1.5\n",
         {"", "19200", "Even, 1 stop bit", "16", false}},
        {"ComPort=a, b, c\nBaudRate=1, 2\nAddress=@Invalid()\n",
         {"", "19200", "Even, 1 stop bit", "16", false}},
        // Values are narrowed to their field by keeping the low bits.
        {"BaudRate=57600\nParity=256\nStopBits=258\nAddress=261\n",
         {"", "57600", "None, 2 stop bits", "5", false}},
        {"BaudRate= 9600 \nParity=4294967041\nStopBits=0\nAddress=4294967043\n",
         {"", "9600", "Odd, 1 stop bit", "3", false}},
    };
    const QString file = QSettings(QStringLiteral("Brannik"), QStringLiteral("ArdenoXModbus")).fileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.settings);
        QFile ini(file);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QByteArray("[Settings]\n") + row.settings);
        ini.close();

        CComDevice device;
        OperatorScript script({[&](const DialogDriver& dialog) {
            ExpectView(dialog.View(), row.expected);
            dialog.Cancel().click();
        }});
        EXPECT_FALSE(OpenConnection(device));
        EXPECT_EQ(script.DialogsShown(), 1);
    }
}

}  // namespace
