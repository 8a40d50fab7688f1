#include "ui/PortDiscovery.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

const QString kStableLinkFolder = QStringLiteral("/dev/serial/by-id");

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

}  // namespace

std::vector<PortFacts> SystemPorts() {
    std::vector<PortFacts> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back({info.portName().toStdString(), info.description().toStdString(),
                         info.manufacturer().toStdString(), info.serialNumber().toStdString(),
                         StableLinkTo(info.systemLocation()).toStdString()});
    }
    return ports;
}
