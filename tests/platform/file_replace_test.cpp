// SPDX-License-Identifier: Apache-2.0
#include "platform/file_replace.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "temp_dir.h"

namespace tagline::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

void ChangeMode(const std::string& path, mode_t mode) {
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

// Saves 4096 bytes to `path` with the file size limited to 1024 bytes, as a full disk would
// stop the write: the save must fail and leave `old` in the file.
void ExpectCutOffSaveKeeps(const std::string& path, const std::string& old) {
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const SaveResult result = SaveFileContents(path, std::string(4096, 'p'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(result.status, SaveStatus::kFailed);
  EXPECT_NE(result.error, "");
  EXPECT_EQ(ReadBytes(path), old);
}

// The user whose rights the program's users have: ourselves, or "nobody" when the tests run
// as root, for whom permission bits do not count.
constexpr uid_t kNobody = 65534;
constexpr int kNoOrdinaryUser = 125;

uid_t OrdinaryUid() {
  return ::geteuid() == 0 ? kNobody : ::geteuid();
}
gid_t OrdinaryGid() {
  return ::geteuid() == 0 ? kNobody : ::getegid();
}

// Runs `save` in a child process with the rights of OrdinaryUid() and returns the status it
// reports; nothing if the child could not take those rights.
std::optional<SaveStatus> SaveAsOrdinaryUser(const std::function<SaveResult()>& save) {
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      ::_exit(kNoOrdinaryUser);
    }
    ::_exit(static_cast<int>(save().status));
  }
  int wait = 0;
  if (::waitpid(child, &wait, 0) != child || !WIFEXITED(wait)) return std::nullopt;
  if (WEXITSTATUS(wait) == kNoOrdinaryUser) return std::nullopt;
  return static_cast<SaveStatus>(WEXITSTATUS(wait));
}

// A folder in which the ordinary user may write `name` but create nothing new.
void MakeReadOnlyFolderWithWritableFile(const TempDir& dir, const std::string& name) {
  ChangeMode(dir.path(), 0755);
  fs::create_directory(dir.File("ro"));
  WriteBytes(dir.File("ro/" + name), "old contents");
  ASSERT_EQ(::chown(dir.File("ro/" + name).c_str(), OrdinaryUid(), OrdinaryGid()), 0);
  ChangeMode(dir.File("ro/" + name), 0644);
  ChangeMode(dir.File("ro"), 0555);
}

TEST(FileReplace, ReplacesKeepingPermissionsAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.File("t.ini");
  for (const mode_t mode : {0640, 0604, 04755, 02664}) {
    WriteBytes(path, "old");
    ChangeMode(path, mode);
    const ino_t oldInode = StatOf(path).st_ino;
    const SaveResult result = SaveFileContents(path, "new contents");
    EXPECT_EQ(result.status, SaveStatus::kReplaced) << std::oct << mode;
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(ReadBytes(path), "new contents");
    EXPECT_EQ(StatOf(path).st_mode & 07777, mode);
    EXPECT_NE(StatOf(path).st_ino, oldInode);  // a new file, renamed into place
    EXPECT_EQ(dir.EntryCount(), 1u);
  }
}

TEST(FileReplace, CreatesAMissingFileButNotAMissingFolder) {
  TempDir dir;
  EXPECT_EQ(SaveFileContents(dir.File("new.db"), "data").status, SaveStatus::kReplaced);
  EXPECT_EQ(ReadBytes(dir.File("new.db")), "data");
  const SaveResult missing = SaveFileContents(dir.File("missing/t.ini"), "data");
  EXPECT_EQ(missing.status, SaveStatus::kFailed);
  EXPECT_NE(missing.error, "");
  EXPECT_FALSE(ReplaceFileContents(dir.File("missing/t.ini"), "data"));
  EXPECT_FALSE(ReplaceFileContents("", "data"));
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(FileReplace, KeepsOwnerAndGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  TempDir dir;
  const std::string path = dir.File("t.ini");
  WriteBytes(path, "old");
  ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
  ChangeMode(path, 0640);
  EXPECT_EQ(SaveFileContents(path, "new").status, SaveStatus::kReplaced);
  EXPECT_EQ(ReadBytes(path), "new");
  const struct stat after = StatOf(path);
  EXPECT_EQ(after.st_uid, kNobody);
  EXPECT_EQ(after.st_gid, kNobody);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
}

TEST(FileReplace, FileWithoutWritePermissionIsRefusedEvenForRoot) {
  TempDir dir;
  const std::string path = dir.File("t.ini");
  for (const mode_t mode : {0444, 0555, 0}) {
    WriteBytes(path, "keep me");
    ChangeMode(path, mode);
    const SaveResult result = SaveFileContents(path, "new");
    EXPECT_EQ(result.status, SaveStatus::kReadOnly) << std::oct << mode;
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error, "");
    EXPECT_EQ(StatOf(path).st_mode & 07777, mode);
    ChangeMode(path, 0644);
    EXPECT_EQ(ReadBytes(path), "keep me");
    EXPECT_EQ(dir.EntryCount(), 1u);
  }
}

TEST(FileReplace, FileWritableByOthersOnlyIsRefusedToAnOrdinaryUser) {
  TempDir dir;
  ChangeMode(dir.path(), 0777);
  const std::string path = dir.File("t.ini");
  WriteBytes(path, "keep me");
  ASSERT_EQ(::chown(path.c_str(), OrdinaryUid(), OrdinaryGid()), 0);
  ChangeMode(path, 0466);  // others may write, the owner may not
  const auto status = SaveAsOrdinaryUser([&path] { return SaveFileContents(path, "new"); });
  if (!status) GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(*status, SaveStatus::kReadOnly);
  EXPECT_EQ(ReadBytes(path), "keep me");
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(FileReplace, SymbolicLinkStaysALinkAndItsTargetGetsTheContents) {
  TempDir dir;
  fs::create_directory(dir.File("real"));
  WriteBytes(dir.File("real/t.ini"), "old");
  ChangeMode(dir.File("real/t.ini"), 0600);
  fs::create_symlink("real/t.ini", dir.File("link.ini"));
  fs::create_symlink(dir.File("link.ini"), dir.File("chain.ini"));

  EXPECT_EQ(SaveFileContents(dir.File("link.ini"), "via link").status, SaveStatus::kReplaced);
  EXPECT_EQ(SaveFileContents(dir.File("chain.ini"), "via chain").status, SaveStatus::kReplaced);
  EXPECT_TRUE(fs::is_symlink(dir.File("link.ini")));
  EXPECT_TRUE(fs::is_symlink(dir.File("chain.ini")));
  EXPECT_EQ(fs::read_symlink(dir.File("link.ini")), "real/t.ini");
  EXPECT_EQ(ReadBytes(dir.File("real/t.ini")), "via chain");
  EXPECT_EQ(StatOf(dir.File("real/t.ini")).st_mode & 07777, 0600u);
  // The temporary files were made beside the target and are gone.
  EXPECT_EQ(dir.EntryCount(), 3u);
  EXPECT_EQ(dir.EntryCount("real"), 1u);
}

TEST(FileReplace, DanglingLinkCreatesItsTarget) {
  TempDir dir;
  fs::create_directory(dir.File("real"));
  fs::create_symlink("real/new.db", dir.File("link.db"));
  EXPECT_EQ(SaveFileContents(dir.File("link.db"), "made").status, SaveStatus::kReplaced);
  EXPECT_TRUE(fs::is_symlink(dir.File("link.db")));
  EXPECT_EQ(ReadBytes(dir.File("real/new.db")), "made");
}

TEST(FileReplace, LinkLoopFailsAndLeavesTheLinks) {
  TempDir dir;
  fs::create_symlink("b", dir.File("a"));
  fs::create_symlink("a", dir.File("b"));
  const SaveResult result = SaveFileContents(dir.File("a"), "data");
  EXPECT_EQ(result.status, SaveStatus::kFailed);
  EXPECT_NE(result.error, "");
  EXPECT_TRUE(fs::is_symlink(dir.File("a")));
  EXPECT_TRUE(fs::is_symlink(dir.File("b")));
  EXPECT_EQ(dir.EntryCount(), 2u);
}

TEST(FileReplace, LinkToAReadOnlyFileIsRefused) {
  TempDir dir;
  WriteBytes(dir.File("t.ini"), "keep me");
  ChangeMode(dir.File("t.ini"), 0444);
  fs::create_symlink("t.ini", dir.File("link.ini"));
  EXPECT_EQ(SaveFileContents(dir.File("link.ini"), "new").status, SaveStatus::kReadOnly);
  EXPECT_EQ(ReadBytes(dir.File("t.ini")), "keep me");
  EXPECT_TRUE(fs::is_symlink(dir.File("link.ini")));
}

TEST(FileReplace, FileWithSeveralNamesIsWrittenInPlace) {
  TempDir dir;
  const std::string first = dir.File("first.dat");
  const std::string second = dir.File("second.dat");
  WriteBytes(first, "the old, longer contents");
  ASSERT_EQ(::link(first.c_str(), second.c_str()), 0);
  const ino_t inode = StatOf(first).st_ino;

  EXPECT_EQ(SaveFileContents(first, "short").status, SaveStatus::kWrittenInPlace);
  EXPECT_EQ(ReadBytes(first), "short");
  EXPECT_EQ(ReadBytes(second), "short");
  EXPECT_EQ(SaveFileContents(second, "now longer than before").status, SaveStatus::kWrittenInPlace);
  EXPECT_EQ(ReadBytes(first), "now longer than before");
  EXPECT_EQ(StatOf(first).st_ino, inode);
  EXPECT_EQ(StatOf(first).st_nlink, 2u);
  EXPECT_EQ(SaveFileContents(first, "").status, SaveStatus::kWrittenInPlace);
  EXPECT_EQ(ReadBytes(second), "");
  EXPECT_EQ(dir.EntryCount(), 2u);
}

TEST(FileReplace, ReadOnlyFileWithSeveralNamesIsRefused) {
  TempDir dir;
  WriteBytes(dir.File("first.dat"), "keep me");
  ASSERT_EQ(::link(dir.File("first.dat").c_str(), dir.File("second.dat").c_str()), 0);
  ChangeMode(dir.File("first.dat"), 0444);
  EXPECT_EQ(SaveFileContents(dir.File("second.dat"), "new").status, SaveStatus::kReadOnly);
  EXPECT_EQ(ReadBytes(dir.File("first.dat")), "keep me");
}

TEST(FileReplace, SpecialFilesAreLeftAlone) {
  TempDir dir;
  fs::create_directory(dir.File("folder"));
  WriteBytes(dir.File("folder/inside"), "x");
  EXPECT_EQ(SaveFileContents(dir.File("folder"), "data").status, SaveStatus::kNotRegularFile);
  EXPECT_EQ(ReadBytes(dir.File("folder/inside")), "x");

  // Nobody reads the FIFO: a save that opened it for writing would wait forever.
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0666), 0);
  EXPECT_EQ(SaveFileContents(dir.File("fifo"), "data").status, SaveStatus::kNotRegularFile);
  EXPECT_TRUE(S_ISFIFO(StatOf(dir.File("fifo")).st_mode));

  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir.File("socket");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(SaveFileContents(socketPath, "data").status, SaveStatus::kNotRegularFile);
  EXPECT_TRUE(S_ISSOCK(StatOf(socketPath).st_mode));
  ::close(sock);

  fs::create_symlink("fifo", dir.File("fifo-link"));
  EXPECT_EQ(SaveFileContents(dir.File("fifo-link"), "data").status, SaveStatus::kNotRegularFile);
  EXPECT_TRUE(fs::is_symlink(dir.File("fifo-link")));

  EXPECT_EQ(dir.EntryCount(), 4u);
}

TEST(FileReplace, DeviceIsLeftAlone) {
  TempDir dir;
  const std::string device = dir.File("null");
  // The same device as /dev/null, but a node of our own in case the save went wrong.
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    GTEST_SKIP() << "cannot create a device node here";
  }
  EXPECT_EQ(SaveFileContents(device, "data").status, SaveStatus::kNotRegularFile);
  EXPECT_TRUE(S_ISCHR(StatOf(device).st_mode));
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(FileReplace, LongestFileNameStillGetsATemporaryFile) {
  TempDir dir;
  const long nameMax = ::pathconf(dir.path().c_str(), _PC_NAME_MAX);
  ASSERT_GT(nameMax, 10);
  const std::string path =
      dir.File(std::string(static_cast<std::size_t>(nameMax) - 4, 'n') + ".ini");
  EXPECT_EQ(SaveFileContents(path, "created").status, SaveStatus::kReplaced);
  EXPECT_EQ(SaveFileContents(path, "replaced").status, SaveStatus::kReplaced);
  EXPECT_EQ(ReadBytes(path), "replaced");
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(FileReplace, FailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.File("t.ini");
  WriteBytes(path, "[COM]\r\nport=COM1\r\n");
  ExpectCutOffSaveKeeps(path, "[COM]\r\nport=COM1\r\n");
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(FileReplace, InPlaceWriteThatDoesNotFitLeavesTheFileWhole) {
  TempDir dir;
  const std::string first = dir.File("first.dat");
  WriteBytes(first, "old contents");
  ASSERT_EQ(::link(first.c_str(), dir.File("second.dat").c_str()), 0);
  ExpectCutOffSaveKeeps(first, "old contents");
  EXPECT_EQ(ReadBytes(dir.File("second.dat")), "old contents");
}

TEST(FileReplace, WritableFileInAReadOnlyFolderIsWrittenInPlace) {
  TempDir dir;
  MakeReadOnlyFolderWithWritableFile(dir, "t.ini");
  const std::string path = dir.File("ro/t.ini");
  const ino_t inode = StatOf(path).st_ino;
  const auto status = SaveAsOrdinaryUser([&path] { return SaveFileContents(path, "new"); });
  if (!status) GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(*status, SaveStatus::kWrittenInPlace);
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_EQ(StatOf(path).st_ino, inode);
  EXPECT_EQ(StatOf(path).st_mode & 07777, 0644u);
  EXPECT_EQ(dir.EntryCount("ro"), 1u);
}

TEST(FileReplace, NewFileInAReadOnlyFolderFails) {
  TempDir dir;
  MakeReadOnlyFolderWithWritableFile(dir, "t.ini");
  const std::string path = dir.File("ro/new.ini");
  const auto status = SaveAsOrdinaryUser([&path] { return SaveFileContents(path, "new"); });
  if (!status) GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(*status, SaveStatus::kFailed);
  EXPECT_EQ(dir.EntryCount("ro"), 1u);
}

TEST(FileReplace, FileOfAnotherOwnerIsWrittenInPlaceToKeepItsOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can set up a file of another user";
  TempDir dir;
  ChangeMode(dir.path(), 0777);
  const std::string path = dir.File("shared.ini");
  WriteBytes(path, "old");
  ChangeMode(path, 0666);
  const auto status = SaveAsOrdinaryUser([&path] { return SaveFileContents(path, "new"); });
  if (!status) GTEST_SKIP() << "no ordinary user to run as";
  EXPECT_EQ(*status, SaveStatus::kWrittenInPlace);
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_EQ(StatOf(path).st_uid, 0u);
  EXPECT_EQ(StatOf(path).st_gid, 0u);
  EXPECT_EQ(dir.EntryCount(), 1u);
}

}  // namespace
}  // namespace tagline::platform
