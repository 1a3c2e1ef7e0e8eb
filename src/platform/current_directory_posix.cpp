// SPDX-License-Identifier: Apache-2.0
#include "platform/current_directory.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace tagline::platform {

CurrentDirectoryResult CurrentDirectory() {
  // getcwd reports ERANGE when the buffer is short; grow until the path fits. Paths beyond
  // what the OS itself handles come back as ENAMETOOLONG and are reported as such.
  constexpr std::size_t kMaxBuffer = std::size_t{1} << 20;
  for (std::size_t size = 256; size <= kMaxBuffer; size *= 2) {
    std::vector<char> buffer(size);
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      return {std::string(buffer.data()), {}};
    }
    if (errno != ERANGE) {
      const int error = errno;
      return {std::nullopt,
              "cannot get the current directory: " + std::generic_category().message(error)};
    }
  }
  return {std::nullopt, "cannot get the current directory: the path is too long"};
}

std::string_view PathSeparator() {
  return "/";
}

std::size_t MaxPathLength() {
  return PATH_MAX - 1;
}

}  // namespace tagline::platform
