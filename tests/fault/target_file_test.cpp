// SPDX-License-Identifier: Apache-2.0
// The read's target cannot take the sheet: a read-only file, a folder that takes no new
// files, a full disk. The read says so, the old file stays whole and nothing is left
// behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fault/fault_fixture.h"

namespace tagline::app {
namespace {

using Texts = std::vector<std::string>;

constexpr const char* kNoAccess = "can not save received data,\r\nno access on file";

// A small file system of its own at `path`, if the test may mount one; unmounted again at
// the end of the test.
class ScratchMount {
 public:
  ScratchMount(const std::string& path, unsigned long flags, const std::string& options)
      : path_(path) {
    fs::create_directories(path);
    mounted_ = ::mount("tagline-fault", path.c_str(), "tmpfs", flags, options.c_str()) == 0;
    if (!mounted_) error_ = std::strerror(errno);
  }
  ~ScratchMount() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  std::string path_;
  bool mounted_ = false;
  std::string error_;
};

// Files may not grow beyond `bytes` while it lives: writes past it fail with EFBIG, as on
// a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    set_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool set() const { return set_; }

 private:
  rlimit old_{};
  sighandler_t previous_ = SIG_DFL;
  bool set_ = false;
};

class FaultTarget : public FaultFixture {
 protected:
  void SetUp() override {
    FaultFixture::SetUp();
    StartReader();
  }
  void TearDown() override {
    mount.reset();  // before the test's folder is removed
    FaultFixture::TearDown();
  }
  const JobResult& Read(const std::string& target) {
    dialog->settings().read_path = target;
    const JobResult* result = RunJob(JobKind::DatabaseRead);
    EXPECT_NE(result, nullptr);
    return *result;
  }
  // The read got the whole database; only the save failed.
  void ExpectReadButNotSaved(const JobResult& result) {
    EXPECT_EQ(MessageTexts(), Texts{kNoAccess});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.readerFound);
    EXPECT_EQ(result.file, "");
    EXPECT_TRUE(host.shellOpens().empty());
    ASSERT_EQ(dialog->tagTable.LeadingCount(), kSampleRecords.size());
    EXPECT_EQ(dialog->tagTable.At(2), kSampleRecords[2]);
    EXPECT_EQ(CountCommands("RN"), 4u);
  }
  std::unique_ptr<ScratchMount> mount;
};

TEST_F(FaultTarget, ReadOnlyFileIsKept) {
  const std::string target = (dir / "herd.xml").string();
  test::WriteBytes(target, "old sheet");
  fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
  const JobResult& result = Read(target);
  ExpectReadButNotSaved(result);
  EXPECT_EQ(test::ReadBytes(target), "old sheet");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);  // ini, link, sheet
}

// A folder that takes no files: read-only for an ordinary user; for root, whom permissions
// do not stop, a read-only file system.
TEST_F(FaultTarget, ReadOnlyFolderGetsNothing) {
  const fs::path folder = dir / "ro";
  if (::geteuid() == 0) {
    mount = std::make_unique<ScratchMount>(folder.string(), MS_RDONLY, "size=64k");
    if (!mount->mounted()) GTEST_SKIP() << "root, but cannot mount: " << mount->error();
  } else {
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  }
  const std::string target = (folder / "herd.xml").string();
  const JobResult& result = Read(target);
  ExpectReadButNotSaved(result);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 0);
  if (!mount) fs::permissions(folder, fs::perms::owner_all);
}

// A full disk: the sheet cannot be written, the old file stays whole and no temporary file
// is left beside it. On a small file system of its own if the test may mount one, else with
// a file size limit that fails the writes in the same way.
TEST_F(FaultTarget, FullDiskKeepsTheOldFile) {
  const fs::path folder = dir / "full";
  mount = std::make_unique<ScratchMount>(folder.string(), 0, "size=64k");
  const std::string target = (folder / "herd.xml").string();
  test::WriteBytes(target, "old sheet");
  std::unique_ptr<FileSizeLimit> limit;
  if (mount->mounted()) {
    // Fill the rest of the file system.
    std::ofstream filler((folder / "filler").string(), std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i) {
      filler.flush();
    }
  } else {
    limit = std::make_unique<FileSizeLimit>(512);
    ASSERT_TRUE(limit->set());
  }
  const auto entries = std::distance(fs::directory_iterator(folder), {});
  const JobResult& result = Read(target);
  limit.reset();
  ExpectReadButNotSaved(result);
  EXPECT_EQ(test::ReadBytes(target), "old sheet");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), entries);
}

// The line lost during the read and the disk full: the records could not be kept anywhere,
// and the message says so rather than naming a file that is not there.
TEST_F(FaultTarget, IncompleteReadOnAFullDiskIsNotSaved) {
  const fs::path folder = dir / "full";
  mount = std::make_unique<ScratchMount>(folder.string(), 0, "size=64k");
  std::unique_ptr<FileSizeLimit> limit;
  const std::string target = (folder / "herd.xml").string();
  test::WriteBytes(target, "old sheet");
  if (mount->mounted()) {
    std::ofstream filler((folder / "filler").string(), std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i) filler.flush();
  } else {
    limit = std::make_unique<FileSizeLimit>(512);
  }
  reader->UnplugAtCommand(5);  // after two records
  dialog->settings().read_path = target;
  const JobResult* result = RunJob(JobKind::DatabaseRead);
  limit.reset();
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(MessageTexts(), (Texts{kPortClosed, kNoAccess}));
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->file, "");
  EXPECT_EQ(test::ReadBytes(target), "old sheet");
  EXPECT_FALSE(fs::exists(folder / "herd.incomplete.xml"));
}

}  // namespace
}  // namespace tagline::app
