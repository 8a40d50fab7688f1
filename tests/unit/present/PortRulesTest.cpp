#include "present/PortRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

TEST(PortRules, ComPortRuleReadsNamesAsScanfWould) {
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

TEST(PortRules, ComPortsAreFilteredAndSortedAlphabetically) {
    const Names names{"COM3", "Harddisk0", "COM1", "COMX", "COM10", "com2", "COM3A"};
    EXPECT_EQ(ComPortsAmong(names), (Names{"COM1", "COM10", "COM3", "COM3A"}));
    EXPECT_EQ(SortedPortNames({"ttyUSB0", "ttyS1", "ttyACM0", "TTYS0"}),
              (Names{"ttyACM0", "TTYS0", "ttyS1", "ttyUSB0"}));
}

TEST(PortRules, DevicePathOfAPortText) {
    const struct {
        EPortNaming naming;
        const char* port;
        const char* path;
    } rows[] = {
        {EPortNaming::Windows, "COM3", "\\\\.\\COM3"},
        {EPortNaming::Windows, "\\\\.\\COM3", "\\\\.\\COM3"},
        {EPortNaming::Windows, "\\\\server\\port", "\\\\server\\port"},
        {EPortNaming::Windows, "tcp://gateway:502", "tcp://gateway:502"},
        {EPortNaming::Posix, "ttyUSB0", "/dev/ttyUSB0"},
        {EPortNaming::Posix, "/dev/pts/7", "/dev/pts/7"},
        {EPortNaming::Posix, "/tmp/ardenox-link", "/tmp/ardenox-link"},
        {EPortNaming::Posix, "rfc2217://10.0.0.5:4001", "rfc2217://10.0.0.5:4001"},
        {EPortNaming::Posix, "tcp://gateway:502", "tcp://gateway:502"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DevicePath(row.naming, row.port), row.path) << row.port;
    }
}

TEST(PortRules, PreselectionOfARememberedPath) {
    const Names windows{"COM1", "COM10", "COM3"};
    const Names posix{"ttyS0", "ttyUSB0", "/dev/pts/4"};
    const struct {
        EPortNaming naming;
        const Names& entries;
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
        const PortPreselection result = PreselectPort(row.naming, row.entries, row.remembered);
        EXPECT_EQ(result.port, row.port);
        EXPECT_EQ(result.index, row.index);
        EXPECT_EQ(result.enableOk, row.enableOk);
    }
}

TEST(PortRules, LabelNamesThePortWithWhatTheSystemKnows) {
    const std::vector<PortFacts> system{
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
        EXPECT_EQ(PortLabel(row.port, system), row.label);
    }
}

// The remembered path joins the system's ports only when it cannot be found among them and still
// leads somewhere: a node that exists, or a gateway, which has no node to look for.
TEST(PortRules, RememberedPathJoinsTheListWhenItLeadsSomewhere) {
    const std::vector<PortFacts> system{{"ttyUSB0", {}, {}, {}, {}}, {"COM3", {}, {}, {}, {}}};
    const NodeExists existing = [](const std::string& path) { return path == "/dev/pts/4"; };
    const struct {
        EPortNaming naming;
        const char* remembered;
        Names entries;
    } rows[] = {
        {EPortNaming::Posix, "/dev/pts/4", {"COM3", "ttyUSB0", "/dev/pts/4"}},
        {EPortNaming::Posix, "/dev/pts/9", {"COM3", "ttyUSB0"}},
        {EPortNaming::Posix, "/dev/ttyUSB0", {"COM3", "ttyUSB0"}},
        {EPortNaming::Posix, "rfc2217://10.0.0.5:4001", {"COM3", "ttyUSB0", "rfc2217://10.0.0.5:4001"}},
        {EPortNaming::Posix, "", {"COM3", "ttyUSB0"}},
        {EPortNaming::Windows, "/dev/pts/4", {"COM3"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DiscoverPorts(row.naming, system, row.remembered, existing), row.entries) << row.remembered;
    }
}

}  // namespace
