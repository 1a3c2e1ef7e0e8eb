// SPDX-License-Identifier: Apache-2.0
// The decisions behind saving a file that do not depend on the operating system: whether
// to replace the file, overwrite it in place or leave it alone, and how to name the
// temporary file beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_replace.h"

namespace tagline::platform {

// The file a save goes to, after symbolic links have been followed.
struct SaveTarget {
  bool exists = false;
  bool regularFile = false;  // false for directories, FIFOs, devices and sockets
  bool writable = false;     // has a write permission bit and the system lets us write it
  std::uint64_t linkCount = 1;
};

enum class SaveMethod {
  kReplace,           // temporary file beside the target, renamed over it
  kInPlace,           // overwrite the existing file, so all of its names see the new contents
  kRefuseReadOnly,    // keep a file that must not be changed
  kRefuseNotRegular,  // a rename would put a plain file where a special one was
};

SaveMethod ChooseSaveMethod(const SaveTarget& target);

// What a save that `method` refuses reports; nothing for the methods that write.
std::optional<SaveResult> RefusedSave(SaveMethod method);

// The name of a temporary file for the file named `base`: `base` followed by `suffix`,
// with `base` cut so that the whole name has at most `nameMax` bytes.
std::string TempFileName(std::string_view base, std::string_view suffix, std::size_t nameMax);

}  // namespace tagline::platform
