#pragma once
// Which serial ports the connection dialog offers, how a remembered device path picks one of them, and
// the device path that an operator's choice stands for. Texts are UTF-8.
//
// Two namings exist. Windows: the system's device names that read as "COM%i", and device paths
// "\\.\<name>"; a network gateway (tcp://, rfc2217://) may be typed in place of a listed port. POSIX:
// the ports the system reports plus the remembered device if its node still exists, a list in which any
// path can be typed (a pseudo-terminal is never reported), and device paths "/dev/<name>" unless the
// text already is a path. Both stay compiled, so both are tested everywhere.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class EPortNaming { Posix, Windows };

// The naming of the system this program was built for.
EPortNaming NativePortNaming();

// True when the name reads as "COM%i" with the C library's "%i": exactly "COM", then optional blanks
// and sign, then a number in any base notation; anything may follow ("COM3A" reads as COM3).
bool ReadsAsComPort(std::string_view name);

// Alphabetical order without regard to case, as a sorted list shows it: COM10 before COM3.
std::vector<std::string> SortedPortNames(std::vector<std::string> names);

// The Windows list: the names that read as "COM%i", unchanged and sorted.
std::vector<std::string> ComPortsAmong(const std::vector<std::string>& deviceNames);

// What the system reports of one serial port.
struct PortFacts {
    std::string name;          // ttyUSB0, COM3
    std::string description;   // the product, e.g. "USB-RS485"
    std::string manufacturer;  // e.g. "FTDI"
    std::string serialNumber;
    std::string
        stableLink;  // its link in /dev/serial/by-id, if any, e.g. "usb-FTDI_USB-RS485_A12B3C-if00-port0"
};

// Whether a device node exists; the file system's answer unless a test gives another.
using NodeExists = std::function<bool(const std::string& path)>;
bool NodeExistsOnDisk(const std::string& path);

// The entries of the port list: the system's ports, and on POSIX the remembered device path too when
// its node exists (or it names a network gateway) but the system does not report it.
std::vector<std::string> DiscoverPorts(EPortNaming naming, const std::vector<PortFacts>& system,
                                       const std::string& rememberedPath,
                                       const NodeExists& exists = NodeExistsOnDisk);

// How the list shows a port text: the name with what the system knows of the device, as in
// "ttyUSB0 — FTDI USB-RS485 (serial A12B3C)"; the text alone when nothing is known.
std::string PortLabel(const std::string& port, const std::vector<PortFacts>& system);

// The device path that a port text stands for; a network gateway's name as it is.
std::string DevicePath(EPortNaming naming, const std::string& port);

// The port as the operator names it: a Windows device path without its "\\.\" ("COM12"), any other as
// it is.
std::string PortText(const std::string& devicePath);

struct PortPreselection {
    std::string port;       // the port text the dialog starts with
    int index = -1;         // the list entry selected, -1 for none
    bool enableOk = false;  // whether OK may be pressed before the operator touches the port list
};

// What the dialog selects at opening for a remembered (or just tried) device path.
PortPreselection PreselectPort(EPortNaming naming, const std::vector<std::string>& entries,
                               const std::string& rememberedPath);
