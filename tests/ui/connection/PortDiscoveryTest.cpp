#include "ui/PortDiscovery.h"

#include <gtest/gtest.h>

#include "tests/ui/connection/PseudoTerminal.h"

namespace {

TEST(PortDiscovery, ComPortRuleReadsNamesAsScanfWould) {
    const struct {
        const char* name;
        bool listed;
    } rows[] = {
        {"COM1", true},   {"COM10", true},  {"COM3A", true}, {"COM0x1F", true},
        {"COM017", true}, {"COM-3", true},  {"COM+4", true}, {"COM 7", true},
        {"COMX", false},  {"COM", false},   {"com3", false}, {"XCOM1", false},
        {"COM+", false},  {"COM-x", false}, {"LPT1", false}, {"", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ReadsAsComPort(row.name), row.listed) << row.name;
    }
}

TEST(PortDiscovery, ComPortsAreFilteredAndSortedAlphabetically) {
    const QStringList names{"COM3", "Harddisk0", "COM1", "COMX", "COM10", "com2", "COM3A"};
    EXPECT_EQ(ComPortsAmong(names), (QStringList{"COM1", "COM10", "COM3", "COM3A"}));
    EXPECT_EQ(SortedPortNames({"ttyUSB0", "ttyS1", "ttyACM0", "TTYS0"}),
              (QStringList{"ttyACM0", "TTYS0", "ttyS1", "ttyUSB0"}));
}

TEST(PortDiscovery, DevicePathOfAPortText) {
    const struct {
        EPortNaming naming;
        const char* port;
        const char* path;
    } rows[] = {
        {EPortNaming::Windows, "COM3", "\\\\.\\COM3"},
        {EPortNaming::Windows, "\\\\.\\COM3", "\\\\.\\COM3"},
        {EPortNaming::Windows, "\\\\server\\port", "\\\\server\\port"},
        {EPortNaming::Posix, "ttyUSB0", "/dev/ttyUSB0"},
        {EPortNaming::Posix, "/dev/pts/7", "/dev/pts/7"},
        {EPortNaming::Posix, "/tmp/ardenox-link", "/tmp/ardenox-link"},
        {EPortNaming::Posix, "rfc2217://10.0.0.5:4001", "rfc2217://10.0.0.5:4001"},
        {EPortNaming::Posix, "tcp://gateway:502", "tcp://gateway:502"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DevicePath(row.naming, QString::fromUtf8(row.port)), QString::fromUtf8(row.path))
            << row.port;
    }
}

TEST(PortDiscovery, PreselectionOfARememberedPath) {
    const QStringList windows{"COM1", "COM10", "COM3"};
    const QStringList posix{"ttyS0", "ttyUSB0", "/dev/pts/4"};
    const struct {
        EPortNaming naming;
        const QStringList& entries;
        const char* remembered;
        const char* port;
        int index;
        bool enableOk;
    } rows[] = {
        {EPortNaming::Windows, windows, "\\\\.\\COM3", "COM3", 2, true},
        {EPortNaming::Windows, windows, "\\\\.\\com3", "com3", 2, true},
        {EPortNaming::Windows, windows, "\\\\.\\COM1", "COM1", 0, true},
        // A port that is gone: nothing to open, OK waits for the operator (the list shows its first entry).
        {EPortNaming::Windows, windows, "\\\\.\\COM7", "", 0, false},
        {EPortNaming::Windows, windows, "", "", 0, false},
        {EPortNaming::Windows, {}, "\\\\.\\COM3", "", -1, false},
        // Too short to be a device path: taken as a name, but OK is not enabled by it.
        {EPortNaming::Windows, windows, "COM3", "COM3", 2, false},
        {EPortNaming::Posix, posix, "/dev/ttyUSB0", "ttyUSB0", 1, true},
        {EPortNaming::Posix, posix, "/dev/pts/4", "/dev/pts/4", 2, true},
        {EPortNaming::Posix, posix, "/dev/ttyUSB9", "", -1, false},
        {EPortNaming::Posix, posix, "/dev/TTYS0", "", -1, false},
        {EPortNaming::Posix, posix, "", "", -1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.remembered);
        const PortPreselection result =
            PreselectPort(row.naming, row.entries, QString::fromUtf8(row.remembered));
        EXPECT_EQ(result.port, QString::fromUtf8(row.port));
        EXPECT_EQ(result.index, row.index);
        EXPECT_EQ(result.enableOk, row.enableOk);
    }
}

TEST(PortDiscovery, RememberedDeviceIsOfferedOnlyWhileItsNodeExists) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Path().isEmpty());
    const QList<PortFacts> system = SystemPorts();
    const QStringList withPty = DiscoverPorts(EPortNaming::Posix, system, pty.Path());
    EXPECT_EQ(withPty.count(pty.Path()), 1);
    EXPECT_EQ(withPty.size(), DiscoverPorts(EPortNaming::Posix, system, QString()).size() + 1);

    const QStringList withoutPty =
        DiscoverPorts(EPortNaming::Posix, system, QStringLiteral("/dev/ardenox-missing"));
    EXPECT_FALSE(withoutPty.contains(QStringLiteral("/dev/ardenox-missing")));
    EXPECT_FALSE(DiscoverPorts(EPortNaming::Posix, system, QString()).contains(QString()));
    // A gateway has no node to look for: it is offered as remembered.
    const QString gateway = QStringLiteral("rfc2217://10.0.0.5:4001");
    EXPECT_EQ(DiscoverPorts(EPortNaming::Posix, system, gateway).count(gateway), 1);
}

TEST(PortDiscovery, LabelNamesThePortWithWhatTheSystemKnows) {
    const QList<PortFacts> system{
        {"ttyUSB0", "USB-RS485", "FTDI", "A12B3C", "usb-FTDI_USB-RS485_A12B3C-if00-port0"},
        {"ttyUSB1", "FTDI FT232R USB UART", "FTDI", "", ""},
        {"ttyACM0", "", "", "", "usb-Brannik_Adapter_77-if00"},
        {"ttyS0", "", "", "", ""},
        {"COM3", "USB Serial Port", "", "", ""},
    };
    const struct {
        const char* port;
        const char* label;
    } rows[] = {
        {"ttyUSB0", "ttyUSB0 \u2014 FTDI USB-RS485 (serial A12B3C)"},
        {"ttyUSB1", "ttyUSB1 \u2014 FTDI FT232R USB UART"},
        {"ttyACM0", "ttyACM0 \u2014 usb-Brannik_Adapter_77-if00"},
        {"ttyS0", "ttyS0"},
        {"COM3", "COM3 \u2014 USB Serial Port"},
        {"/dev/pts/4", "/dev/pts/4"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PortLabel(QString::fromUtf8(row.port), system), QString::fromUtf8(row.label));
    }
}

}  // namespace
