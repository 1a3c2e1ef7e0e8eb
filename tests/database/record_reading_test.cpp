// SPDX-License-Identifier: Apache-2.0
// Reading the records in passes against an in-process reader: where a read ends.
#include "database/record_reading.h"

#include <gtest/gtest.h>

#include <memory>

#include "fake_environment.h"

namespace tagline::database {
namespace {

using protocol::ReaderModel;
using test::Byte;
using test::FakeEnvironment;

// Answers "RN" with `replies` in turn (framed), from the start again after each "RP".
void Script(FakeEnvironment& env, std::vector<std::string> replies) {
  auto next = std::make_shared<std::size_t>(0);
  env.line().On("RP", [next](std::string_view) {
    *next = 0;
    return std::string(1, serial::kAck);
  });
  env.line().On("RN", [next, replies](std::string_view) {
    return *next < replies.size() ? serial::FrameCommand(replies[(*next)++]) : std::string();
  });
}

// Inspection readers end their records with one that is itself a record, beginning "X":
// it is kept, and nothing after it is asked for.
TEST(RecordReading, InspectionReadersEndWithTheirXRecord) {
  for (const ReaderModel model : {ReaderModel::Talvikko, ReaderModel::Fenra}) {
    FakeEnvironment env;
    const ReadLoop loop = *ReadLoopFor(model);
    const std::string a(loop.kept - 1, 'A');
    const std::string end = "X" + std::string(loop.kept - 2, '0');
    Script(env, {a, a, end, a, a});
    const RecordsRead read = ReadRecords(env, loop, false);
    EXPECT_EQ(read.end, ReadEnd::Complete);
    EXPECT_EQ(read.records, (std::vector<std::string>{a, a, end}));
    EXPECT_EQ(env.line().Count("RN"), 3u);
  }
}

// Other readers end with "_": the marker is no record.
TEST(RecordReading, UnderscoreMarkerEndsTheRead) {
  FakeEnvironment env;
  const ReadLoop loop = *ReadLoopFor(ReaderModel::B20);
  const std::string a(loop.kept - 1, 'A');
  Script(env, {a, "X" + a.substr(1), std::string(loop.kept - 1, '_'), a});
  const RecordsRead read = ReadRecords(env, loop, false);
  EXPECT_EQ(read.end, ReadEnd::Complete);
  ASSERT_EQ(read.records.size(), 2u);
  EXPECT_EQ(env.line().Count("RN"), 3u);
}

// With verification, a clean pass is read a second time and must agree.
TEST(RecordReading, VerifiedReadTakesTwoPasses) {
  FakeEnvironment env;
  const ReadLoop loop = *ReadLoopFor(ReaderModel::B20);
  const std::string a(loop.kept - 1, 'A');
  Script(env, {a, a, std::string(loop.kept - 1, '_')});
  const RecordsRead read = ReadRecords(env, loop, true);
  EXPECT_EQ(read.end, ReadEnd::Complete);
  EXPECT_EQ(read.passes, 2);
  EXPECT_EQ(env.line().Count("RP"), 2u);
  EXPECT_EQ(env.line().Count("RN"), 6u);
}

}  // namespace
}  // namespace tagline::database
