// Atomic replacement of a whole file, so that a crash or a full disk during a save never
// leaves a cut file behind: the old contents or the new ones, nothing in between.
#pragma once

#include <string>
#include <string_view>

namespace tagline::platform {

// Writes `contents` to a temporary file in the directory of `path`, flushes it to disk and
// moves it over `path` (creating `path` if it does not exist). On failure `path` is left
// as it was, the temporary file is removed and false is returned.
bool ReplaceFileContents(const std::string& path, std::string_view contents);

}  // namespace tagline::platform
