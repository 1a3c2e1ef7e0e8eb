// SPDX-License-Identifier: Apache-2.0
#include "platform/file_replace.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "platform/save_method.h"

namespace tagline::platform {

namespace {

// Owns an open descriptor.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now so that a failing close (delayed write error) can be reported.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Removes the temporary file unless the rename has consumed it.
class TempFile {
 public:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  ~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
};

// More links than this in a row are taken for a loop, as the kernel does.
constexpr int kMaxLinkHops = 40;

SaveResult Failed(int error) {
  return {SaveStatus::kFailed, std::error_code(error, std::generic_category()).message()};
}

// The folder part of `path` with its trailing slash; empty for a bare name.
std::string FolderPrefix(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FolderOf(const std::string& path) {
  const std::string prefix = FolderPrefix(path);
  if (prefix.empty()) return ".";
  return prefix.size() == 1 ? prefix : prefix.substr(0, prefix.size() - 1);
}

// Follows symbolic links to the name of the file they lead to, which need not exist yet
// (a dangling link then creates its target). Errors come back as errno values.
std::pair<std::string, int> FollowLinks(std::string path) {
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {path, errno == ENOENT ? 0 : errno};
    if (!S_ISLNK(st.st_mode)) return {path, 0};
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0) return {path, errno};
    if (static_cast<std::size_t>(length) >= target.size()) return {path, ENAMETOOLONG};
    target.resize(static_cast<std::size_t>(length));
    if (!target.starts_with('/')) target.insert(0, FolderPrefix(path));
    path = std::move(target);
  }
  return {path, ELOOP};
}

SaveTarget Describe(const std::string& path, const struct stat& st) {
  SaveTarget target;
  target.exists = true;
  target.regularFile = S_ISREG(st.st_mode);
  // Without any write bit the file is read-only for everybody, root included, whom
  // access() would let write it.
  target.writable = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
                    ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
  target.linkCount = static_cast<std::uint64_t>(st.st_nlink);
  return target;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Creates a fresh file next to `path`. O_EXCL guarantees it is ours; the process id and a
// counter keep concurrent savers apart, and the name is cut to what the folder allows.
int CreateTemp(const std::string& path, mode_t mode, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  const std::string prefix = FolderPrefix(path);
  const std::string base = path.substr(prefix.size());
  const long nameMax = ::pathconf(FolderOf(path).c_str(), _PC_NAME_MAX);
  const std::size_t limit = nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string suffix =
        ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    tempPath = prefix + TempFileName(base, suffix, limit);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives the temporary file the owner, group and permissions of the file it replaces. False
// if the owner or group cannot be given (we may not give files away); the permissions are
// set after the owner because a change of owner clears the set-user-id bits.
bool TakeOverAttributes(int fd, const struct stat& old) {
  struct stat temp {};
  if (::fstat(fd, &temp) != 0) return false;
  if ((temp.st_uid != old.st_uid || temp.st_gid != old.st_gid) &&
      ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    return false;
  }
  return ::fchmod(fd, old.st_mode & 07777) == 0;
}

// Overwrites the regular file `path`, which must still be the file `expected` describes.
SaveResult WriteInPlace(const std::string& path, const struct stat& expected,
                        std::string_view contents) {
  // O_NONBLOCK: should the file have been swapped for a FIFO, the open must not wait.
  Fd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return Failed(errno);
  struct stat now {};
  if (::fstat(fd.get(), &now) != 0) return Failed(errno);
  if (!S_ISREG(now.st_mode) || now.st_dev != expected.st_dev || now.st_ino != expected.st_ino) {
    return {SaveStatus::kFailed, "the file was exchanged while it was being saved"};
  }

  // Reserve the room first, so that a full disk fails before a byte of the file changes.
  const auto size = static_cast<off_t>(contents.size());
  if (size > 0) {
    const int error = ::posix_fallocate(fd.get(), 0, size);
    if (error != 0 && error != EOPNOTSUPP) {
      if (::ftruncate(fd.get(), now.st_size) != 0) {
        return {SaveStatus::kFailed, "the file could not be restored after a failed save"};
      }
      return Failed(error);
    }
  }

  if (!WriteAll(fd.get(), contents) || ::ftruncate(fd.get(), size) != 0 || ::fsync(fd.get()) != 0 ||
      !fd.Close()) {
    return {SaveStatus::kFailed, "the file may be incomplete: " +
                                     std::error_code(errno, std::generic_category()).message()};
  }
  return {SaveStatus::kWrittenInPlace, {}};
}

// Saves through a temporary file beside `path`. Nothing when the temporary file cannot
// stand in for the existing file `old`: no new file may be created in its folder, or the
// file's owner cannot be given to it.
std::optional<SaveResult> ReplaceThroughTemp(const std::string& path, const struct stat* old,
                                             std::string_view contents) {
  // Only the owner may read the temporary file until it has the old file's permissions; a
  // new file gets the default ones.
  std::string tempPath;
  Fd fd(CreateTemp(path, old ? 0600 : 0666, tempPath));
  if (!fd.valid()) {
    if (old && (errno == EACCES || errno == EPERM || errno == EROFS)) return std::nullopt;
    return Failed(errno);
  }
  TempFile temp(tempPath);
  if (old && !TakeOverAttributes(fd.get(), *old)) {
    if (errno == EPERM) return std::nullopt;
    return Failed(errno);
  }

  if (!WriteAll(fd.get(), contents) || ::fsync(fd.get()) != 0 || !fd.Close()) {
    return Failed(errno);
  }
  if (::rename(temp.path().c_str(), path.c_str()) != 0) return Failed(errno);
  temp.Release();

  // Make the rename itself durable. The new contents are already in place, so a failure
  // here is not a failed save.
  Fd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.valid()) ::fsync(folder.get());
  return SaveResult{SaveStatus::kReplaced, {}};
}

}  // namespace

SaveResult SaveFileContents(const std::string& path, std::string_view contents) {
  if (path.empty()) return Failed(ENOENT);
  const auto [target, linkError] = FollowLinks(path);
  if (linkError != 0) return Failed(linkError);

  struct stat st {};
  SaveTarget described;
  if (::lstat(target.c_str(), &st) == 0) {
    described = Describe(target, st);
  } else if (errno != ENOENT) {
    return Failed(errno);
  }

  const SaveMethod method = ChooseSaveMethod(described);
  if (auto refused = RefusedSave(method)) return *std::move(refused);
  if (method == SaveMethod::kInPlace) return WriteInPlace(target, st, contents);
  const struct stat* old = described.exists ? &st : nullptr;
  if (auto replaced = ReplaceThroughTemp(target, old, contents)) return *std::move(replaced);
  // The folder takes no new files, or a new file could not have the owner of the existing
  // one; the existing file itself is writable.
  return WriteInPlace(target, st, contents);
}

}  // namespace tagline::platform
