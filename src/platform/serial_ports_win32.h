// SPDX-License-Identifier: Apache-2.0
// Finding the machine's serial ports from the registry.
#pragma once

#include <string>
#include <vector>

namespace tagline::platform {

// The port names (e.g. COM3) under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, in the registry's
// order. The serial drivers keep that key current as ports come and go.
std::vector<std::string> EnumerateSerialPorts();

}  // namespace tagline::platform
