#pragma once
// Which serial ports the connection dialog offers, how a remembered device path picks one of them, and
// the device path that an operator's choice stands for.
//
// Two namings exist. Windows: the system's device names that read as "COM%i", a fixed list, and device
// paths "\\.\<name>". POSIX (the build run here): the ports the system reports plus the remembered device
// if its node still exists, a list in which any path can be typed (a pseudo-terminal is never reported),
// and device paths "/dev/<name>" unless the text already is a path. The choice is made at run time from
// the kernel Qt reports, so both stay compiled and tested.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>

enum class EPortNaming { Posix, Windows };

EPortNaming NativePortNaming();

// True when the name reads as "COM%i" with the C library's "%i": exactly "COM", then optional blanks
// and sign, then a number in any base notation; anything may follow ("COM3A" reads as COM3).
bool ReadsAsComPort(std::string_view name);

// Alphabetical order without regard to case, as a sorted list shows it: COM10 before COM3.
QStringList SortedPortNames(QStringList names);

// The Windows list: the names that read as "COM%i", unchanged and sorted.
QStringList ComPortsAmong(const QStringList& deviceNames);

// What the system reports of one serial port.
struct PortFacts {
    QString name;          // ttyUSB0, COM3
    QString description;   // the product, e.g. "USB-RS485"
    QString manufacturer;  // e.g. "FTDI"
    QString serialNumber;
    QString stableLink;  // its link in /dev/serial/by-id, if any, e.g. "usb-FTDI_USB-RS485_A12B3C-if00-port0"
};

// Where the port list comes from: the system, or a test's stand-in.
using PortSource = std::function<QList<PortFacts>()>;
QList<PortFacts> SystemPorts();

// The entries of the port list: the system's ports, and on POSIX the remembered device path too when
// its node exists but the system does not report it.
QStringList DiscoverPorts(EPortNaming naming, const QList<PortFacts>& system, const QString& rememberedPath);

// How the list shows a port text: the name with what the system knows of the device, as in
// "ttyUSB0 — FTDI USB-RS485 (serial A12B3C)"; the text alone when nothing is known.
QString PortLabel(const QString& port, const QList<PortFacts>& system);

// The device path that a port text stands for; a network gateway's name as it is.
QString DevicePath(EPortNaming naming, const QString& port);

struct PortPreselection {
    QString port;           // the port text the dialog starts with
    int index = -1;         // the list entry selected, -1 for none
    bool enableOk = false;  // whether OK may be pressed before the operator touches the port list
};

// What the dialog selects at opening for a remembered (or just tried) device path.
PortPreselection PreselectPort(EPortNaming naming, const QStringList& entries, const QString& rememberedPath);
