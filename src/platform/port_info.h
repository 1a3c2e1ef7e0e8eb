// What a technician needs to tell the serial ports apart: driver, bus, USB identity and
// the stable /dev/serial/by-id names, gathered from sysfs.
#pragma once

#include <string>
#include <vector>

#include "platform/serial_ports.h"

namespace tagline::platform {

struct PortInfo {
  std::string name;                    // e.g. ttyUSB0
  std::string devicePath;              // e.g. /dev/ttyUSB0
  std::vector<std::string> byIdNames;  // full paths of the by-id links to this port, sorted
  std::string driver;                  // e.g. ftdi_sio, cdc_acm, serial8250
  std::string subsystem;               // bus of the tty's parent device: usb, pnp, platform ...
  bool isUsb = false;
  std::string vendorId, productId;  // four lower-case hex digits, as sysfs gives them
  std::string manufacturer, product, serialNumber;
  std::string interfaceText;  // the USB interface's own description, when it has one
};

struct PortInfoRoots {
  std::string sysClassTty = "/sys/class/tty";
  std::string devDir = "/dev";
  std::string byIdDir = "/dev/serial/by-id";
};

// One entry per port that EnumerateSerialPorts reports, in the same order. Missing
// directories and attributes leave the list or the fields empty.
std::vector<PortInfo> ListPortInfo(const PortInfoRoots& roots, const UartProbe& probe);

// The machine's own ports.
std::vector<PortInfo> ListPortInfo();

// A readable text block, one paragraph per port, or a hint when there are none.
std::string FormatPortInfo(const std::vector<PortInfo>& ports);

}  // namespace tagline::platform
