#pragma once
// Which serial ports the connection dialog offers, how a remembered device path picks one of them, and
// the device path that an operator's choice stands for.
//
// Two namings exist. Windows: the system's device names that read as "COM%i", a fixed list, and device
// paths "\\.\<name>". POSIX (the build run here): the ports the system reports plus the remembered device
// if its node still exists, a list in which any path can be typed (a pseudo-terminal is never reported),
// and device paths "/dev/<name>" unless the text already is a path. The choice is made at run time from
// the kernel Qt reports, so both stay compiled and tested.
#include <QString>
#include <QStringList>
#include <string_view>

enum class EPortNaming { Posix, Windows };

EPortNaming NativePortNaming();
// The device names of the serial ports the system reports.
QStringList SystemPortNames();

// What the dialog learns from the system: its naming and its ports. Tests give either naming with ports
// of their choosing, so that the Windows rules are tested anywhere.
struct SystemPorts {
    EPortNaming naming = NativePortNaming();
    QStringList names = SystemPortNames();
};

// True when the name reads as "COM%i" with the C library's "%i": exactly "COM", then optional blanks
// and sign, then a number in any base notation; anything may follow ("COM3A" reads as COM3).
bool ReadsAsComPort(std::string_view name);

// Alphabetical order without regard to case, as a sorted list shows it: COM10 before COM3.
QStringList SortedPortNames(QStringList names);

// The Windows list: the names that read as "COM%i", unchanged and sorted.
QStringList ComPortsAmong(const QStringList& deviceNames);

// The entries of the port list: the system's ports, and on POSIX the remembered device path too when
// its node exists but the system does not report it.
QStringList DiscoverPorts(const SystemPorts& system, const QString& rememberedPath);

// The device path that a port text stands for.
QString DevicePath(EPortNaming naming, const QString& port);

struct PortPreselection {
    QString port;           // the port text the dialog starts with
    int index = -1;         // the list entry selected, -1 for none
    bool enableOk = false;  // whether OK may be pressed before the operator touches the port list
};

// What the dialog selects at opening for a remembered (or just tried) device path.
PortPreselection PreselectPort(EPortNaming naming, const QStringList& entries, const QString& rememberedPath);
