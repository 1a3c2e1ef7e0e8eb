// SPDX-License-Identifier: Apache-2.0
#include "platform/device_manager.h"

namespace tagline::platform {

DeviceManagerView DeviceManager() {
  return {"devmgmt.msc", {}};
}

}  // namespace tagline::platform
