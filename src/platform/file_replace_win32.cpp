// SPDX-License-Identifier: Apache-2.0
#include "platform/file_replace.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/comm.h"
#include "platform/save_method.h"

namespace tagline::platform {

namespace {

// Owns a file handle from CreateFileA.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(handle) != FALSE;
  }

 private:
  HANDLE handle_;
};

// Deletes the temporary file unless the move has consumed it.
class TempFile {
 public:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  ~TempFile() {
    if (!path_.empty()) ::DeleteFileA(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
};

SaveResult Failed(DWORD error) {
  return {SaveStatus::kFailed, CommErrorText(error)};
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  // Keep the separator of a drive root ("C:\"), which names the root, not the drive's
  // current directory.
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

// The file a symbolic link (or another name-surrogate reparse point) leads to. Windows
// would rename over the link itself. Without the "\\?\" prefix where the path does not
// need it, so the ANSI calls below take it.
std::pair<std::string, DWORD> FollowLinks(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return {path, ERROR_SUCCESS};
  }
  Handle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return {path, ::GetLastError()};
  char buffer[MAX_PATH + 8] = {};
  const DWORD length =
      ::GetFinalPathNameByHandleA(file.get(), buffer, sizeof buffer, FILE_NAME_NORMALIZED);
  if (length == 0) return {path, ::GetLastError()};
  if (length >= sizeof buffer) return {path, ERROR_FILENAME_EXCED_RANGE};
  std::string target(buffer, length);
  if (target.starts_with("\\\\?\\UNC\\")) return {"\\\\" + target.substr(8), ERROR_SUCCESS};
  if (target.starts_with("\\\\?\\")) return {target.substr(4), ERROR_SUCCESS};
  return {target, ERROR_SUCCESS};
}

struct Described {
  SaveTarget target;
  BY_HANDLE_FILE_INFORMATION info{};
};

// Looks at the file without opening it for reading or writing: with no access asked for,
// even a device only answers questions about itself.
std::optional<Described> Describe(const std::string& path, DWORD& error) {
  error = ERROR_SUCCESS;
  Described described;
  Handle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) error = ERROR_SUCCESS;
    return std::nullopt;
  }
  described.target.exists = true;
  if (::GetFileType(file.get()) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(file.get(), &described.info)) {
    return described;  // a device, pipe or console: not a regular file
  }
  const DWORD attributes = described.info.dwFileAttributes;
  described.target.regularFile = !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  described.target.writable = !(attributes & FILE_ATTRIBUTE_READONLY);
  described.target.linkCount = described.info.nNumberOfLinks;
  return described;
}

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = data.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(data.size());
    DWORD written = 0;
    if (!::WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

bool SeekTo(HANDLE file, LONGLONG offset) {
  LARGE_INTEGER position{};
  position.QuadPart = offset;
  return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != FALSE;
}

bool SetSize(HANDLE file, LONGLONG size) {
  return SeekTo(file, size) && ::SetEndOfFile(file);
}

// Overwrites the file `path`, which must still be the file `expected` describes.
SaveResult WriteInPlace(const std::string& path, const BY_HANDLE_FILE_INFORMATION& expected,
                        std::string_view contents) {
  Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return Failed(::GetLastError());
  BY_HANDLE_FILE_INFORMATION now{};
  LARGE_INTEGER oldSize{};
  if (!::GetFileInformationByHandle(file.get(), &now) || !::GetFileSizeEx(file.get(), &oldSize)) {
    return Failed(::GetLastError());
  }
  if (now.dwVolumeSerialNumber != expected.dwVolumeSerialNumber ||
      now.nFileIndexHigh != expected.nFileIndexHigh ||
      now.nFileIndexLow != expected.nFileIndexLow) {
    return {SaveStatus::kFailed, "the file was exchanged while it was being saved"};
  }

  // Reserve the room first, so that a full disk fails before a byte of the file changes.
  const auto size = static_cast<LONGLONG>(contents.size());
  if (size > oldSize.QuadPart && !SetSize(file.get(), size)) {
    const DWORD error = ::GetLastError();
    if (!SetSize(file.get(), oldSize.QuadPart)) {
      return {SaveStatus::kFailed, "the file could not be restored after a failed save"};
    }
    return Failed(error);
  }

  if (!SeekTo(file.get(), 0) || !WriteAll(file.get(), contents) || !SetSize(file.get(), size) ||
      !::FlushFileBuffers(file.get()) || !file.Close()) {
    return {SaveStatus::kFailed, "the file may be incomplete: " + CommErrorText(::GetLastError())};
  }
  return {SaveStatus::kWrittenInPlace, {}};
}

// Saves through a temporary file beside `path`. Nothing when no file may be created in the
// folder of the existing file `path`. GetTempFileNameA makes short names, so a long file name needs
// no care here.
std::optional<SaveResult> ReplaceThroughTemp(const std::string& path, bool exists,
                                             std::string_view contents) {
  // GetTempFileNameA creates the (empty) file, so the name is ours alone.
  char tempName[MAX_PATH] = {};
  if (::GetTempFileNameA(DirectoryOf(path).c_str(), "tlc", 0, tempName) == 0) {
    const DWORD error = ::GetLastError();
    if (exists && error == ERROR_ACCESS_DENIED) return std::nullopt;
    return Failed(error);
  }
  TempFile temp(tempName);

  Handle file(::CreateFileA(temp.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return Failed(::GetLastError());
  if (!WriteAll(file.get(), contents) || !::FlushFileBuffers(file.get()) || !file.Close()) {
    return Failed(::GetLastError());
  }

  // ReplaceFileA gives the new file the old one's attributes, security descriptor and
  // creation time, as the rename with fchown and fchmod does elsewhere.
  const BOOL moved = exists ? ::ReplaceFileA(path.c_str(), temp.path().c_str(), nullptr,
                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                            : ::MoveFileExA(temp.path().c_str(), path.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!moved) return Failed(::GetLastError());
  temp.Release();
  return SaveResult{SaveStatus::kReplaced, {}};
}

}  // namespace

SaveResult SaveFileContents(const std::string& path, std::string_view contents) {
  if (path.empty()) return Failed(ERROR_PATH_NOT_FOUND);
  const auto [target, linkError] = FollowLinks(path);
  if (linkError != ERROR_SUCCESS) return Failed(linkError);

  DWORD error = ERROR_SUCCESS;
  const std::optional<Described> described = Describe(target, error);
  if (error != ERROR_SUCCESS) return Failed(error);
  const SaveTarget facts = described ? described->target : SaveTarget{};

  const SaveMethod method = ChooseSaveMethod(facts);
  if (auto refused = RefusedSave(method)) return *std::move(refused);
  if (method == SaveMethod::kInPlace) return WriteInPlace(target, described->info, contents);
  if (auto replaced = ReplaceThroughTemp(target, facts.exists, contents)) {
    return *std::move(replaced);
  }
  // The folder takes no new files, but the existing file may well be writable itself.
  return WriteInPlace(target, described->info, contents);
}
}  // namespace tagline::platform
