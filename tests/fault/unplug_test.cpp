// SPDX-License-Identifier: Apache-2.0
// The reader pulled out at each step of each job: the job ends at once without a false OK,
// the lost port is reported once, the target file and the reader's data are as the step
// left them, and a reader plugged in again works with the same window.
#include <gtest/gtest.h>

#include "fault/fault_fixture.h"
#include "serial/frame.h"

namespace tagline::app {
namespace {

// The commands of a clean run of each job on the default reader with the sample records
// (the factory job on "B2.0", which clears the attributes when asked).
std::vector<std::string> AttributeCommands(char head) {
  std::vector<std::string> commands;
  for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
    commands.push_back(std::string(1, head) + database::AttributeList::TokenAt(i));
  }
  return commands;
}

std::vector<std::string> CleanReadCommands() {
  std::vector<std::string> commands = {"SV", "RP", "RN", "RN", "RN", "RN"};
  for (const std::string& c : AttributeCommands('T')) commands.push_back(c);
  return commands;
}

constexpr const char* kFactoryVersion = "B2.0";
constexpr std::size_t kFactoryParameterWrites = 23;

struct UnplugCase {
  JobKind job;
  std::size_t at;    // the reader is gone when this command (1-based) arrives
  const char* step;  // what that command is
};

void PrintTo(const UnplugCase& c, std::ostream* os) {
  *os << JobName(c.job) << " unplugged at command " << c.at << " (" << c.step << ")";
}

std::string CaseName(const ::testing::TestParamInfo<UnplugCase>& info) {
  return JobName(info.param.job) + "At" + std::to_string(info.param.at) + info.param.step;
}

class FaultUnplug : public FaultFixture, public ::testing::WithParamInterface<UnplugCase> {
 protected:
  void SetUp() override {
    FaultFixture::SetUp();
    const UnplugCase& c = GetParam();
    StartReader(c.job == JobKind::FactoryDefault ? kFactoryVersion : kDefaultVersion);
    target = (dir / "herd.xml").string();
    test::WriteBytes(target, "old sheet");
    dialog->settings().read_path = target;
    if (c.job == JobKind::DatabaseWrite) {
      WriteSheetFile(SampleSheet());
      database->SetRecords(kOldRecords);
    }
  }
  std::string target;
};

TEST_P(FaultUnplug, JobEndsReportsTheLossOnceAndTheReaderWorksWhenPluggedInAgain) {
  const UnplugCase& c = GetParam();
  reader->UnplugAtCommand(c.at);
  // A job that waited for a reader that is gone would run for the erase's hundred polls
  // or more; every step ends within a few ticks once the line is lost.
  const JobResult* result = RunJob(c.job, 60000);
  ASSERT_NE(result, nullptr) << "the job did not end";
  EXPECT_TRUE(reader->IsUnplugged());
  const auto commands = reader->Commands();
  ASSERT_EQ(commands.size(), c.at);
  EXPECT_EQ(commands.back().substr(0, 1), std::string(c.step).substr(0, 1));
  EXPECT_TRUE(result->finished);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->readerFound, c.at > 1);
  // The port's own report comes once; the poll that follows finds the port closed and
  // says nothing more.
  EXPECT_EQ(CountMessages(kPortClosed), 1) << ::testing::PrintToString(MessageTexts());
  host.RunFor(600);
  EXPECT_EQ(dialog->portOpen(), 0);
  EXPECT_EQ(CountMessages(kPortClosed), 1);
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
  const std::vector<std::string> shown = MessageTexts();
  const int lost = CountMessages(kConnectionLost);
  const int lostDuringRead =
      CountMessagesStartingWith("The connection to the reader was lost during the read. ");

  switch (c.job) {
    case JobKind::Configuration:
      ADD_FAILURE() << "no configuration job in these cases";
      break;
    case JobKind::DatabaseRead: {
      // The old file stays; what was read before the loss goes beside it.
      EXPECT_EQ(test::ReadBytes(target), "old sheet");
      const std::string incomplete = (dir / "herd.incomplete.xml").string();
      const std::size_t records = std::min<std::size_t>(c.at > 3 ? c.at - 3 : 0, 3);
      EXPECT_EQ(result->records, records);
      EXPECT_TRUE(host.shellOpens().empty());
      if (c.at == 1) {
        // No reader answered: nothing was read and nothing saved.
        EXPECT_EQ(shown, (std::vector<std::string>{kPortClosed, kNoAnswer}));
        EXPECT_FALSE(fs::exists(incomplete));
        EXPECT_EQ(result->file, "");
      } else {
        EXPECT_EQ(shown, (std::vector<std::string>{
                             kPortClosed,
                             "The connection to the reader was lost during the read. " +
                                 std::to_string(records) + " records were read and saved to " +
                                 incomplete + ";\r\n" + target + " was left as it is."}));
        EXPECT_EQ(result->file, incomplete);
        ASSERT_TRUE(fs::exists(incomplete));
        const std::string saved = test::ReadBytes(incomplete);
        for (std::size_t i = 0; i < kSampleRecords.size(); ++i) {
          EXPECT_EQ(saved.find(kSampleRecords[i].substr(31, 5)) != std::string::npos, i < records)
              << i;
        }
      }
      EXPECT_EQ(lostDuringRead, c.at == 1 ? 0 : 1);
      break;
    }
    case JobKind::DatabaseWrite: {
      // "EC" arrived: the reader holds the records acknowledged before the loss.
      const bool erased = c.at > 2 + database::kAttributeCount;
      const std::size_t written = c.at > 31 ? c.at - 31 : 0;
      EXPECT_EQ(database->Records(),
                erased ? std::vector<std::string>(kSampleRecords.begin(),
                                                  kSampleRecords.begin() + written)
                       : kOldRecords);
      EXPECT_EQ(result->records, written);
      EXPECT_EQ(CountCommandsStartingWith("w"), c.at > 32 ? c.at - 30 : (c.at > 30 ? 1u : 0u));
      if (c.at == 1) {
        EXPECT_EQ(shown, (std::vector<std::string>{kPortClosed, kNoAnswer}));
        EXPECT_EQ(result->summary, "");
      } else {
        EXPECT_NE(result->summary.find("'w'\tWrite Records\tNOK"), std::string::npos);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), result->summary);  // the summary ends the job
        // Lost at any point, also while the records are written: the loss is what the
        // job reports, once.
        EXPECT_EQ(lost, 1) << ::testing::PrintToString(shown);
        EXPECT_NE(std::find(result->failures.begin(), result->failures.end(),
                            std::string(kConnectionLost)),
                  result->failures.end());
      }
      break;
    }
    case JobKind::DatabaseClear:
      if (c.at == 1) {
        EXPECT_EQ(shown, (std::vector<std::string>{kPortClosed, kNoAnswer}));
      } else {
        EXPECT_EQ(shown, (std::vector<std::string>{kPortClosed, kConnectionLost}));
        EXPECT_EQ(result->summary, "'EC'\tClear Eeprom\tNOK\r\n");
      }
      EXPECT_EQ(database->Records(), kSampleRecords);  // the erase's reply never came
      break;
    case JobKind::FactoryDefault:
      // The lost line ends the job at once: no erase polls, no writes into the void.
      EXPECT_LE(jobEndedAt - jobStartedAt, 12u * job::kJobPeriodMs);
      if (c.at == 1) {
        EXPECT_EQ(shown, (std::vector<std::string>{kPortClosed, kNoAnswer}));
      } else {
        EXPECT_EQ(lost, 1) << ::testing::PrintToString(shown);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), result->summary);
        EXPECT_NE(result->summary.find("NOK"), std::string::npos);
      }
      break;
  }

  // Plugged in again, the reader is found on the same port and the job succeeds.
  host.ClearMessages();
  Replug();
  EXPECT_TRUE(MessageTexts().empty()) << ::testing::PrintToString(MessageTexts());
  ASSERT_EQ(dialog->portOpen(), 1);
  if (c.job == JobKind::DatabaseWrite) database->SetRecords(kOldRecords);
  const JobResult* again = RunJob(c.job);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->ok) << again->summary << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(CountMessages(kPortClosed), 0);
  switch (c.job) {
    case JobKind::Configuration:
      ADD_FAILURE() << "no configuration job in these cases";
      break;
    case JobKind::DatabaseRead:
      EXPECT_EQ(reader->Commands(), CleanReadCommands());
      EXPECT_NE(test::ReadBytes(target).find("Trovan tag"), std::string::npos);
      EXPECT_EQ(again->records, kSampleRecords.size());
      break;
    case JobKind::DatabaseWrite:
      EXPECT_EQ(database->Records(), kSampleRecords);
      EXPECT_EQ(again->records, kSampleRecords.size());
      break;
    case JobKind::DatabaseClear:
      EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "EC"}));
      EXPECT_TRUE(database->Records().empty());
      break;
    case JobKind::FactoryDefault:
      EXPECT_EQ(CountCommandsStartingWith("s"), kFactoryParameterWrites);
      EXPECT_EQ(CountCommandsStartingWith("t"), database::kAttributeCount);
      break;
  }
}

// Read: SV, RP, RN x3 records, RN end marker, T# TA..TZ.
// Write: SV, t# tA..tZ, EC, WP, w x3.
// Clear: SV, EC.
// Factory on B2.0: SV, EC, t# tA..tZ, r (clock), s x23.
INSTANTIATE_TEST_SUITE_P(EveryStep, FaultUnplug,
                         ::testing::Values(UnplugCase{JobKind::DatabaseRead, 1, "SV"},
                                           UnplugCase{JobKind::DatabaseRead, 2, "RP"},
                                           UnplugCase{JobKind::DatabaseRead, 3, "RNFirst"},
                                           UnplugCase{JobKind::DatabaseRead, 5, "RNLast"},
                                           UnplugCase{JobKind::DatabaseRead, 6, "RNEndMarker"},
                                           UnplugCase{JobKind::DatabaseRead, 7, "TFirst"},
                                           UnplugCase{JobKind::DatabaseRead, 20, "TMiddle"},
                                           UnplugCase{JobKind::DatabaseRead, 33, "TLast"},
                                           UnplugCase{JobKind::DatabaseWrite, 1, "SV"},
                                           UnplugCase{JobKind::DatabaseWrite, 2, "tFirst"},
                                           UnplugCase{JobKind::DatabaseWrite, 15, "tMiddle"},
                                           UnplugCase{JobKind::DatabaseWrite, 28, "tLast"},
                                           UnplugCase{JobKind::DatabaseWrite, 29, "EC"},
                                           UnplugCase{JobKind::DatabaseWrite, 30, "WP"},
                                           UnplugCase{JobKind::DatabaseWrite, 31, "wFirst"},
                                           UnplugCase{JobKind::DatabaseWrite, 33, "wLast"},
                                           UnplugCase{JobKind::DatabaseClear, 1, "SV"},
                                           UnplugCase{JobKind::DatabaseClear, 2, "EC"},
                                           UnplugCase{JobKind::FactoryDefault, 1, "SV"},
                                           UnplugCase{JobKind::FactoryDefault, 2, "EC"},
                                           UnplugCase{JobKind::FactoryDefault, 3, "tFirst"},
                                           UnplugCase{JobKind::FactoryDefault, 29, "tLast"},
                                           UnplugCase{JobKind::FactoryDefault, 30, "rClock"},
                                           UnplugCase{JobKind::FactoryDefault, 31, "sFirst"},
                                           UnplugCase{JobKind::FactoryDefault, 42, "sMiddle"},
                                           UnplugCase{JobKind::FactoryDefault, 53, "sLast"}),
                         CaseName);

using FaultCleanRun = FaultFixture;

// The commands each step above counts on.
TEST_F(FaultCleanRun, DatabaseJobsSendTheCommandsTheUnplugStepsCount) {
  StartReader();
  dialog->settings().read_path = (dir / "herd.xml").string();
  const JobResult* read = RunJob(JobKind::DatabaseRead);
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->ok);
  EXPECT_EQ(reader->Commands(), CleanReadCommands());

  WriteSheetFile(SampleSheet());
  database->SetRecords(kOldRecords);
  reader->ClearRecord();
  const JobResult* write = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(write, nullptr);
  EXPECT_TRUE(write->ok) << write->summary;
  std::vector<std::string> expected = {"SV"};
  for (const std::string& c : AttributeCommands('t')) expected.push_back(c.substr(0, 2));
  expected.insert(expected.end(), {"EC", "WP", "w", "w", "w"});
  auto heads = reader->Commands();
  for (std::string& c : heads) c = c.substr(0, c[0] == 't' ? 2 : (c[0] == 'w' ? 1 : c.size()));
  EXPECT_EQ(heads, expected);
  EXPECT_EQ(database->Records(), kSampleRecords);

  reader->ClearRecord();
  const JobResult* clear = RunJob(JobKind::DatabaseClear);
  ASSERT_NE(clear, nullptr);
  EXPECT_TRUE(clear->ok);
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "EC"}));
}

TEST_F(FaultCleanRun, FactoryJobSendsTheCommandsTheUnplugStepsCount) {
  StartReader(kFactoryVersion);
  const JobResult* factory = RunJob(JobKind::FactoryDefault);
  ASSERT_NE(factory, nullptr);
  EXPECT_TRUE(factory->ok) << factory->summary;
  const auto commands = reader->Commands();
  ASSERT_EQ(commands.size(), 3 + database::kAttributeCount + kFactoryParameterWrites);
  EXPECT_EQ(commands[0], "SV");
  EXPECT_EQ(commands[1], "EC");
  for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
    EXPECT_EQ(commands[2 + i].substr(0, 2), AttributeCommands('t')[i]);
  }
  EXPECT_EQ(commands[2 + database::kAttributeCount][0], 'r');
  for (std::size_t i = 3 + database::kAttributeCount; i < commands.size(); ++i) {
    EXPECT_EQ(commands[i][0], 's') << i;
  }
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

class WindowReconnect : public FaultFixture {};

TEST_F(WindowReconnect, LostPortOpensAgainWhenTheReaderIsBackButTheJobIsNotResumed) {
  StartReader();
  dialog->settings().read_path = (dir / "herd.xml").string();
  reader->UnplugAtCommand(5);  // in the middle of the read
  const JobResult* result = RunJob(JobKind::DatabaseRead, 60000);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_TRUE(reader->IsUnplugged());
  host.RunFor(600);
  EXPECT_EQ(dialog->portOpen(), 0);  // nothing under the name yet

  PlugIn();  // the adapter back under the same name
  ASSERT_TRUE(host.RunUntil([this] { return dialog->portOpen() == 1; }, 2000));
  EXPECT_NE(Text(ctl::kReceived).find("// " + link + " reopened\r\n"), std::string::npos);
  host.RunFor(600);
  EXPECT_TRUE(reader->Commands().empty());  // the read does not go on by itself
  dialog->OnCommand(ctl::kSv);
  EXPECT_TRUE(dialog->LastCommandResult().ok);
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
}

}  // namespace
}  // namespace tagline::app
