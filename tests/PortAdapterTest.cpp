#include "serial/PortAdapter.h"

#include "tests/support/PseudoTerminalPairPosix.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A device tree as the kernel lays it out: the tty class entry's device link leads to the
// usb-serial port below the USB interface below the USB device, which holds the strings.
void AddUsbPort(const TTempDir& root, const std::string& tty, const std::string& usbDevice, bool withSerial) {
    const std::string usb = root / ("sys/devices/pci0000:00/0000:00:14.0/usb1/" + usbDevice);
    const std::string port = usb + "/" + usbDevice + ":1.0/" + tty;
    fs::create_directories(port + "/tty/" + tty);
    WriteFileBytes(usb + "/idVendor", "0403\n");
    WriteFileBytes(usb + "/idProduct", "6001\n");
    WriteFileBytes(usb + "/product", "FT232R USB UART\n");
    WriteFileBytes(usb + "/manufacturer", "Ünïcode Maker\n");
    if (withSerial)
        WriteFileBytes(usb + "/serial", "A50285BI\n");
    fs::create_directories(root / ("sys/class/tty/" + tty));
    fs::create_symlink(port, root / ("sys/class/tty/" + tty + "/device"));
    WriteFileBytes(root / ("dev/" + tty), "");
}

} // namespace

TEST(PortAdapter, DescribesTheUsbDeviceBehindAPort) {
    TTempDir root;
    fs::create_directories(root / "dev/serial/by-id");
    AddUsbPort(root, "ttyUSB0", "1-1", true);
    AddUsbPort(root, "ttyUSB1", "1-2", false);
    fs::create_symlink("../../ttyUSB0",
                       root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    // A built-in port: its device is a platform device without USB numbers.
    fs::create_directories(root / "sys/devices/platform/serial8250/tty/ttyS0");
    fs::create_directories(root / "sys/class/tty/ttyS0");
    fs::create_symlink(root / "sys/devices/platform/serial8250", root / "sys/class/tty/ttyS0/device");
    WriteFileBytes(root / "dev/ttyS0", "");
    WriteFileBytes(root / "dev/ttyACM0", ""); // no entry in the tty class at all
    const TPseudoTerminalPair pty;

    const struct {
        std::string Path, Tree, Expected;
    } cases[] = {
        {root / "dev/ttyUSB0", root / "sys", "0403 6001 A50285BI|FT232R USB UART|Ünïcode Maker"},
        {root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", root / "sys",
         "0403 6001 A50285BI|FT232R USB UART|Ünïcode Maker"},
        {root / "dev/ttyUSB1", root / "sys", "0403 6001 |FT232R USB UART|Ünïcode Maker"},
        {root / "dev/ttyS0", root / "sys", "  ||"},
        {root / "dev/ttyACM0", root / "sys", "  ||"},
        {root / "dev/missing", root / "sys", "  ||"},
        {pty.SlavePath, SystemDeviceTree, "  ||"},
    };
    for (const auto& c : cases) {
        const TPortAdapter a = DescribePortAdapter(c.Path, c.Tree);
        EXPECT_EQ(a.VendorId + " " + a.ProductId + " " + a.Serial + "|" + a.Product + "|" + a.Maker,
                  c.Expected)
            << c.Path;
    }
}
