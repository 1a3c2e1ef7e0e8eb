// SPDX-License-Identifier: Apache-2.0
// The user's home directory, where POSIX puts the files Windows keeps under "C:\".
#pragma once

#include <string>

namespace tagline::platform {

std::string HomeDirectory();

// A default file the program keeps at the top of drive C: ("C:\\name"), in the home
// directory on POSIX.
std::string DefaultFilePath(const std::string& name);

}  // namespace tagline::platform
