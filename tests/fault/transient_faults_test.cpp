// SPDX-License-Identifier: Apache-2.0
// One fault on the line in the middle of a transfer, of each kind a USB-serial adapter or a
// long cable gives: the reply to the fifth record is lost or damaged after the reader acted
// on it. The job recovers, and ends exact and OK.
#include <gtest/gtest.h>

#include "fault/fault_fixture.h"

namespace tagline::app {
namespace {

using sim::Fault;
using sim::FaultKind;

constexpr int kRecords = 10;
// A record's frame: STX, 45 characters, four CRC digits, ETX.
constexpr std::size_t kRecordFrame = 1 + 45 + 4 + 1;

struct TransientCase {
  const char* name;
  Fault fault;
  // For a write: whether the fifth record is sent again, as it must be when the reader did
  // not store it, and must not be when it did.
  bool sentAgain = false;
};

void PrintTo(const TransientCase& c, std::ostream* os) {
  *os << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<TransientCase>& info) {
  return info.param.name;
}

Fault Acted(Fault fault) {
  fault.acted = true;
  return fault;
}

class TransientReadFault : public FaultFixture,
                           public ::testing::WithParamInterface<TransientCase> {};

TEST_P(TransientReadFault, ReadRecoversEveryRecordOnceInOrder) {
  StartReader();
  const std::vector<std::string> records = HerdRecordsOf(kRecords);
  database->SetRecords(records);
  const std::string target = (dir / "herd.xml").string();
  test::WriteBytes(target, "old sheet");
  dialog->settings().read_path = target;
  // SV, RP and four records, then the fifth "RN".
  FaultAfter(2 + 4, GetParam().fault);
  const JobResult* result = RunJob(JobKind::DatabaseRead);
  ASSERT_NE(result, nullptr);
  EXPECT_TRUE(result->ok) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(result->records, records.size());
  ASSERT_EQ(dialog->tagTable.LeadingCount(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(dialog->tagTable.At(i), records[i]);
  EXPECT_NE(test::ReadBytes(target), "old sheet");
  EXPECT_TRUE(MessageTexts().empty()) << ::testing::PrintToString(MessageTexts());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TransientReadFault,
    ::testing::Values(
        TransientCase{"Nak", Acted(Fault{.kind = FaultKind::Nak})},
        TransientCase{"Bel", Acted(Fault{.kind = FaultKind::Bel})},
        TransientCase{"BadCrc", Fault{.kind = FaultKind::Flip, .length = kRecordFrame - 3}},
        TransientCase{"FlippedBit", Fault{.kind = FaultKind::Flip}},
        TransientCase{"CutShort", Fault{.kind = FaultKind::Cut}},
        TransientCase{"NoEtx", Fault{.kind = FaultKind::Cut, .length = kRecordFrame - 1}},
        TransientCase{"Garbage", Acted(Fault{.kind = FaultKind::Garbage})},
        TransientCase{"SentTwice", Fault{.kind = FaultKind::Twice}},
        TransientCase{"Lost", Acted(Fault{.kind = FaultKind::Silence})},
        TransientCase{"Late", Fault{.kind = FaultKind::Delay, .delayMs = 700}},
        // The command was damaged on its way: the reader refused it and did not move.
        TransientCase{"CommandRefused", Fault{.kind = FaultKind::Nak}}),
    CaseName);

class TransientWriteFault : public FaultFixture,
                            public ::testing::WithParamInterface<TransientCase> {};

TEST_P(TransientWriteFault, WriteLeavesTheSheetInTheReaderOnce) {
  StartReader();
  const std::vector<std::string> sheet = HerdRecordsOf(kRecords);
  WriteSheetFile(SampleSheet(sheet));
  database->SetRecords(kOldRecords);
  // SV, the 27 attributes, EC, WP and four records, then the fifth "w".
  FaultAfter(1 + 27 + 2 + 4, GetParam().fault);
  const JobResult* result = RunJob(JobKind::DatabaseWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_TRUE(result->ok) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(database->Records(), sheet);
  EXPECT_EQ(result->records, sheet.size());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{result->summary});
  EXPECT_EQ(CountCommandsStartingWith("w"), sheet.size() + (GetParam().sentAgain ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TransientWriteFault,
    ::testing::Values(
        // The reader stored the record; its ACK was lost or garbled.
        TransientCase{"AckLost", Acted(Fault{.kind = FaultKind::Silence})},
        TransientCase{"AckAsNak", Acted(Fault{.kind = FaultKind::Nak})},
        TransientCase{"AckAsBel", Acted(Fault{.kind = FaultKind::Bel})},
        TransientCase{"AckAsGarbage", Acted(Fault{.kind = FaultKind::Garbage})},
        TransientCase{"StrayByteBeforeAck", Fault{.kind = FaultKind::Prefix, .byte = 'U'}},
        TransientCase{"AckLate", Fault{.kind = FaultKind::Delay, .delayMs = 900}},
        // The record was damaged on its way: the reader refused it and stored nothing.
        TransientCase{"RecordRefused", Fault{.kind = FaultKind::Nak}, true},
        TransientCase{"RecordUnanswered", Fault{.kind = FaultKind::Silence}, true}),
    CaseName);

}  // namespace
}  // namespace tagline::app
