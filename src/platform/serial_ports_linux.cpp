// SPDX-License-Identifier: Apache-2.0
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/serial_ports_linux.h"

namespace tagline::platform {

namespace fs = std::filesystem;

namespace {

std::string LinkTargetName(const fs::path& link) {
  std::error_code ec;
  const fs::path target = fs::read_symlink(link, ec);
  return ec ? std::string() : target.filename().string();
}

// The driver of the hardware behind a tty. Newer kernels put serial-core port devices
// (bus "serial-base", driver "port") between the tty and the UART's own device.
std::string HardwareDriver(const fs::path& device) {
  std::error_code ec;
  fs::path dir = fs::canonical(device, ec);
  if (ec) return {};
  while (LinkTargetName(dir / "subsystem") == "serial-base" && dir.has_relative_path()) {
    dir = dir.parent_path();
  }
  return LinkTargetName(dir / "driver");
}

}  // namespace

std::vector<std::string> EnumerateSerialPorts(const std::string& sysClassTty,
                                              const UartProbe& probe) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sysClassTty, ec)) {
    const fs::path device = entry.path() / "device";
    const std::string name = entry.path().filename().string();
    // Virtual terminals and ptys have no driver behind them; nor have Bluetooth serial
    // links, which are ports all the same.
    if (LinkTargetName(device / "driver").empty()) {
      if (name.starts_with("rfcomm")) names.push_back(name);
      continue;
    }
    const std::string driver = HardwareDriver(device);
    if (driver == "serial8250" && !(probe && probe(name))) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool ProbeUartPresent(const std::string& deviceName) {
  const std::string path = "/dev/" + deviceName;
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  serial_struct info{};
  const bool present = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  close(fd);
  return present;
}

}  // namespace tagline::platform
