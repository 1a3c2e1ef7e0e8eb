// SPDX-License-Identifier: Apache-2.0
// The process's current directory and the path limits of the host, the stand-in for
// GetCurrentDirectoryA and MAX_PATH.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tagline::platform {

struct CurrentDirectoryResult {
  std::optional<std::string> path;  // set on success
  std::string error;                // why it could not be had, otherwise
};

// Never truncated: a directory that cannot be reported whole is an error.
CurrentDirectoryResult CurrentDirectory();

// The separator placed between a directory and a file name: "\" on Windows, "/" elsewhere.
std::string_view PathSeparator();

// The longest path, in characters without the terminator, that the OS accepts.
std::size_t MaxPathLength();

}  // namespace tagline::platform
