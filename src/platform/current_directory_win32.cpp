// SPDX-License-Identifier: Apache-2.0
#include "platform/current_directory.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

namespace tagline::platform {

CurrentDirectoryResult CurrentDirectory() {
  // With a short buffer the call returns the size needed, terminator included. The
  // directory can change between the two calls, so retry a few times.
  DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
  for (int attempt = 0; attempt < 4 && needed != 0; ++attempt) {
    std::vector<char> buffer(needed);
    const DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) break;
    if (length < buffer.size()) return {std::string(buffer.data(), length), {}};
    needed = length;
  }
  return {std::nullopt,
          "cannot get the current directory (error " + std::to_string(::GetLastError()) + ")"};
}

std::string_view PathSeparator() {
  return "\\";
}

std::size_t MaxPathLength() {
  return MAX_PATH - 1;
}

}  // namespace tagline::platform
