// SPDX-License-Identifier: Apache-2.0
#include <windows.h>

// initguid.h first, so that devguid.h defines the class GUIDs instead of only declaring them.
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <utility>

#include "platform/comm.h"
#include "platform/port_info.h"
#include "platform/registry_key_win32.h"
#include "platform/serial_ports_win32.h"

namespace tagline::platform {

namespace {

struct DeviceInfoSetDestroyer {
  void operator()(HDEVINFO set) const { SetupDiDestroyDeviceInfoList(set); }
};
using DeviceInfoSet = std::unique_ptr<void, DeviceInfoSetDestroyer>;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Registry data may or may not end in its terminating zero; the text stops at the first one,
// which for a string list is its first string.
std::string FirstString(const char* data, std::size_t size) {
  const std::string_view text(data, size);
  return std::string(text.substr(0, text.find('\0')));
}

// The A functions hand out text in the ANSI code page; PortInfo holds UTF-8.
std::string AnsiToUtf8(const std::string& text) {
  if (text.empty()) return text;
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return text;
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
  const int utf8Length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (utf8Length <= 0) return text;
  std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr,
                      nullptr);
  return utf8;
}

std::string DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  DWORD type = 0;
  DWORD size = 0;
  SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type, nullptr, 0, &size);
  if (size == 0) return {};
  std::string buffer(size, '\0');
  if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()), size, &size) ||
      (type != REG_SZ && type != REG_MULTI_SZ)) {
    return {};
  }
  return AnsiToUtf8(FirstString(buffer.data(), std::min<std::size_t>(size, buffer.size())));
}

std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
  DWORD size = 0;
  SetupDiGetDeviceInstanceIdA(set, &device, nullptr, 0, &size);
  if (size == 0) return {};
  std::string buffer(size, '\0');
  if (!SetupDiGetDeviceInstanceIdA(set, &device, buffer.data(), size, nullptr)) return {};
  return FirstString(buffer.data(), buffer.size());
}

// The name the port class installer gave the device (COM3), from its device key.
std::string PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  const HKEY opened = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (opened == nullptr || opened == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE)) return {};
  const RegistryKey key(opened);
  char data[64];
  DWORD size = sizeof data;
  DWORD type = 0;
  if (RegQueryValueExA(key.get(), "PortName", nullptr, &type, reinterpret_cast<BYTE*>(data),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return FirstString(data, std::min<std::size_t>(size, sizeof data));
}

// The four hex digits after `key` in a hardware id ("USB\VID_0403&PID_6001&REV_0600",
// "FTDIBUS\COMPORT&VID_0403&PID_6001"), lower-case as Linux gives them; empty if absent.
std::string HexIdAfter(const std::string& hardwareId, std::string_view key) {
  const std::string upper = Upper(hardwareId);
  const std::size_t at = upper.find(key);
  if (at == std::string::npos || upper.size() < at + key.size() + 4) return {};
  std::string id = upper.substr(at + key.size(), 4);
  for (char& c : id) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return id;
}

// A USB device with a serial number has it as the last part of its instance id
// (USB\VID_0403&PID_6001\A50285BI); for one without, Windows makes up a part with '&' in it.
std::string SerialNumber(const std::string& instanceId) {
  if (Upper(instanceId.substr(0, 4)) != "USB\\") return {};
  const std::string last = instanceId.substr(instanceId.rfind('\\') + 1);
  return last.find('&') == std::string::npos ? last : std::string();
}

// What the Ports device class knows about each present port, by upper-case port name.
std::map<std::string, PortInfo> PortsClassDevices() {
  std::map<std::string, PortInfo> devices;
  const HDEVINFO opened =
      SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (opened == INVALID_HANDLE_VALUE) return devices;
  const DeviceInfoSet set(opened);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
    const std::string name = PortName(set.get(), device);
    if (name.empty()) continue;
    PortInfo info;
    info.driver = DeviceProperty(set.get(), device, SPDRP_SERVICE);
    info.subsystem = DeviceProperty(set.get(), device, SPDRP_ENUMERATOR_NAME);
    info.manufacturer = DeviceProperty(set.get(), device, SPDRP_MFG);
    info.product = DeviceProperty(set.get(), device, SPDRP_FRIENDLYNAME);
    if (info.product.empty()) info.product = DeviceProperty(set.get(), device, SPDRP_DEVICEDESC);
    const std::string hardwareId = DeviceProperty(set.get(), device, SPDRP_HARDWAREID);
    info.vendorId = HexIdAfter(hardwareId, "VID_");
    info.productId = HexIdAfter(hardwareId, "PID_");
    info.isUsb = !info.vendorId.empty() || Upper(hardwareId.substr(0, 4)) == "USB\\";
    if (info.isUsb) info.serialNumber = SerialNumber(InstanceId(set.get(), device));
    devices.emplace(Upper(name), std::move(info));
  }
  return devices;
}

// COM2 before COM10.
bool PortNameLess(const std::string& a, const std::string& b) {
  const auto key = [](const std::string& name) {
    std::size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    return std::tuple(Upper(name.substr(0, digits)), name.size() - digits, name);
  };
  return key(a) < key(b);
}

}  // namespace

// The registry decides which ports there are, as it does for the port list; SetupAPI only
// describes them. Ports of other device classes (modems, virtual port pairs) show their name.
std::vector<PortInfo> ListPortInfo() {
  std::vector<std::string> names = EnumerateSerialPorts();
  std::sort(names.begin(), names.end(), PortNameLess);
  std::map<std::string, PortInfo> devices = PortsClassDevices();
  std::vector<PortInfo> ports;
  for (const std::string& name : names) {
    PortInfo info;
    if (const auto found = devices.find(Upper(name)); found != devices.end()) {
      info = std::move(found->second);
    }
    info.name = name;
    info.devicePath = CommDevicePath(name);
    ports.push_back(std::move(info));
  }
  return ports;
}

std::string NoPortsHint() {
  return "No serial ports found.\n"
         "USB serial adapters appear as COM ports once they are plugged in\n"
         "and their driver is installed.\n";
}

// Windows keeps a device's COM number itself: there is no second name to point out.
bool HasStableNames() {
  return false;
}

}  // namespace tagline::platform
