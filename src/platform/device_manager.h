// SPDX-License-Identifier: Apache-2.0
// Settings > Device Manager: what the system offers to look at the serial ports.
#pragma once

#include <string>

namespace tagline::platform {

struct DeviceManagerView {
  std::string shellTarget;      // a program the desktop opens (Windows' device manager)
  std::string portInformation;  // else: the program's own text about each port
};

DeviceManagerView DeviceManager();

}  // namespace tagline::platform
