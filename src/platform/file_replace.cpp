// SPDX-License-Identifier: Apache-2.0
#include "platform/file_replace.h"

namespace tagline::platform {

bool ReplaceFileContents(const std::string& path, std::string_view contents) {
  return SaveFileContents(path, contents).ok();
}

}  // namespace tagline::platform
