// SPDX-License-Identifier: Apache-2.0
// Saving a whole file the way a careful editor does: the old contents or the new ones,
// nothing in between, and the file keeps what it was (its links, owner and permissions).
#pragma once

#include <string>
#include <string_view>

namespace tagline::platform {

enum class SaveStatus {
  kReplaced,        // written beside the file and renamed over it
  kWrittenInPlace,  // overwritten where it is: a file with several names, or one whose
                    // folder takes no new files or whose owner a new file could not keep
  kReadOnly,        // the file exists but has no write permission: left untouched
  kNotRegularFile,  // a directory, FIFO, device or socket: left untouched
  kFailed,          // could not be written; see `error`
};

struct SaveResult {
  SaveStatus status = SaveStatus::kFailed;
  std::string error;  // why the save failed, empty on success

  bool ok() const {
    return status == SaveStatus::kReplaced || status == SaveStatus::kWrittenInPlace;
  }
};

// Saves `contents` as the file at `path`, creating it if it does not exist. A symbolic link
// is followed and the file it names is saved, so the link stays a link.
//
// Normally the contents go to a temporary file beside the file, are flushed to disk and
// the temporary file is renamed over the file, so a crash or a full disk leaves the old
// file whole. The few files that cannot be replaced that way without changing what they
// are are overwritten in place; room for the new contents is reserved first, so a full
// disk still leaves them whole in most cases, but an I/O error in the middle of the write
// can leave a cut file, which is then reported as a failure.
SaveResult SaveFileContents(const std::string& path, std::string_view contents);

// SaveFileContents for callers that only need to know whether the file was saved.
bool ReplaceFileContents(const std::string& path, std::string_view contents);

}  // namespace tagline::platform
