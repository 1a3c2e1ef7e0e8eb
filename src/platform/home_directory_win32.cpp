// SPDX-License-Identifier: Apache-2.0
#include "platform/home_directory.h"

namespace tagline::platform {

std::string HomeDirectory() {
  return "C:";
}

std::string DefaultFilePath(const std::string& name) {
  return "C:\\" + name;
}

}  // namespace tagline::platform
