#include "ui/PortDiscovery.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSysInfo>
#include <algorithm>

namespace {

const QString kWindowsPathPrefix = QStringLiteral("\\\\.\\");
const QString kWindowsAnyPathPrefix = QStringLiteral("\\\\");
const QString kPosixDeviceFolder = QStringLiteral("/dev/");
const QString kStableLinkFolder = QStringLiteral("/dev/serial/by-id");
// The shortest Windows device path worth looking up: the prefix and "COM1".
constexpr qsizetype kShortestWindowsPath = 8;

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

QStringList NamesOf(const QList<PortFacts>& system) {
    QStringList names;
    for (const PortFacts& port : system) {
        names.append(port.name);
    }
    return names;
}

// The name of the link in /dev/serial/by-id that leads to the device node, empty if there is none.
QString StableLinkTo(const QString& systemLocation) {
    const QString node = QFileInfo(systemLocation).canonicalFilePath();
    QDirIterator links(kStableLinkFolder, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    while (links.hasNext()) {
        const QFileInfo link(links.next());
        if (!node.isEmpty() && link.canonicalFilePath() == node) {
            return link.fileName();
        }
    }
    return {};
}

// "FTDI USB-RS485": the maker is left out when the product already names it.
QString DeviceName(const PortFacts& facts) {
    if (facts.manufacturer.isEmpty() || facts.description.contains(facts.manufacturer, Qt::CaseInsensitive)) {
        return facts.description;
    }
    return facts.description.isEmpty() ? facts.manufacturer : facts.manufacturer + u' ' + facts.description;
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

QList<PortFacts> SystemPorts() {
    QList<PortFacts> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.append({info.portName(), info.description(), info.manufacturer(), info.serialNumber(),
                      StableLinkTo(info.systemLocation())});
    }
    return ports;
}

QStringList DiscoverPorts(EPortNaming naming, const QList<PortFacts>& system, const QString& rememberedPath) {
    if (naming == EPortNaming::Windows) {
        return ComPortsAmong(NamesOf(system));
    }
    QStringList ports = SortedPortNames(NamesOf(system));
    const bool listed = PreselectPosixPort(ports, rememberedPath).index >= 0;
    // A remembered gateway cannot be looked for: it is offered as it was.
    const bool gateway = rememberedPath.contains(QStringLiteral("://"));
    if (!rememberedPath.isEmpty() && !listed && (gateway || QFileInfo::exists(rememberedPath))) {
        ports.append(rememberedPath);
    }
    return ports;
}

QString DevicePath(EPortNaming naming, const QString& port) {
    if (naming == EPortNaming::Windows) {
        return port.startsWith(kWindowsAnyPathPrefix) ? port : kWindowsPathPrefix + port;
    }
    // A network gateway (tcp://, rfc2217://) is named as typed.
    if (port.startsWith(QLatin1Char('/')) || port.contains(QStringLiteral("://"))) {
        return port;
    }
    return kPosixDeviceFolder + port;
}

PortPreselection PreselectPort(EPortNaming naming, const QStringList& entries,
                               const QString& rememberedPath) {
    return naming == EPortNaming::Windows ? PreselectWindowsPort(entries, rememberedPath)
                                          : PreselectPosixPort(entries, rememberedPath);
}

QString PortLabel(const QString& port, const QList<PortFacts>& system) {
    const auto facts = std::find_if(system.begin(), system.end(),
                                    [&port](const PortFacts& candidate) { return candidate.name == port; });
    if (facts == system.end()) {
        return port;
    }
    QString details = DeviceName(*facts);
    if (details.isEmpty()) {
        details = facts->stableLink;  // its name carries maker, product and serial number
    } else if (!facts->serialNumber.isEmpty()) {
        details += QStringLiteral(" (serial ") + facts->serialNumber + u')';
    }
    return details.isEmpty() ? port : port + QStringLiteral(" \u2014 ") + details;
}
