// SPDX-License-Identifier: Apache-2.0
// What a technician needs to tell the serial ports apart: driver, bus and USB identity, and
// on Linux the stable /dev/serial/by-id names. Each OS gathers it its own way
// (port_info_linux.cpp, port_info_win32.cpp); fields the OS has no notion of stay empty.
#pragma once

#include <string>
#include <vector>

namespace tagline::platform {

// Examples are Linux's, then Windows'.
struct PortInfo {
  std::string name;                    // ttyUSB0; COM3
  std::string devicePath;              // what the program opens: /dev/ttyUSB0; \\.\COM3
  std::vector<std::string> byIdNames;  // full paths of the by-id links to this port, sorted
  std::string driver;                  // ftdi_sio, cdc_acm, serial8250; usbser, Serial
  std::string subsystem;               // bus of the parent device: usb, pnp, platform; USB, ACPI
  bool isUsb = false;
  std::string vendorId, productId;  // four lower-case hex digits
  // The device's own texts, in UTF-8.
  std::string manufacturer, product, serialNumber;
  std::string interfaceText;  // the USB interface's own description, when it has one
};

// The machine's own ports.
std::vector<PortInfo> ListPortInfo();

// A readable text block, one paragraph per port, or a hint when there are none.
std::string FormatPortInfo(const std::vector<PortInfo>& ports);

// FormatPortInfo's text when there are no ports: where this OS's ports appear.
std::string NoPortsHint();
// Whether the OS gives ports names that outlast replugging (Linux: /dev/serial/by-id), so
// that a USB port without one is worth a line.
bool HasStableNames();

}  // namespace tagline::platform
