// SPDX-License-Identifier: Apache-2.0
// A reader that answers badly: silence, refusals in a row, junk, frames in pieces or cut
// short, an erase that never ends. Each job ends with what it could do, says what failed,
// and never reports a step that did not happen as done.
#include <gtest/gtest.h>

#include "fault/fault_fixture.h"
#include "job/identification.h"
#include "job/reader_job.h"
#include "job/repeated_write.h"
#include "serial/frame.h"

namespace tagline::app {
namespace {

using sim::Fault;
using sim::FaultKind;
using Texts = std::vector<std::string>;

constexpr const char* kWriteOk =
    "'t'\tWrite Attributes\tOK\r\n'EC'\tClear Eeprom\tOK\r\n'WP'\tInit Pointer\tOK\r\n"
    "'w'\tWrite Records\tOK\r\n";

// ---------------------------------------------------------------------------------------
// Read: the faults start after the first `normal` replies (SV, RP, then one per RN).

struct ReadCase {
  const char* name;
  int normal;
  Fault fault;
  bool complete;        // the end marker was reached: the file is replaced
  std::size_t records;  // records read
  std::size_t rnCount;  // "RN" sent
  const char* endText;  // the first sentence of the message of an incomplete read
  bool refusalMessage;  // "Communication Error with reader" comes first
  // "T" sent: an attribute is asked again when its reply is no whole frame, but once only
  // after two attributes in a row came to nothing.
  std::size_t attributeReads = database::kAttributeCount;
};

constexpr std::size_t kAttributesOfARefusingReader = 2 * 3 + database::kAttributeCount - 2;

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}

class FaultReadLine : public FaultFixture, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(FaultReadLine, EndsAsTheRepliesAllow) {
  const ReadCase& c = GetParam();
  StartReader();
  const std::string target = (dir / "herd.xml").string();
  const std::string incomplete = (dir / "herd.incomplete.xml").string();
  test::WriteBytes(target, "old sheet");
  dialog->settings().read_path = target;
  FaultAfter(c.normal, c.fault);
  const JobResult* result = RunJob(JobKind::DatabaseRead);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(CountCommands("RN"), c.rnCount);
  EXPECT_EQ(CountCommandsStartingWith("T"), c.attributeReads);
  EXPECT_EQ(result->records, c.records);
  EXPECT_EQ(result->ok, c.complete);
  EXPECT_EQ(dialog->portOpen(), 1);
  ASSERT_EQ(dialog->tagTable.LeadingCount(), c.records);
  for (std::size_t i = 0; i < c.records; ++i) EXPECT_EQ(dialog->tagTable.At(i), kSampleRecords[i]);
  if (c.complete) {
    EXPECT_TRUE(MessageTexts().empty()) << ::testing::PrintToString(MessageTexts());
    const std::string sheet = test::ReadBytes(target);
    EXPECT_NE(sheet.find("Trovan tag"), std::string::npos);
    EXPECT_FALSE(fs::exists(incomplete));
    EXPECT_EQ(result->file, target);
    EXPECT_EQ(host.shellOpens().size(), 1u);
  } else {
    Texts expected;
    if (c.refusalMessage) expected.push_back(kCommunicationError);
    expected.push_back(std::string(c.endText) + " " + std::to_string(c.records) +
                       " records were read and saved to " + incomplete + ";\r\n" + target +
                       " was left as it is.");
    EXPECT_EQ(MessageTexts(), expected);
    EXPECT_EQ(test::ReadBytes(target), "old sheet");
    EXPECT_EQ(result->file, incomplete);
    EXPECT_TRUE(host.shellOpens().empty());
  }
}

std::string ReadCaseName(const ::testing::TestParamInfo<ReadCase>& info) {
  return info.param.name;
}

constexpr const char* kStopped = "The reader stopped answering before the end of its database.";
constexpr const char* kRefusing = "The reader kept refusing to send its records.";

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultReadLine,
    ::testing::Values(
        // A reply that never came leaves a gap in the pass, which goes on to the end; where the
        // records after the gap stand is then settled by reading them again.
        ReadCase{"SilenceAtTheFirstRecord", 2, Fault{.kind = FaultKind::Silence}, true, 3, 5 + 4,
                 "", false},
        ReadCase{"SilenceAfterTwoRecords", 4, Fault{.kind = FaultKind::Silence}, true, 3, 5 + 4, "",
                 false},
        // Twenty refusals in a row are borne, the twenty-first ends the read.
        ReadCase{"NakStorm", 2, Fault{.kind = FaultKind::Nak, .count = -1}, false, 0, 21, kRefusing,
                 true, kAttributesOfARefusingReader},
        ReadCase{"NakStormAfterARecord", 3, Fault{.kind = FaultKind::Nak, .count = -1}, false, 1,
                 22, kRefusing, true, kAttributesOfARefusingReader},
        // Refusals are borne, and the pass that had them is read again.
        ReadCase{"TwentyNaksAreBorne", 3, Fault{.kind = FaultKind::Nak, .count = 20}, true, 3,
                 24 + 4, "", false},
        // A reply that is a burst of refusals: none of it is taken for a later reply.
        ReadCase{"NakBurstInOneReply", 3,
                 Fault{.kind = FaultKind::Storm, .byte = serial::kNak, .length = 64}, true, 3,
                 5 + 4, "", false},
        ReadCase{"BelBurstIsReadAgain", 3, Fault{.kind = FaultKind::Bel, .count = 3}, true, 3,
                 7 + 4, "", false},
        ReadCase{"GarbageIsReadAgain", 3, Fault{.kind = FaultKind::Garbage, .count = 2}, true, 3,
                 6 + 4, "", false},
        ReadCase{"SplitFrames", 2,
                 Fault{.kind = FaultKind::Split, .parts = 5, .pauseMs = 3, .count = -1}, true, 3, 4,
                 "", false},
        // The end marker cut short: the pass is read again.
        ReadCase{"CutEndMarker", 5, Fault{.kind = FaultKind::Cut}, true, 3, 5 + 4, "", false},
        ReadCase{"SplitVersionReply", 0, Fault{.kind = FaultKind::Split, .parts = 3, .pauseMs = 30},
                 true, 3, 4, "", false}),
    ReadCaseName);

// A NAK storm on the attribute reads: the records are kept beside the sheet, which is left
// as it is, and the attributes whose text never came are named.
using FaultReadAttributes = FaultFixture;

TEST_F(FaultReadAttributes, RefusedKeepTheRecords) {
  StartReader();
  const std::string target = (dir / "herd.xml").string();
  const std::string incomplete = (dir / "herd.incomplete.xml").string();
  test::WriteBytes(target, "old sheet");
  dialog->settings().read_path = target;
  FaultAfter(6, Fault{.kind = FaultKind::Nak, .count = -1});
  const JobResult* result = RunJob(JobKind::DatabaseRead);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->records, 3u);
  EXPECT_EQ(dialog->attributeList.Entry(0), "#");
  EXPECT_EQ(test::ReadBytes(target), "old sheet");
  EXPECT_EQ(test::ReadBytes(incomplete).find("Herd"), std::string::npos);
  EXPECT_NE(test::ReadBytes(incomplete).find("Trovan tag"), std::string::npos);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_NE(MessageTexts()[0].find("The attributes #, A, B"), std::string::npos)
      << MessageTexts()[0];
}

// ---------------------------------------------------------------------------------------
// Write: the sample sheet onto a reader holding kOldRecords. Replies: SV, t# tA..tZ, EC, WP,
// then one per record write.

struct WriteCase {
  const char* name;
  int normal;
  Fault fault;
  bool ok;
  const char* summary;
  std::vector<std::string> firstMessages;  // before the summary
  bool erased;                             // the reader's old records are gone
  std::size_t written;                     // records acknowledged (and held by the reader)
  std::size_t attributeSends;
  std::size_t recordSends;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << c.name;
}

class FaultWriteLine : public FaultFixture, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(FaultWriteLine, EndsWithAnHonestSummary) {
  const WriteCase& c = GetParam();
  StartReader();
  const std::string sheet = SampleSheet();
  const std::string path = WriteSheetFile(sheet);
  database->SetRecords(kOldRecords);
  FaultAfter(c.normal, c.fault);
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->ok, c.ok);
  EXPECT_EQ(result->summary, c.summary);
  Texts expected = c.firstMessages;
  expected.push_back(c.summary);
  EXPECT_EQ(MessageTexts(), expected);
  EXPECT_EQ(result->failures, c.firstMessages);
  EXPECT_EQ(result->records, c.written);
  EXPECT_EQ(CountCommandsStartingWith("t"), c.attributeSends);
  EXPECT_EQ(CountCommandsStartingWith("w"), c.recordSends);
  if (c.erased) {
    EXPECT_EQ(database->Records(),
              std::vector<std::string>(kSampleRecords.begin(), kSampleRecords.begin() + c.written));
  } else {
    EXPECT_EQ(database->Records(), kOldRecords);
    EXPECT_EQ(CountCommands("WP"), 0u);
    EXPECT_EQ(CountCommandsStartingWith("w"), 0u);
  }
  EXPECT_EQ(test::ReadBytes(path), sheet);  // the sheet is only read
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
  EXPECT_TRUE(Enabled(ctl::kWrite));
}

std::string WriteCaseName(const ::testing::TestParamInfo<WriteCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultWriteLine,
    ::testing::Values(
        // A refusal may be a command damaged on its way: the attribute is sent again.
        WriteCase{"OneAttributeRefusedOnce",
                  2,
                  Fault{.kind = FaultKind::Nak},
                  true,
                  kWriteOk,
                  {},
                  true,
                  3,
                  28,
                  3},
        WriteCase{"SilenceToTheFirstAttributeOnce",
                  1,
                  Fault{.kind = FaultKind::Silence},
                  true,
                  kWriteOk,
                  {},
                  true,
                  3,
                  28,
                  3},
        // An attribute refused each time fails the attribute line, whatever the ones after it
        // got.
        WriteCase{"OneAttributeRefused",
                  2,
                  Fault{.kind = FaultKind::Nak, .count = 3},
                  false,
                  "'t'\tWrite Attributes\tNOK\r\n'EC'\tClear Eeprom\tOK\r\n'WP'\tInit "
                  "Pointer\tOK\r\n'w'\tWrite Records\tOK\r\n",
                  {},
                  true,
                  3,
                  29,
                  3},
        WriteCase{"LastAttributeRefused",
                  27,
                  Fault{.kind = FaultKind::Nak, .count = 3},
                  false,
                  "'t'\tWrite Attributes\tNOK\r\n'EC'\tClear Eeprom\tOK\r\n'WP'\tInit "
                  "Pointer\tOK\r\n'w'\tWrite Records\tOK\r\n",
                  {},
                  true,
                  3,
                  29,
                  3},
        WriteCase{"FirstAttributeNeverAnswered",
                  1,
                  Fault{.kind = FaultKind::Silence, .count = 3},
                  false,
                  "'t'\tWrite Attributes\tNOK\r\n'EC'\tClear Eeprom\tOK\r\n'WP'\tInit "
                  "Pointer\tOK\r\n'w'\tWrite Records\tOK\r\n",
                  {kNoAnswer},
                  true,
                  3,
                  3,
                  3},
        // A reader that refuses everything is not erased and gets nothing more; after two
        // attributes refused each time, the others are sent once.
        WriteCase{
            "NakStorm",
            1,
            Fault{.kind = FaultKind::Nak, .count = -1},
            false,
            "'EC'\tClear Eeprom\tNOK\r\n'WP'\tInit Pointer\tNOK\r\n'w'\tWrite Records\tNOK\r\n",
            {},
            false,
            0,
            2 * 3 + 25,
            0},
        WriteCase{"BelOnAnAttributeIsSentAgain",
                  2,
                  Fault{.kind = FaultKind::Bel, .count = 2},
                  true,
                  kWriteOk,
                  {},
                  true,
                  3,
                  29,
                  3},
        WriteCase{
            "GarbageToTheWritePointer",
            29,
            Fault{.kind = FaultKind::Garbage, .count = -1},
            false,
            "'EC'\tClear Eeprom\tOK\r\n'WP'\tInit Pointer\tNOK\r\n'w'\tWrite Records\tNOK\r\n",
            {kCommunicationError},
            true,
            0,
            27,
            0},
        WriteCase{"NakStormOnTheRecords",
                  30,
                  Fault{.kind = FaultKind::Nak, .count = -1},
                  false,
                  "'EC'\tClear Eeprom\tOK\r\n'WP'\tInit Pointer\tOK\r\n'w'\tWrite Records\tNOK\r\n",
                  {"Error sending dataset 1"},
                  true,
                  0,
                  27,
                  6},
        WriteCase{"BelStormOnTheSecondRecord",
                  31,
                  Fault{.kind = FaultKind::Bel, .count = -1},
                  false,
                  "'EC'\tClear Eeprom\tOK\r\n'WP'\tInit Pointer\tOK\r\n'w'\tWrite Records\tNOK\r\n",
                  {"Error sending dataset 2"},
                  true,
                  1,
                  27,
                  7},
        WriteCase{"SplitVersionReply",
                  0,
                  Fault{.kind = FaultKind::Split, .parts = 4, .pauseMs = 25},
                  true,
                  kWriteOk,
                  {},
                  true,
                  3,
                  27,
                  3}),
    WriteCaseName);

// ---------------------------------------------------------------------------------------
// An "EC" that never answers: each job waits its hundred polls, then fails without
// sending anything more.

class FaultEraseNeverAnswers : public FaultFixture,
                               public ::testing::WithParamInterface<JobKind> {};

TEST_P(FaultEraseNeverAnswers, JobGivesUpAndSendsNothingMore) {
  const JobKind job = GetParam();
  StartReader(job == JobKind::FactoryDefault ? "B2.0" : kDefaultVersion);
  if (job == JobKind::DatabaseWrite) {
    WriteSheetFile(SampleSheet());
    database->SetRecords(kOldRecords);
  }
  const auto before = database->Records();
  reader->SetHandler("EC", [](std::string_view) { return std::string(); });
  const JobResult* result = RunJob(job, 60000);
  ASSERT_NE(result, nullptr);
  // About a hundred ticks of 250 ms, not fewer.
  EXPECT_GE(jobEndedAt - jobStartedAt, 100u * job::kJobPeriodMs);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(database->Records(), before);
  const auto commands = reader->Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), "EC");
  EXPECT_EQ(CountCommands("EC"), 1u);
  EXPECT_NE(result->summary.find("'EC'\tClear Eeprom\tNOK"), std::string::npos) << result->summary;
  switch (job) {
    case JobKind::Configuration:
      ADD_FAILURE() << "no configuration job in these cases";
      break;
    case JobKind::DatabaseWrite:
      EXPECT_EQ(commands.size(), 2 + database::kAttributeCount);
      EXPECT_EQ(MessageTexts(), Texts{result->summary});
      // The job model is the failure value from the erase on: the summary has no attribute
      // line then.
      EXPECT_EQ(
          result->summary,
          "'EC'\tClear Eeprom\tNOK\r\n'WP'\tInit Pointer\tNOK\r\n'w'\tWrite Records\tNOK\r\n");
      break;
    case JobKind::DatabaseClear:
      EXPECT_EQ(commands, (Texts{"SV", "EC"}));
      EXPECT_EQ(MessageTexts(), Texts{kCommunicationError});
      break;
    case JobKind::FactoryDefault:
      EXPECT_EQ(commands, (Texts{"SV", "EC"}));
      EXPECT_EQ(MessageTexts(), Texts{result->summary});
      EXPECT_NE(result->summary.find("'s'\tWrite Parameters\tNOK"), std::string::npos);
      break;
    case JobKind::DatabaseRead:
      break;
  }
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

INSTANTIATE_TEST_SUITE_P(Jobs, FaultEraseNeverAnswers,
                         ::testing::Values(JobKind::DatabaseWrite, JobKind::DatabaseClear,
                                           JobKind::FactoryDefault),
                         [](const ::testing::TestParamInfo<JobKind>& info) {
                           return JobName(info.param);
                         });

// ---------------------------------------------------------------------------------------
// Clear and factory jobs against bad answers to their own commands.

struct ReplyCase {
  const char* name;
  JobKind job;
  int normal;
  Fault fault;
  std::vector<std::string> messages;  // "{summary}" stands for the job's summary
  const char* receivedLine;           // a line the received pane shows
  const char* summaryPart;            // part of the summary
  bool erased;                        // the erase was acknowledged
  std::size_t commands;               // commands the reader received
  std::size_t erases = 1;             // "EC" sent: again after an answer other than ACK
};

void PrintTo(const ReplyCase& c, std::ostream* os) {
  *os << c.name;
}

class FaultJobReply : public FaultFixture, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(FaultJobReply, FailsTheStepAndSaysSo) {
  const ReplyCase& c = GetParam();
  StartReader(c.job == JobKind::FactoryDefault ? "B2.0" : kDefaultVersion);
  FaultAfter(c.normal, c.fault);
  const JobResult* result = RunJob(c.job, 60000);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  Texts expected = c.messages;
  for (std::string& m : expected) {
    if (m == "{summary}") m = result->summary;
  }
  EXPECT_EQ(MessageTexts(), expected);
  EXPECT_NE(Text(ctl::kReceived).find(c.receivedLine), std::string::npos) << Text(ctl::kReceived);
  EXPECT_NE(result->summary.find(c.summaryPart), std::string::npos) << result->summary;
  EXPECT_EQ(database->Records(), c.erased ? std::vector<std::string>{} : kSampleRecords);
  EXPECT_EQ(reader->Commands().size(), c.commands);
  EXPECT_EQ(CountCommands("EC"), c.erases);
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

constexpr std::size_t kEraseAttempts = job::EraseWait::kAttempts;
constexpr int kWriteAttempts = job::RepeatedWrite::kAttempts;

// Each fault lasts as long as the job sends the command again.
INSTANTIATE_TEST_SUITE_P(
    Faults, FaultJobReply,
    ::testing::Values(ReplyCase{"ClearAnsweredWithBel",
                                JobKind::DatabaseClear,
                                1,
                                Fault{.kind = FaultKind::Bel, .count = 3},
                                {},
                                "// BEL, EC, Clear Database failed\r\n",
                                "'EC'\tClear Eeprom\tNOK",
                                false,
                                1 + kEraseAttempts,
                                kEraseAttempts},
                      ReplyCase{"ClearAnsweredWithGarbage",
                                JobKind::DatabaseClear,
                                1,
                                Fault{.kind = FaultKind::Garbage, .count = 3},
                                {},
                                "// EC, Clear Database failed\r\n",
                                "'EC'\tClear Eeprom\tNOK",
                                false,
                                1 + kEraseAttempts,
                                kEraseAttempts},
                      ReplyCase{"FactoryClockUnanswered",
                                JobKind::FactoryDefault,
                                29,
                                Fault{.kind = FaultKind::Silence, .count = kWriteAttempts},
                                {kCommunicationError, "{summary}"},
                                "// ACK, Clear Attributes successful\r\n",
                                "'r'\tSet Clock\t\tNOK",
                                true,
                                53 + kWriteAttempts - 1},
                      ReplyCase{"FactoryNakStormOnTheParameters",
                                JobKind::FactoryDefault,
                                30,
                                Fault{.kind = FaultKind::Nak, .count = -1},
                                {"{summary}"},
                                "// NAK",
                                "'s'\tWrite Parameters\tNOK",
                                true,
                                // two rows sent again, then each once
                                53 + 2 * (kWriteAttempts - 1)},
                      ReplyCase{"FactoryBelOnTheAttributeClear",
                                JobKind::FactoryDefault,
                                2,
                                Fault{.kind = FaultKind::Bel, .count = kWriteAttempts},
                                {"{summary}"},
                                "// NAK, Clear Attributes failed\r\n",
                                "Clear Attributes\tNOK",
                                true,
                                53 + kWriteAttempts - 1}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

// The version reply cut in half is no whole frame: it is asked for again, and the write goes
// on with the model the whole reply names.
using FaultCutVersion = FaultFixture;

TEST_F(FaultCutVersion, IsAskedForAgain) {
  StartReader();
  WriteSheetFile(SampleSheet());
  database->SetRecords(kOldRecords);
  reader->InjectFault(Fault{.kind = FaultKind::Cut});
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_TRUE(result->ok) << ::testing::PrintToString(MessageTexts());
  const Texts commands = reader->Commands();
  ASSERT_GE(commands.size(), 2u);
  EXPECT_EQ(commands[0], "SV");
  EXPECT_EQ(commands[1], "SV");
  EXPECT_EQ(database->Records(), kSampleRecords);
}

// Every version reply cut: the model stays in doubt and nothing is written.
TEST_F(FaultCutVersion, EveryTimeLeavesTheReaderAlone) {
  StartReader();
  WriteSheetFile(SampleSheet());
  database->SetRecords(kOldRecords);
  reader->InjectFault(Fault{.kind = FaultKind::Cut, .count = -1});
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(reader->Commands(), Texts(job::kVersionAttempts, "SV"));
  EXPECT_EQ(database->Records(), kOldRecords);
  ASSERT_EQ(result->failures.size(), 1u);
  EXPECT_NE(result->failures[0].find("in doubt"), std::string::npos) << result->failures[0];
}

}  // namespace
}  // namespace tagline::app
