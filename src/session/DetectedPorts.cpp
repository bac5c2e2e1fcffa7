#include "session/DetectedPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

namespace kelvan::session {
namespace {

// Where udev keeps a link per USB serial device, named after its maker, product and serial
// number.
constexpr char StableLinkFolder[] = "/dev/serial/by-id";

DetectedPort fromInfo(const QSerialPortInfo& info) {
    DetectedPort port;
    port.device = info.systemLocation();
    port.description = info.description();
    port.manufacturer = info.manufacturer();
    port.serialNumber = info.serialNumber();
    if (info.hasVendorIdentifier()) {
        port.vendorId = info.vendorIdentifier();
    }
    if (info.hasProductIdentifier()) {
        port.productId = info.productIdentifier();
    }
    return port;
}

QString field(QString text) {
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r') {
            c = u' ';
        }
    }
    return text;
}

}  // namespace

QString DetectedPort::name() const {
    return stableName.isEmpty() ? device : stableName;
}

QString DetectedPort::vidPid() const {
    if (!vendorId || !productId) {
        return {};
    }
    return QStringLiteral("%1:%2")
        .arg(*vendorId, 4, 16, QLatin1Char('0'))
        .arg(*productId, 4, 16, QLatin1Char('0'));
}

QList<DetectedPort> withStableNames(QList<DetectedPort> ports, const QString& linkFolder) {
    const QFileInfoList links =
        QDir(linkFolder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (DetectedPort& port : ports) {
        const QString device = QFileInfo(port.device).canonicalFilePath();
        if (device.isEmpty()) {
            continue;
        }
        for (const QFileInfo& link : links) {
            if (link.isSymLink() && link.canonicalFilePath() == device) {
                port.stableName = link.absoluteFilePath();
                break;
            }
        }
    }
    return ports;
}

QList<DetectedPort> detectedPorts() {
    QList<DetectedPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.append(fromInfo(info));
    }
#ifdef Q_OS_LINUX
    ports = withStableNames(std::move(ports), QString::fromLatin1(StableLinkFolder));
#endif
    std::sort(ports.begin(), ports.end(), [](const DetectedPort& left, const DetectedPort& right) {
        return left.name() < right.name();
    });
    return ports;
}

QString portListing(const QList<DetectedPort>& ports) {
    QString listing;
    for (const DetectedPort& port : ports) {
        listing += field(port.name()) + u'\t' + field(port.description) + u'\t' + port.vidPid() +
                   u'\t' + field(port.serialNumber) + u'\n';
    }
    return listing;
}

}  // namespace kelvan::session
