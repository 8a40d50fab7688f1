#include "ui/PortDiscovery.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSysInfo>
#include <algorithm>

namespace {

const QString kWindowsPathPrefix = QStringLiteral("\\\\.\\");
const QString kWindowsAnyPathPrefix = QStringLiteral("\\\\");
const QString kPosixDeviceFolder = QStringLiteral("/dev/");
// The shortest Windows device path worth looking up: the prefix and "COM1".
constexpr qsizetype kShortestWindowsPath = 8;

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

qsizetype FindIgnoringCase(const QStringList& entries, const QString& text, bool prefixOnly) {
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const bool match = prefixOnly ? entries[i].startsWith(text, Qt::CaseInsensitive)
                                      : entries[i].compare(text, Qt::CaseInsensitive) == 0;
        if (match) {
            return i;
        }
    }
    return -1;
}

// A remembered "\\.\<name>" selects <name> when listed; any other long text is taken as it stands. The
// list then selects the first entry that begins with the resulting text, as the list control does.
PortPreselection PreselectWindowsPort(const QStringList& entries, const QString& rememberedPath) {
    PortPreselection result{rememberedPath};
    if (rememberedPath.size() >= kShortestWindowsPath) {
        if (rememberedPath.startsWith(kWindowsPathPrefix)) {
            const QString name = rememberedPath.mid(kWindowsPathPrefix.size());
            result.enableOk = FindIgnoringCase(entries, name, false) >= 0;
            result.port = result.enableOk ? name : QString();
        } else {
            result.enableOk = true;
        }
    }
    result.index = static_cast<int>(FindIgnoringCase(entries, result.port, true));
    return result;
}

PortPreselection PreselectPosixPort(const QStringList& entries, const QString& rememberedPath) {
    if (rememberedPath.isEmpty()) {
        return {};
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (DevicePath(EPortNaming::Posix, entries[i]) == rememberedPath) {
            return {entries[i], static_cast<int>(i), true};
        }
    }
    return {};
}

}  // namespace

EPortNaming NativePortNaming() {
    return QSysInfo::kernelType() == QLatin1String("winnt") ? EPortNaming::Windows : EPortNaming::Posix;
}

QStringList SystemPortNames() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        names.append(info.portName());
    }
    return names;
}

bool ReadsAsComPort(std::string_view name) {
    constexpr std::string_view kStem = "COM";
    if (!name.starts_with(kStem)) {
        return false;
    }
    std::size_t pos = kStem.size();
    while (pos < name.size() && IsBlank(name[pos])) {
        ++pos;
    }
    if (pos < name.size() && (name[pos] == '+' || name[pos] == '-')) {
        ++pos;
    }
    // Every notation "%i" accepts (decimal, 0x hexadecimal, 0 octal) begins with a decimal digit.
    return pos < name.size() && name[pos] >= '0' && name[pos] <= '9';
}

QStringList SortedPortNames(QStringList names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QStringList ComPortsAmong(const QStringList& deviceNames) {
    QStringList ports;
    for (const QString& name : deviceNames) {
        if (ReadsAsComPort(name.toStdString())) {
            ports.append(name);
        }
    }
    return SortedPortNames(ports);
}

QStringList DiscoverPorts(const SystemPorts& system, const QString& rememberedPath) {
    if (system.naming == EPortNaming::Windows) {
        return ComPortsAmong(system.names);
    }
    QStringList ports = SortedPortNames(system.names);
    const bool listed = PreselectPosixPort(ports, rememberedPath).index >= 0;
    if (!rememberedPath.isEmpty() && !listed && QFileInfo::exists(rememberedPath)) {
        ports.append(rememberedPath);
    }
    return ports;
}

QString DevicePath(EPortNaming naming, const QString& port) {
    if (naming == EPortNaming::Windows) {
        return port.startsWith(kWindowsAnyPathPrefix) ? port : kWindowsPathPrefix + port;
    }
    return port.startsWith(QLatin1Char('/')) ? port : kPosixDeviceFolder + port;
}

PortPreselection PreselectPort(EPortNaming naming, const QStringList& entries,
                               const QString& rememberedPath) {
    return naming == EPortNaming::Windows ? PreselectWindowsPort(entries, rememberedPath)
                                          : PreselectPosixPort(entries, rememberedPath);
}
