// SPDX-License-Identifier: Apache-2.0
#include "platform/device_manager.h"

#include "platform/port_info.h"

namespace tagline::platform {

// No device manager here: the window shows what sysfs knows about each serial port.
DeviceManagerView DeviceManager() {
  return {{}, FormatPortInfo(ListPortInfo())};
}

}  // namespace tagline::platform
