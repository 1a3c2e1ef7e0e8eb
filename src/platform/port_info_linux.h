// SPDX-License-Identifier: Apache-2.0
// The port information read from sysfs, with the places to read it from.
#pragma once

#include <string>
#include <vector>

#include "platform/port_info.h"
#include "platform/serial_ports_linux.h"

namespace tagline::platform {

struct PortInfoRoots {
  std::string sysClassTty = "/sys/class/tty";
  std::string devDir = "/dev";
  std::string byIdDir = "/dev/serial/by-id";
};

// One entry per port that EnumerateSerialPorts reports, in the same order. Missing
// directories and attributes leave the list or the fields empty.
std::vector<PortInfo> ListPortInfo(const PortInfoRoots& roots, const UartProbe& probe);

}  // namespace tagline::platform
