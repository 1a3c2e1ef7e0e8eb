// SPDX-License-Identifier: Apache-2.0
// The port list as the serial port object hands it out, whatever the OS found.
#pragma once

#include <string>
#include <vector>

namespace tagline::platform {

// The port list text: each name followed by ";", the last-enumerated first.
std::string JoinPortNames(const std::vector<std::string>& enumerated);

}  // namespace tagline::platform
