// SPDX-License-Identifier: Apache-2.0
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>
#include <utility>

#include "platform/port_info_linux.h"

namespace tagline::platform {

namespace fs = std::filesystem;

namespace {

// A sysfs attribute never exceeds one page; the cap also keeps a misdirected root harmless.
constexpr std::size_t kMaxAttributeBytes = 4096;

std::string ReadAttribute(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return {};
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  std::string text(kMaxAttributeBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string LinkTargetName(const fs::path& link) {
  std::error_code ec;
  const fs::path target = fs::read_symlink(link, ec);
  return ec ? std::string() : target.filename().string();
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// True when `dir` lies strictly inside `root` (both canonical).
bool IsBelow(const fs::path& dir, const fs::path& root) {
  auto d = dir.begin();
  for (auto r = root.begin(); r != root.end(); ++r, ++d) {
    if (d == dir.end() || *d != *r) return false;
  }
  return d != dir.end();
}

// The interface's parent that carries idVendor/idProduct is the USB device. The walk stays
// inside sysfs so that nothing above it is mistaken for a device.
void FillUsbIdentity(const fs::path& device, const fs::path& sysfsRoot, PortInfo& info) {
  fs::path below;  // the directory just under the current one on the way up
  for (fs::path dir = device; IsBelow(dir, sysfsRoot); below = dir, dir = dir.parent_path()) {
    if (Exists(dir / "idVendor") && Exists(dir / "idProduct")) {
      info.isUsb = true;
      info.vendorId = ReadAttribute(dir / "idVendor");
      info.productId = ReadAttribute(dir / "idProduct");
      info.manufacturer = ReadAttribute(dir / "manufacturer");
      info.product = ReadAttribute(dir / "product");
      info.serialNumber = ReadAttribute(dir / "serial");
      if (!below.empty()) info.interfaceText = ReadAttribute(below / "interface");
      return;
    }
    if (dir == dir.parent_path()) return;
  }
}

// Newer kernels hang the tty off a serial-core port device (bus serial-base, driver "port")
// below a controller device; the hardware's own driver and bus sit above both.
void FillHardwareDriver(const fs::path& device, const fs::path& sysfsRoot, PortInfo& info) {
  fs::path dir = device;
  while (IsBelow(dir, sysfsRoot) && LinkTargetName(dir / "subsystem") == "serial-base") {
    dir = dir.parent_path();
  }
  if (dir == device || !IsBelow(dir, sysfsRoot)) return;
  std::string driver = LinkTargetName(dir / "driver");
  if (driver.empty()) return;
  info.driver = std::move(driver);
  info.subsystem = LinkTargetName(dir / "subsystem");
}

// Canonical device node -> by-id links pointing at it.
std::map<fs::path, std::vector<std::string>> CollectByIdLinks(const std::string& byIdDir) {
  std::map<fs::path, std::vector<std::string>> links;
  std::error_code ec;
  fs::directory_iterator it(byIdDir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code entryEc;
    if (!it->is_symlink(entryEc)) continue;
    const fs::path target = fs::canonical(it->path(), entryEc);
    if (entryEc) continue;  // dangling: the adapter went away
    links[target].push_back(it->path().string());
  }
  for (auto& [target, names] : links) std::sort(names.begin(), names.end());
  return links;
}

}  // namespace

std::vector<PortInfo> ListPortInfo(const PortInfoRoots& roots, const UartProbe& probe) {
  std::vector<PortInfo> ports;
  std::error_code ec;
  const fs::path classTty = fs::canonical(roots.sysClassTty, ec);
  if (ec) return ports;
  const fs::path sysfsRoot = classTty.parent_path().parent_path();
  const auto byId = CollectByIdLinks(roots.byIdDir);

  for (const std::string& name : EnumerateSerialPorts(roots.sysClassTty, probe)) {
    const fs::path deviceLink = fs::path(roots.sysClassTty) / name / "device";
    PortInfo info;
    info.name = name;
    info.driver = LinkTargetName(deviceLink / "driver");
    if (info.driver.empty()) continue;  // unplugged since it was enumerated
    info.devicePath = (fs::path(roots.devDir) / name).string();
    info.subsystem = LinkTargetName(deviceLink / "subsystem");

    std::error_code deviceEc;
    const fs::path device = fs::canonical(deviceLink, deviceEc);
    if (!deviceEc) {
      FillHardwareDriver(device, sysfsRoot, info);
      FillUsbIdentity(device, sysfsRoot, info);
    }

    std::error_code nodeEc;
    const fs::path node = fs::canonical(info.devicePath, nodeEc);
    if (!nodeEc) {
      if (const auto found = byId.find(node); found != byId.end()) info.byIdNames = found->second;
    }
    ports.push_back(std::move(info));
  }
  return ports;
}

std::vector<PortInfo> ListPortInfo() {
  return ListPortInfo(PortInfoRoots{}, ProbeUartPresent);
}

std::string NoPortsHint() {
  return "No serial ports found.\n"
         "USB serial adapters appear as ttyUSB or ttyACM once they are plugged in;\n"
         "built-in ports appear as ttyS only when a UART answers.\n";
}

bool HasStableNames() {
  return true;
}

}  // namespace tagline::platform
