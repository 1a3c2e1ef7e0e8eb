// SPDX-License-Identifier: Apache-2.0
// Every job on a noisy line, seed after seed: replies damaged at 3 % (a byte dropped,
// flipped or added, late, a burst of junk) and commands at a quarter of that. Whatever the
// faults, a job that says OK leaves exactly the right records in the file or the reader; one
// that does not leaves the target file as it was and says what went wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "fault/fault_fixture.h"
#include "reader/factory_plan.h"

namespace tagline::app {
namespace {

constexpr double kNoiseRate = 0.03;
constexpr int kRecords = 10;

std::vector<std::string> HerdRecords() {
  return HerdRecordsOf(kRecords);
}

// The seeds a run takes: a few by default, more with TAGLINE_NOISE_SEEDS.
std::vector<int> Seeds() {
  int count = 6;
  if (const char* env = std::getenv("TAGLINE_NOISE_SEEDS")) count = std::max(1, std::atoi(env));
  std::vector<int> seeds;
  for (int seed = 1; seed <= count; ++seed) seeds.push_back(seed);
  return seeds;
}

class NoisyLine : public FaultFixture, public ::testing::WithParamInterface<int> {
 protected:
  void StartNoisyReader(const std::string& version = kDefaultVersion) {
    noise.rate = kNoiseRate;
    noise.seed = static_cast<std::uint64_t>(GetParam());
    StartReader(version);
    database->SetRecords(HerdRecords());
  }

  // A failed job names what failed, in a message or a step of its summary marked NOK.
  void ExpectReasonGiven(const JobResult& result) const {
    const bool stepFailed = std::any_of(result.steps.begin(), result.steps.end(),
                                        [](const auto& step) { return !step.ok; });
    EXPECT_TRUE(!result.failures.empty() || !MessageTexts().empty() || stepFailed)
        << "seed " << GetParam() << ": a failed job said nothing";
  }
};

TEST_P(NoisyLine, ReadSavesExactlyTheRecordsOrLeavesTheFile) {
  StartNoisyReader();
  const std::string target = (dir / "herd.xml").string();
  test::WriteBytes(target, "old sheet");
  dialog->settings().read_path = target;
  const JobResult* result = RunJob(JobKind::DatabaseRead);
  ASSERT_NE(result, nullptr);
  const std::vector<std::string> expected = HerdRecords();
  if (!result->ok) {
    EXPECT_EQ(test::ReadBytes(target), "old sheet") << "seed " << GetParam();
    ExpectReasonGiven(*result);
    return;
  }
  ASSERT_EQ(dialog->tagTable.LeadingCount(), expected.size()) << "seed " << GetParam();
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(dialog->tagTable.At(i), expected[i]) << "seed " << GetParam() << " record " << i;
  }
  EXPECT_EQ(dialog->attributeList.Entry(0), "#Herd");
  const std::string sheet = test::ReadBytes(target);
  for (int i = 1; i <= kRecords; ++i) {
    // Each record's user information is in the sheet once.
    const std::string cell = ">Cow " + std::to_string(i) + " ";
    const std::size_t at = sheet.find(cell);
    EXPECT_NE(at, std::string::npos) << "seed " << GetParam() << cell;
    EXPECT_EQ(sheet.find(cell, at + 1), std::string::npos) << "seed " << GetParam() << cell;
  }
}

TEST_P(NoisyLine, WriteLeavesExactlyTheSheetInTheReaderOrSaysSo) {
  StartNoisyReader();
  const std::vector<std::string> sheet = HerdRecords();
  WriteSheetFile(SampleSheet(sheet));
  database->SetRecords(kOldRecords);
  const JobResult* result = RunJob(JobKind::DatabaseWrite, 600000);
  ASSERT_NE(result, nullptr);
  if (!result->ok) return ExpectReasonGiven(*result);
  EXPECT_EQ(database->Records(), sheet) << "seed " << GetParam();
  EXPECT_EQ(database->Attributes()[0], "Herd") << "seed " << GetParam();
  EXPECT_EQ(result->records, sheet.size());
}

TEST_P(NoisyLine, ClearEmptiesTheReaderOrSaysSo) {
  StartNoisyReader();
  const JobResult* result = RunJob(JobKind::DatabaseClear);
  ASSERT_NE(result, nullptr);
  if (!result->ok) return ExpectReasonGiven(*result);
  EXPECT_TRUE(database->Records().empty()) << "seed " << GetParam();
}

TEST_P(NoisyLine, FactoryDefaultSetsEveryCellOrSaysSo) {
  StartNoisyReader("B2.0");
  host.SetChoiceAnswer("factory-148", 1);
  const JobResult* result = RunJob(JobKind::FactoryDefault, 600000);
  ASSERT_NE(result, nullptr);
  if (!result->ok) return ExpectReasonGiven(*result);
  for (const auto& write :
       reader::FactoryWrites(protocol::ReaderModel::B20, reader::FactoryAnswers())) {
    const unsigned address =
        static_cast<unsigned>(std::stoul(write.command.substr(1, 3), nullptr, 16));
    const auto value =
        static_cast<std::uint8_t>(std::stoul(write.command.substr(4, 2), nullptr, 16));
    EXPECT_EQ(device->Cell(address), value) << "seed " << GetParam() << " " << write.command;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, NoisyLine, ::testing::ValuesIn(Seeds()));

// A noisy line costs retries, not the transfer: most runs end exact. The runs follow each
// other on one line, each meeting faults of its own.
class NoisyRuns : public FaultFixture {};

TEST_F(NoisyRuns, MostReadsAndWritesEndExact) {
  constexpr int kRuns = 6;
  noise.rate = kNoiseRate;
  noise.seed = 100;
  StartReader();
  const std::vector<std::string> herd = HerdRecords();
  const std::string target = (dir / "herd.xml").string();
  dialog->settings().read_path = target;
  WriteSheetFile(SampleSheet(herd));
  int exactReads = 0;
  int exactWrites = 0;
  // How each run that did not end exact ended, for the report of a failure.
  std::string inexact;
  for (int run = 0; run < kRuns; ++run) {
    database->SetRecords(herd);
    const JobResult* read = RunJob(JobKind::DatabaseRead);
    ASSERT_NE(read, nullptr);
    if (read->ok && dialog->tagTable.LeadingCount() == herd.size()) {
      ++exactReads;
    } else {
      inexact += "read " + std::to_string(run) + ": " + read->summary + " " +
                 ::testing::PrintToString(MessageTexts()) + "\n";
    }
    host.ClearMessages();
    database->SetRecords(kOldRecords);
    const JobResult* write = RunJob(JobKind::DatabaseWrite, 600000);
    ASSERT_NE(write, nullptr);
    if (write->ok && database->Records() == herd) {
      ++exactWrites;
    } else {
      inexact += "write " + std::to_string(run) + ": " + write->summary + " " +
                 ::testing::PrintToString(MessageTexts()) + "\n";
    }
    host.ClearMessages();
  }
  EXPECT_GE(exactReads, kRuns - 1) << inexact;
  EXPECT_GE(exactWrites, kRuns - 1) << inexact;
}

}  // namespace
}  // namespace tagline::app
