// SPDX-License-Identifier: Apache-2.0
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/home_directory.h"

namespace tagline::platform {

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return ".";
}

std::string DefaultFilePath(const std::string& name) {
  return HomeDirectory() + "/" + name;
}

}  // namespace tagline::platform
