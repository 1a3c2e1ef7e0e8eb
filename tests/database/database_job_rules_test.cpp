// SPDX-License-Identifier: Apache-2.0
// The database jobs' rules against an in-process reader: what is sent, what is reported.
#include <gtest/gtest.h>

#include "database/clear_job.h"
#include "database/write_job.h"
#include "fake_environment.h"
#include "job/identification.h"
#include "protocol/reader_model.h"

namespace tagline::database {
namespace {

using test::Byte;
using test::FakeEnvironment;
using test::Framed;

constexpr int kClearTimer = 8;
constexpr int kWriteTimer = 7;
constexpr std::uint32_t kTick = job::kJobPeriodMs;

class DatabaseJobRules : public ::testing::Test {
 protected:
  void SetUp() override { env.line().On("SV", Framed("B2.0")); }
  bool RunUntilIdle(int timerId, std::uint32_t maxMs) {
    return env.headless().RunUntil([&] { return !env.jobs().Running(timerId); }, maxMs);
  }
  FakeEnvironment env;
};

TEST_F(DatabaseJobRules, ClearJobEndsOnTheAcknowledgement) {
  env.line().On("EC", Byte(serial::kAck));
  env.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), env);
  ASSERT_TRUE(RunUntilIdle(kClearTimer, 10 * kTick));
  EXPECT_EQ(env.line().commands(), (std::vector<std::string>{"SV", "EC"}));
  const job::JobResult* result = env.jobs().Result(kClearTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_TRUE(result->ok);
  EXPECT_EQ(result->summary, "'EC'\tClear Eeprom\tOK\r\n");
  EXPECT_TRUE(env.messages.empty());
  EXPECT_EQ(env.panes().received, "B2.0\r\n// ACK, Clear Database successful\r\n");
  EXPECT_EQ(env.version, "B2.0");
}

TEST_F(DatabaseJobRules, ClearJobWaitsAHundredAndOnePollsForASilentReader) {
  env.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), env);
  // Identification and "EC" take a tick each, then one look per tick.
  env.headless().RunFor(kTick * (2 + 100));
  EXPECT_TRUE(env.jobs().Running(kClearTimer));
  ASSERT_TRUE(RunUntilIdle(kClearTimer, 2 * kTick));
  const job::JobResult* result = env.jobs().Result(kClearTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->summary, "'EC'\tClear Eeprom\tNOK\r\n");
  EXPECT_EQ(env.messages, std::vector<std::string>{"Communication Error with reader"});
  EXPECT_EQ(env.line().Count("EC"), 1u);
  EXPECT_EQ(env.progressTotal, job::EraseWait::kMaxLooks);
}

TEST_F(DatabaseJobRules, ClearJobWithoutAReaderSendsNothingMore) {
  env.line().On("SV", [](std::string_view) { return std::string(); });
  env.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), env);
  ASSERT_TRUE(RunUntilIdle(kClearTimer, 4 * kTick));
  // Asked once more in case the first reply was only late, then nothing else.
  EXPECT_EQ(env.line().commands(), std::vector<std::string>(job::kSilentVersionAttempts, "SV"));
  const job::JobResult* result = env.jobs().Result(kClearTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->readerFound);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(env.messages, std::vector<std::string>{"No Answer from reader"});
}

TEST_F(DatabaseJobRules, ReaderWithoutADatabaseIsNotCleared) {
  env.line().On("SV", Framed("KTR H9 HF V1.0       CS3"));
  env.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), env);
  ASSERT_TRUE(RunUntilIdle(kClearTimer, 4 * kTick));
  EXPECT_EQ(env.line().commands(), std::vector<std::string>{"SV"});
  EXPECT_FALSE(env.jobs().Result(kClearTimer)->readerFound);
}

TEST_F(DatabaseJobRules, UnreadableSheetErasesNothing) {
  TagTable table;
  AttributeList attributes;
  env.line().On("EC", Byte(serial::kAck));
  env.jobs().Start(kWriteTimer,
                   std::make_shared<WriteJob>(table, attributes, "/nonexistent/db.xml"), env);
  ASSERT_TRUE(RunUntilIdle(kWriteTimer, 20 * kTick));
  EXPECT_EQ(env.line().commands(), std::vector<std::string>{"SV"});
  const job::JobResult* result = env.jobs().Result(kWriteTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  // The message names the file, and says that the reader was not touched.
  const std::string failure =
      "no access on DB\r\n/nonexistent/db.xml\r\nNothing was written; the reader was left as it "
      "is.";
  EXPECT_EQ(result->failures, std::vector<std::string>{failure});
  EXPECT_EQ(result->records, 0u);
  EXPECT_EQ(env.messages, (std::vector<std::string>{failure, result->summary}));
  // The failed job carries no model.
  ASSERT_TRUE(env.jobModel.has_value());
  EXPECT_FALSE(env.jobModel->has_value());
}

TEST_F(DatabaseJobRules, LostLineEndsTheClearJobAtOnce) {
  env.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), env);
  env.headless().RunFor(kTick * 4);  // "EC" sent, its answer awaited
  ASSERT_TRUE(env.jobs().Running(kClearTimer));
  env.line().Unplug();
  ASSERT_TRUE(RunUntilIdle(kClearTimer, kTick));
  const job::JobResult* result = env.jobs().Result(kClearTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->failures, std::vector<std::string>{job::kConnectionLost});
}

}  // namespace
}  // namespace tagline::database
