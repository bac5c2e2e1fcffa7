// The list of detected ports: stable names joined to their devices, the order, the ids and the
// listing kelvan-cli prints. The system's own list differs per machine; these tests feed the
// functions fixed ports and a folder of links laid out as udev lays out /dev/serial/by-id.

#include <gtest/gtest.h>

#include <QStringList>

#include <filesystem>

#include "ScratchFolder.h"
#include "session/DetectedPorts.h"

namespace kelvan::session {
namespace {

DetectedPort portAt(const QString& device) {
    DetectedPort port;
    port.device = device;
    return port;
}

QString text(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

TEST(DetectedPorts, AStableLinkNamesTheDeviceItResolvesTo) {
    const test::ScratchFolder folder;
    const std::filesystem::path dev = folder.path() / "dev";
    for (const char* device : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0"}) {
        folder.write(std::string("dev/") + device, "");
    }
    const std::filesystem::path byId = dev / "serial" / "by-id";
    std::filesystem::create_directories(byId);
    // udev's links are relative; two lead to ttyUSB1, the first in name order wins.
    std::filesystem::create_symlink("../../ttyUSB0", byId / "usb-FTDI_FT232R_A50285BI-if00-port0");
    std::filesystem::create_symlink("../../ttyUSB1", byId / "usb-Prolific_2303-if00-port0");
    std::filesystem::create_symlink("../../ttyUSB1", byId / "usb-Prolific_2303-if01-port0");
    std::filesystem::create_symlink("../../ttyUSB9", byId / "usb-gone-if00-port0");
    std::filesystem::create_symlink(dev / "ttyACM0", byId / "usb-Arduino_Uno_7563-if00");
    folder.write("dev/serial/by-id/notes", "a file, not a link, naming nothing");

    const struct {
        QString device;
        QString stableName;
    } cases[] = {
        {text(dev / "ttyUSB0"), text(byId / "usb-FTDI_FT232R_A50285BI-if00-port0")},
        {text(dev / "ttyUSB1"), text(byId / "usb-Prolific_2303-if00-port0")},
        {text(dev / "ttyACM0"), text(byId / "usb-Arduino_Uno_7563-if00")},
        {text(dev / "ttyS0"), QString()},
        {text(dev / "ttyUSB9"), QString()},  // listed, but its node has gone
    };
    QList<DetectedPort> ports;
    for (const auto& item : cases) {
        ports.append(portAt(item.device));
    }
    const QList<DetectedPort> named = withStableNames(ports, text(byId));
    ASSERT_EQ(named.size(), std::size(cases));
    for (qsizetype i = 0; i < named.size(); ++i) {
        SCOPED_TRACE(cases[i].device.toStdString());
        EXPECT_EQ(named[i].stableName, cases[i].stableName);
        EXPECT_EQ(named[i].name(),
                  cases[i].stableName.isEmpty() ? cases[i].device : cases[i].stableName);
    }
    // Without the folder (no USB device plugged in, or not Linux) nothing changes.
    EXPECT_EQ(withStableNames(ports, text(dev / "serial" / "by-path")), ports);
}

TEST(DetectedPorts, SortedByNameWithNumbersByValue) {
    const struct {
        QStringList names;
        QStringList sorted;
    } cases[] = {
        {{"COM10", "COM2", "COM1"}, {"COM1", "COM2", "COM10"}},
        {{"/dev/ttyUSB10", "/dev/ttyS1", "/dev/ttyUSB9", "/dev/ttyACM0"},
         {"/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyUSB9", "/dev/ttyUSB10"}},
        {{"/dev/ttyS0", "/dev/serial/by-id/usb-B", "/dev/serial/by-id/usb-A"},
         {"/dev/serial/by-id/usb-A", "/dev/serial/by-id/usb-B", "/dev/ttyS0"}},
        {{"COM007", "COM8", "COM06"}, {"COM06", "COM007", "COM8"}},
        {{"usb-1a2-port12", "usb-1a2-port3", "usb-1a10-port1"},
         {"usb-1a2-port3", "usb-1a2-port12", "usb-1a10-port1"}},
        {{"COM1x", "COM1"}, {"COM1", "COM1x"}},
        {{}, {}},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.names.join(u' ').toStdString());
        QList<DetectedPort> ports;
        for (const QString& name : item.names) {
            ports.append(portAt(name));
        }
        QStringList sorted;
        for (const DetectedPort& port : sortedByName(ports)) {
            sorted.append(port.name());
        }
        EXPECT_EQ(sorted, item.sorted);
    }
}

TEST(DetectedPorts, TheListingHasFourTabSeparatedFieldsALine) {
    DetectedPort ftdi = portAt("/dev/ttyUSB0");
    ftdi.stableName = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    ftdi.description = "FT232R USB UART";
    ftdi.manufacturer = "FTDI";
    ftdi.serialNumber = "A50285BI";
    ftdi.vendorId = 0x0403;
    ftdi.productId = 0x6001;
    DetectedPort onlyVendor = portAt("COM3");
    onlyVendor.description = "Kelvan\tprogrammer\r\nrev. 2";
    onlyVendor.vendorId = 0x1A86;
    DetectedPort legacy = portAt("/dev/ttyS0");
    DetectedPort lowIds = portAt("/dev/ttyACM0");
    lowIds.vendorId = 0x2;
    lowIds.productId = 0xABCD;
    lowIds.serialNumber = "7\t5";

    const struct {
        QList<DetectedPort> ports;
        QString listing;
    } cases[] = {
        {{}, ""},
        {{ftdi},
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\tFT232R USB UART\t"
         "0403:6001\tA50285BI\n"},
        {{onlyVendor, legacy, lowIds},
         "COM3\tKelvan programmer  rev. 2\t\t\n"
         "/dev/ttyS0\t\t\t\n"
         "/dev/ttyACM0\t\t0002:abcd\t7 5\n"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.listing.toStdString());
        EXPECT_EQ(portListing(item.ports), item.listing);
    }
}

}  // namespace
}  // namespace kelvan::session
