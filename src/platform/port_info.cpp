// SPDX-License-Identifier: Apache-2.0
#include "platform/port_info.h"

namespace tagline::platform {

namespace {

// Terminal and edit controls must not act on control bytes that a device put in its strings.
std::string Printable(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return result;
}

std::string OrNotReported(const std::string& text) {
  return text.empty() ? std::string("(not reported)") : Printable(text);
}

void AddLine(std::string& out, const char* label, const std::string& value) {
  std::string line = "  ";
  line += label;
  line += ':';
  line.append(line.size() < 17 ? 17 - line.size() : 1, ' ');
  out += line + value + '\n';
}

}  // namespace

std::string FormatPortInfo(const std::vector<PortInfo>& ports) {
  if (ports.empty()) return NoPortsHint();
  std::string out;
  for (const PortInfo& port : ports) {
    if (!out.empty()) out += '\n';
    out += Printable(port.name) + "  " + Printable(port.devicePath) + '\n';
    if (port.isUsb) {
      AddLine(out, "Connection",
              "USB, vendor ID " + OrNotReported(port.vendorId) + ", product ID " +
                  OrNotReported(port.productId));
      AddLine(out, "Manufacturer", OrNotReported(port.manufacturer));
      AddLine(out, "Product", OrNotReported(port.product));
      AddLine(out, "Serial number", OrNotReported(port.serialNumber));
      if (!port.interfaceText.empty()) AddLine(out, "Interface", Printable(port.interfaceText));
    } else {
      AddLine(out, "Connection", "built in or on a card (not USB)");
    }
    // Linux lists only ports with a driver; Windows may know a port by its name alone.
    AddLine(out, "Driver", OrNotReported(port.driver));
    AddLine(out, "Bus", OrNotReported(port.subsystem));
    for (const std::string& link : port.byIdNames) AddLine(out, "Stable name", Printable(link));
    if (port.isUsb && port.byIdNames.empty() && HasStableNames()) {
      AddLine(out, "Stable name", "(none)");
    }
  }
  return out;
}

}  // namespace tagline::platform
