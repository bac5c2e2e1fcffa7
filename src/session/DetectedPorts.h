#pragma once

// The serial ports present on this machine, as the system describes them, for a user to pick
// one from. Discovery only: whatever is picked is opened by name through TComm32 like any
// other name.

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace kelvan::session {

struct DetectedPort {
    // The system's name for it: /dev/ttyUSB0, COM3.
    QString device;
    // Linux: a /dev/serial/by-id/ link to device, which keeps its name whatever order adapters
    // are plugged in; empty when there is none.
    QString stableName;
    // The product as the device or its driver names it, its maker and its serial number; any
    // may be empty.
    QString description;
    QString manufacturer;
    QString serialNumber;
    // USB vendor and product, where the port has them.
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;

    // The name to open: the stable one where there is one, the device otherwise.
    QString name() const;
    // "0403:6001", lower-case hexadecimal; empty unless both ids are known.
    QString vidPid() const;

    bool operator==(const DetectedPort&) const = default;
};

// ports, each with the first link in linkFolder (in name order) that resolves to its device as
// its stable name. Links that resolve to nothing listed are ignored; a missing folder changes
// nothing.
QList<DetectedPort> withStableNames(QList<DetectedPort> ports, const QString& linkFolder);

// The ports the system lists now, with their stable names on Linux, sorted by name.
QList<DetectedPort> detectedPorts();

// One port a line: name, description, vid:pid and serial number, separated by tabs; a tab or a
// line end inside a field becomes a space, so every line has four fields. Empty for no ports.
QString portListing(const QList<DetectedPort>& ports);

}  // namespace kelvan::session
