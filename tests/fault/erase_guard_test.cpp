// SPDX-License-Identifier: Apache-2.0
// What stands before an erase: a reader that is certainly the model the sheet or the factory
// table is for, and a backup of the records the erase deletes.
#include <gtest/gtest.h>

#include <filesystem>

#include "fault/fault_fixture.h"
#include "job/identification.h"
#include "serial/frame.h"

namespace tagline::app {
namespace {

namespace fs = std::filesystem;
using sim::Fault;
using sim::FaultKind;

// The backups in `dir`.
std::vector<fs::path> Backups(const fs::path& dir) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename().string().rfind("backup-", 0) == 0) found.push_back(entry.path());
  }
  return found;
}

class EraseGuard : public FaultFixture {
 protected:
  void SetUp() override {
    FaultFixture::SetUp();
    StartReader();
    WriteSheetFile(SampleSheet());
    database->SetRecords(kOldRecords);
  }
};

TEST_F(EraseGuard, AlwaysSavesTheRecordsBesideTheSheetFirst) {
  dialog->settings().backup = "Always";
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_TRUE(result->ok) << ::testing::PrintToString(MessageTexts());
  const auto backups = Backups(dir);
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_NE(test::ReadBytes(backups[0].string()).find("Old record"), std::string::npos);
  EXPECT_EQ(database->Records(), kSampleRecords);
}

TEST_F(EraseGuard, AskAndCancelLeavesTheReaderAsItIs) {
  dialog->settings().backup = "Ask";
  host.SetChoiceAnswer("backup", 2);
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(CountCommands("EC"), 0u);
  EXPECT_EQ(database->Records(), kOldRecords);
  EXPECT_TRUE(Backups(dir).empty());
}

TEST_F(EraseGuard, AskAndEraseWithoutSavingWrites) {
  dialog->settings().backup = "Ask";
  host.SetChoiceAnswer("backup", 1);
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_TRUE(result->ok);
  EXPECT_EQ(database->Records(), kSampleRecords);
  EXPECT_TRUE(Backups(dir).empty());
}

// A backup that cannot be read whole stops the erase, for the clear as for the write.
TEST_F(EraseGuard, FailedBackupStopsTheErase) {
  dialog->settings().backup = "Always";
  reader->SetHandler("RN", [](std::string_view) { return std::string(1, serial::kNak); });
  for (const JobKind job : {JobKind::DatabaseWrite, JobKind::DatabaseClear}) {
    host.ClearMessages();
    const JobResult* result = RunJob(job);
    ASSERT_NE(result, nullptr);
    EXPECT_FALSE(result->ok) << JobName(job);
    EXPECT_EQ(CountCommands("EC"), 0u) << JobName(job);
    EXPECT_FALSE(MessageTexts().empty()) << JobName(job);
  }
  EXPECT_EQ(database->Records(), kOldRecords);
  EXPECT_TRUE(Backups(dir).empty());
}

// The factory default on a "B2.1 VIP" whose version reply comes damaged: asked again, the
// reader gets the VIP's rows; never those of the model a damaged text would make of it.
class DamagedVersion : public FaultFixture {
 protected:
  // The commands of a factory default, after `fault` on the first version reply.
  std::vector<std::string> FactoryCommands(const std::optional<Fault>& fault) {
    StartReader("B2.1 VIP");
    if (fault) reader->InjectFault(*fault);
    result = RunJob(JobKind::FactoryDefault, 600000);
    return reader->Commands();
  }
  const JobResult* result = nullptr;
};

std::size_t CellWrites(const std::vector<std::string>& commands) {
  return static_cast<std::size_t>(
      std::count_if(commands.begin(), commands.end(),
                    [](const auto& c) { return c.size() == 6 && c[0] == 's'; }));
}

TEST_F(DamagedVersion, LateEtxBadCrcOrCutReplyIsAskedAgain) {
  const std::size_t expected = CellWrites(FactoryCommands(std::nullopt));
  ASSERT_NE(result, nullptr);
  ASSERT_TRUE(result->ok);
  ASSERT_GT(expected, 0u);
  // "B2.1 VIP" + CRC + ETX: the ETX 600 ms late, one CRC digit off, or the last bytes lost.
  const std::size_t frame = 1 + 8 + 4 + 1;
  for (const Fault& fault : {Fault{.kind = FaultKind::Split, .parts = 2, .pauseMs = 600},
                             Fault{.kind = FaultKind::Flip, .length = frame - 3},
                             Fault{.kind = FaultKind::Cut, .length = frame - 2}}) {
    const auto commands = FactoryCommands(fault);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->ok) << ::testing::PrintToString(MessageTexts());
    EXPECT_GE(std::count(commands.begin(), commands.end(), "SV"), 2);
    EXPECT_EQ(CellWrites(commands), expected);
  }
}

TEST_F(DamagedVersion, VersionNeverWholeRefusesTheFactoryDefault) {
  const auto commands =
      FactoryCommands(Fault{.kind = FaultKind::Flip, .count = -1, .length = 1 + 8 + 4 + 1 - 3});
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "SV"), job::kVersionAttempts);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "EC"), 0);
  EXPECT_EQ(CellWrites(commands), 0u);
  ASSERT_FALSE(MessageTexts().empty());
  EXPECT_NE(MessageTexts()[0].find("which reader this is stays in doubt"), std::string::npos)
      << MessageTexts()[0];
}

}  // namespace
}  // namespace tagline::app
