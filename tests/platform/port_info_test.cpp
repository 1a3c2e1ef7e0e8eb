// SPDX-License-Identifier: Apache-2.0
#include "platform/port_info_linux.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tagline::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsbHub = "devices/pci0000:00/0000:00:14.0/usb1";

// A sysfs, /dev and /dev/serial/by-id laid out with the kernel's relative links.
class PortInfoTree : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tagline-portinfo-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    sys = root / "sys";
    fs::create_directories(sys / "class/tty");
    fs::create_directories(root / "dev/serial/by-id");
    roots.sysClassTty = (sys / "class/tty").string();
    roots.devDir = (root / "dev").string();
    roots.byIdDir = (root / "dev/serial/by-id").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  static void RelativeLink(const fs::path& target, const fs::path& link) {
    fs::create_directories(link.parent_path());
    fs::create_symlink(target.lexically_relative(link.parent_path()), link);
  }

  // A device directory under sys with its driver and subsystem links.
  void AddDevice(const std::string& device, const std::string& bus, const std::string& driver) {
    const fs::path dir = sys / device;
    fs::create_directories(dir);
    if (!driver.empty()) {
      fs::create_directories(sys / "bus" / bus / "drivers" / driver);
      RelativeLink(sys / "bus" / bus / "drivers" / driver, dir / "driver");
    }
    RelativeLink(sys / "bus" / bus, dir / "subsystem");
  }

  // The tty class entry for a device, as the kernel links it, plus its node in /dev.
  void AddTty(const std::string& name, const std::string& device) {
    const fs::path ttyDir = sys / device / "tty" / name;
    fs::create_directories(ttyDir);
    RelativeLink(sys / device, ttyDir / "device");
    RelativeLink(ttyDir, sys / "class/tty" / name);
    std::ofstream(root / "dev" / name).put('\0');
  }

  void WriteAttribute(const std::string& dir, const std::string& file, const std::string& text) {
    std::ofstream(sys / dir / file, std::ios::binary) << text;
  }

  void AddById(const std::string& link, const std::string& node) {
    RelativeLink(root / "dev" / node, root / "dev/serial/by-id" / link);
  }

  std::string ById(const std::string& link) const {
    return (root / "dev/serial/by-id" / link).string();
  }

  void AddFtdiAdapter() {
    const std::string usbDevice = std::string(kUsbHub) + "/1-1";
    AddDevice(usbDevice, "usb", "usb");
    AddDevice(usbDevice + "/1-1:1.0", "usb", "ftdi_sio");
    AddDevice(usbDevice + "/1-1:1.0/ttyUSB0", "usb-serial", "ftdi_sio");
    AddTty("ttyUSB0", usbDevice + "/1-1:1.0/ttyUSB0");
    WriteAttribute(usbDevice, "idVendor", "0403\n");
    WriteAttribute(usbDevice, "idProduct", "6001\n");
    WriteAttribute(usbDevice, "manufacturer", "FTDI\n");
    WriteAttribute(usbDevice, "product", "FT232R USB UART\n");
    WriteAttribute(usbDevice, "serial", "A50285BI\n");
    WriteAttribute(usbDevice + "/1-1:1.0", "interface", "Reader port\n");
  }

  void AddAcmDevice() {
    const std::string usbDevice = std::string(kUsbHub) + "/1-2";
    AddDevice(usbDevice, "usb", "usb");
    AddDevice(usbDevice + "/1-2:1.0", "usb", "cdc_acm");
    AddTty("ttyACM0", usbDevice + "/1-2:1.0");
    WriteAttribute(usbDevice, "idVendor", "2341\n");
    WriteAttribute(usbDevice, "idProduct", "0043\n");
    WriteAttribute(usbDevice, "manufacturer", "Acme Readers\n");
    WriteAttribute(usbDevice, "product", "Desk Reader\n");
  }

  const PortInfo* Find(const std::vector<PortInfo>& ports, const std::string& name) const {
    for (const PortInfo& port : ports) {
      if (port.name == name) return &port;
    }
    return nullptr;
  }

  fs::path root;
  fs::path sys;
  PortInfoRoots roots;
};

TEST_F(PortInfoTree, UsbSerialAdapterWithAllAttributes) {
  AddFtdiAdapter();
  AddById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
  AddById("usb-Alias_for_the_same_port", "ttyUSB0");
  const auto ports = ListPortInfo(roots, nullptr);
  ASSERT_EQ(ports.size(), 1u);
  const PortInfo& port = ports[0];
  EXPECT_EQ(port.name, "ttyUSB0");
  EXPECT_EQ(port.devicePath, (root / "dev/ttyUSB0").string());
  EXPECT_TRUE(port.isUsb);
  EXPECT_EQ(port.driver, "ftdi_sio");
  EXPECT_EQ(port.subsystem, "usb-serial");
  EXPECT_EQ(port.vendorId, "0403");
  EXPECT_EQ(port.productId, "6001");
  EXPECT_EQ(port.manufacturer, "FTDI");
  EXPECT_EQ(port.product, "FT232R USB UART");
  EXPECT_EQ(port.serialNumber, "A50285BI");
  EXPECT_EQ(port.interfaceText, "Reader port");
  EXPECT_EQ(port.byIdNames,
            (std::vector<std::string>{ById("usb-Alias_for_the_same_port"),
                                      ById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")}));
}

TEST_F(PortInfoTree, AcmDeviceWithoutSerialNumber) {
  AddAcmDevice();
  AddById("usb-Acme_Readers_Desk_Reader-if00", "ttyACM0");
  const auto ports = ListPortInfo(roots, nullptr);
  ASSERT_EQ(ports.size(), 1u);
  const PortInfo& port = ports[0];
  EXPECT_EQ(port.name, "ttyACM0");
  EXPECT_TRUE(port.isUsb);
  EXPECT_EQ(port.driver, "cdc_acm");
  EXPECT_EQ(port.subsystem, "usb");
  EXPECT_EQ(port.vendorId, "2341");
  EXPECT_EQ(port.productId, "0043");
  EXPECT_EQ(port.manufacturer, "Acme Readers");
  EXPECT_EQ(port.product, "Desk Reader");
  EXPECT_EQ(port.serialNumber, "");
  EXPECT_EQ(port.interfaceText, "");
  EXPECT_EQ(port.byIdNames, std::vector<std::string>{ById("usb-Acme_Readers_Desk_Reader-if00")});
}

TEST_F(PortInfoTree, ByIdLinksGoToTheirOwnPortOnly) {
  AddFtdiAdapter();
  AddAcmDevice();
  AddById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
  AddById("usb-Acme_Readers_Desk_Reader-if00", "ttyACM0");
  AddById("usb-Unplugged_Adapter-if00-port0", "ttyUSB7");  // dangling
  std::ofstream(root / "dev/serial/by-id/not-a-link") << "x";
  const auto ports = ListPortInfo(roots, nullptr);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].name, "ttyACM0");
  EXPECT_EQ(ports[1].name, "ttyUSB0");
  EXPECT_EQ(ports[0].byIdNames,
            std::vector<std::string>{ById("usb-Acme_Readers_Desk_Reader-if00")});
  EXPECT_EQ(ports[1].byIdNames,
            std::vector<std::string>{ById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")});
}

TEST_F(PortInfoTree, BuiltInPortsAreNotUsbAndPlaceholdersNeedTheProbe) {
  AddDevice("devices/pnp0/00:01", "pnp", "serial");
  AddTty("ttyS0", "devices/pnp0/00:01");
  AddDevice("devices/platform/serial8250", "platform", "serial8250");
  AddTty("ttyS1", "devices/platform/serial8250");
  AddTty("ttyS2", "devices/platform/serial8250");
  // Identity files above the device tree must not make a built-in port look like USB.
  WriteAttribute("", "idVendor", "dead\n");
  WriteAttribute("", "idProduct", "beef\n");

  std::vector<std::string> probed;
  const auto probe = [&probed](const std::string& name) {
    probed.push_back(name);
    return name == "ttyS1";
  };
  const auto ports = ListPortInfo(roots, probe);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].name, "ttyS0");
  EXPECT_EQ(ports[0].driver, "serial");
  EXPECT_EQ(ports[0].subsystem, "pnp");
  EXPECT_FALSE(ports[0].isUsb);
  EXPECT_EQ(ports[0].vendorId, "");
  EXPECT_EQ(ports[0].productId, "");
  EXPECT_EQ(ports[1].name, "ttyS1");
  EXPECT_EQ(ports[1].driver, "serial8250");
  EXPECT_EQ(ports[1].subsystem, "platform");
  EXPECT_FALSE(ports[1].isUsb);
  EXPECT_TRUE(ports[1].byIdNames.empty());
  EXPECT_NE(std::find(probed.begin(), probed.end(), "ttyS2"), probed.end());
  EXPECT_EQ(std::find(probed.begin(), probed.end(), "ttyS0"), probed.end());

  const auto withoutProbe = ListPortInfo(roots, nullptr);
  ASSERT_EQ(withoutProbe.size(), 1u);
  EXPECT_EQ(withoutProbe[0].name, "ttyS0");
}

TEST_F(PortInfoTree, SerialCorePortDevicesReportTheHardwareDriver) {
  // Recent kernels: hardware device > controller > port device > tty.
  AddDevice("devices/pnp0/00:01", "pnp", "serial");
  AddDevice("devices/pnp0/00:01/00:01:0", "serial-base", "ctrl");
  AddDevice("devices/pnp0/00:01/00:01:0/00:01:0.0", "serial-base", "port");
  AddTty("ttyS0", "devices/pnp0/00:01/00:01:0/00:01:0.0");
  const auto ports = ListPortInfo(roots, nullptr);
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].driver, "serial");
  EXPECT_EQ(ports[0].subsystem, "pnp");
  EXPECT_FALSE(ports[0].isUsb);
}

TEST_F(PortInfoTree, TtysWithoutADriverAreSkipped) {
  fs::create_directories(sys / "devices/virtual/tty/tty0");
  RelativeLink(sys / "devices/virtual/tty/tty0", sys / "class/tty/tty0");
  AddDevice("devices/pnp0/00:02", "pnp", "");  // a device whose driver is not bound
  AddTty("ttyS3", "devices/pnp0/00:02");
  AddAcmDevice();
  const auto ports = ListPortInfo(roots, [](const std::string&) { return true; });
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].name, "ttyACM0");
}

TEST_F(PortInfoTree, MissingRootsGiveEmptyResults) {
  AddFtdiAdapter();
  AddById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");

  PortInfoRoots noSysfs = roots;
  noSysfs.sysClassTty = (root / "nothing/class/tty").string();
  EXPECT_TRUE(ListPortInfo(noSysfs, nullptr).empty());

  PortInfoRoots noById = roots;
  noById.byIdDir = (root / "nothing/by-id").string();
  auto ports = ListPortInfo(noById, nullptr);
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_TRUE(ports[0].byIdNames.empty());
  EXPECT_EQ(ports[0].vendorId, "0403");

  PortInfoRoots noDev = roots;
  noDev.devDir = (root / "nothing/dev").string();
  ports = ListPortInfo(noDev, nullptr);
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].devicePath, (root / "nothing/dev/ttyUSB0").string());
  EXPECT_TRUE(ports[0].byIdNames.empty());
}

TEST_F(PortInfoTree, MissingAttributesStayEmpty) {
  const std::string usbDevice = std::string(kUsbHub) + "/1-3";
  AddDevice(usbDevice, "usb", "usb");
  AddDevice(usbDevice + "/1-3:1.0", "usb", "cdc_acm");
  AddTty("ttyACM1", usbDevice + "/1-3:1.0");
  WriteAttribute(usbDevice, "idVendor", "1a86\r\n\n");
  WriteAttribute(usbDevice, "idProduct", "7523");
  const auto ports = ListPortInfo(roots, nullptr);
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_TRUE(ports[0].isUsb);
  EXPECT_EQ(ports[0].vendorId, "1a86");
  EXPECT_EQ(ports[0].productId, "7523");
  EXPECT_EQ(ports[0].manufacturer, "");
  EXPECT_EQ(ports[0].product, "");
  EXPECT_EQ(ports[0].serialNumber, "");

  // Without idProduct the parent is not a USB device.
  fs::remove(sys / usbDevice / "idProduct");
  const auto halfIdentity = ListPortInfo(roots, nullptr);
  ASSERT_EQ(halfIdentity.size(), 1u);
  EXPECT_FALSE(halfIdentity[0].isUsb);
  EXPECT_EQ(halfIdentity[0].vendorId, "");
}

PortInfo UsbPort() {
  PortInfo port;
  port.name = "ttyUSB0";
  port.devicePath = "/dev/ttyUSB0";
  port.byIdNames = {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"};
  port.driver = "ftdi_sio";
  port.subsystem = "usb-serial";
  port.isUsb = true;
  port.vendorId = "0403";
  port.productId = "6001";
  port.manufacturer = "FTDI";
  port.product = "FT232R USB UART";
  port.serialNumber = "A50285BI";
  port.interfaceText = "Reader port";
  return port;
}

PortInfo BuiltInPort() {
  PortInfo port;
  port.name = "ttyS0";
  port.devicePath = "/dev/ttyS0";
  port.driver = "serial";
  port.subsystem = "pnp";
  return port;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(PortInfoFormat, UsbPortMentionsEveryField) {
  const PortInfo port = UsbPort();
  const std::string text = FormatPortInfo({port});
  for (const std::string& field :
       {port.name, port.devicePath, port.byIdNames[0], port.driver, port.subsystem, port.vendorId,
        port.productId, port.manufacturer, port.product, port.serialNumber, port.interfaceText}) {
    EXPECT_TRUE(Contains(text, field)) << field << " missing from:\n" << text;
  }
  EXPECT_TRUE(Contains(text, "USB"));
}

TEST(PortInfoFormat, BuiltInPortHasNoUsbIdentity) {
  const std::string text = FormatPortInfo({BuiltInPort()});
  EXPECT_TRUE(Contains(text, "ttyS0"));
  EXPECT_TRUE(Contains(text, "/dev/ttyS0"));
  EXPECT_TRUE(Contains(text, "serial"));
  EXPECT_TRUE(Contains(text, "pnp"));
  EXPECT_FALSE(Contains(text, "vendor"));
  EXPECT_FALSE(Contains(text, "Serial number"));
}

TEST(PortInfoFormat, MissingUsbStringsAreMarked) {
  PortInfo port = UsbPort();
  port.serialNumber.clear();
  port.byIdNames.clear();
  const std::string text = FormatPortInfo({port});
  const auto line = text.find("Serial number");
  ASSERT_NE(line, std::string::npos);
  const std::string rest = text.substr(line, text.find('\n', line) - line);
  EXPECT_TRUE(Contains(rest, "not reported")) << rest;
  EXPECT_FALSE(Contains(text, "A50285BI"));
}

TEST(PortInfoFormat, OneParagraphPerPortInOrder) {
  const std::string text = FormatPortInfo({BuiltInPort(), UsbPort()});
  const auto first = text.find("ttyS0");
  const auto gap = text.find("\n\n");
  const auto second = text.find("ttyUSB0");
  ASSERT_NE(gap, std::string::npos);
  EXPECT_LT(first, gap);
  EXPECT_LT(gap, second);
  EXPECT_EQ(text.find("\n\n", gap + 2), std::string::npos);
  EXPECT_EQ(text.substr(gap + 2, 7), "ttyUSB0");
}

TEST(PortInfoFormat, NoPortsExplainsWhereAdaptersAppear) {
  const std::string text = FormatPortInfo({});
  EXPECT_FALSE(text.empty());
  EXPECT_TRUE(Contains(text, "ttyUSB"));
  EXPECT_TRUE(Contains(text, "ttyACM"));
}

TEST(PortInfoFormat, ControlBytesFromTheDeviceAreNeutralised) {
  PortInfo port = UsbPort();
  port.product = "Reader\x1b]0;owned\x07\r";
  port.manufacturer = "Acme\nDriver: fake";
  const std::string text = FormatPortInfo({port});
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_EQ(text.find('\x07'), std::string::npos);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_FALSE(Contains(text, "\nDriver: fake"));
  EXPECT_TRUE(Contains(text, "Reader?]0;owned??"));
}

}  // namespace
}  // namespace tagline::platform
