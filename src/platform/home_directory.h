// The user's home directory, where POSIX puts the files Windows keeps under "C:\".
#pragma once

#include <string>

namespace tagline::platform {

std::string HomeDirectory();

}  // namespace tagline::platform
