// The list of detected ports: stable names joined to their devices and the listing kelvan-cli
// prints. The system's own list differs per machine; these tests give the functions
// fixed ports and a folder of links laid out as udev lays out /dev/serial/by-id.

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

TEST(DetectedPorts, AStableLinkNamesTheDeviceItResolvesTo) {
    const test::ScratchFolder folder;
    for (const char* device : {"ttyUSB0", "ttyUSB1", "ttyS0"}) {
        folder.write(std::string("dev/") + device, "");
    }
    const std::filesystem::path byId = folder.path() / "dev/serial/by-id";
    std::filesystem::create_directories(byId);
    // udev's links are relative. Two lead to ttyUSB1: the first in name order is taken.
    std::filesystem::create_symlink("../../ttyUSB0", byId / "usb-FTDI_A50285BI-if00-port0");
    std::filesystem::create_symlink("../../ttyUSB1", byId / "usb-Prolific-if01-port0");
    std::filesystem::create_symlink("../../ttyUSB1", byId / "usb-Prolific-if00-port0");
    std::filesystem::create_symlink("../../ttyUSB9", byId / "usb-gone-if00-port0");
    const QString dev = QString::fromStdString((folder.path() / "dev/").string());
    const QString links = QString::fromStdString(byId.string()) + "/";

    const QList<DetectedPort> ports = {portAt(dev + "ttyUSB0"), portAt(dev + "ttyUSB1"),
                                       portAt(dev + "ttyS0"), portAt(dev + "ttyUSB9")};
    QStringList names;
    for (const DetectedPort& port : withStableNames(ports, links)) {
        names << port.name();
    }
    EXPECT_EQ(names,
              (QStringList{links + "usb-FTDI_A50285BI-if00-port0",
                           links + "usb-Prolific-if00-port0", dev + "ttyS0", dev + "ttyUSB9"}));
    // Without the folder (no USB adapter plugged in, or not Linux) nothing changes.
    EXPECT_EQ(withStableNames(ports, dev + "serial/by-path"), ports);
}

TEST(DetectedPorts, TheListingHasFourTabSeparatedFieldsALine) {
    DetectedPort ftdi = portAt("/dev/ttyUSB0");
    ftdi.stableName = "/dev/serial/by-id/usb-FTDI-if00-port0";
    ftdi.description = "FT232R USB UART";
    ftdi.serialNumber = "A50285BI";
    ftdi.vendorId = 0x0403;
    ftdi.productId = 0xAB01;
    DetectedPort onlyVendor = portAt("COM3");
    onlyVendor.description = "Kelvan\tprogrammer\r\nrev. 2";
    onlyVendor.vendorId = 0x1A86;
    EXPECT_EQ(portListing({}), "");
    EXPECT_EQ(portListing({ftdi, onlyVendor, portAt("/dev/ttyS0")}),
              "/dev/serial/by-id/usb-FTDI-if00-port0\tFT232R USB UART\t0403:ab01\tA50285BI\n"
              "COM3\tKelvan programmer  rev. 2\t\t\n"
              "/dev/ttyS0\t\t\t\n");
}

}  // namespace
}  // namespace kelvan::session
