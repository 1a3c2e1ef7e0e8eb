// SPDX-License-Identifier: Apache-2.0
#include "platform/serial_ports.h"

namespace tagline::platform {

std::string JoinPortNames(const std::vector<std::string>& enumerated) {
  std::string result;
  for (const std::string& name : enumerated) result.insert(0, name + ";");
  return result;
}

}  // namespace tagline::platform
