// The database jobs' rules against an in-process reader: what is sent, what is reported.
#include <gtest/gtest.h>

#include "app/control_ids.h"
#include "database/clear_job.h"
#include "database/database_job.h"
#include "database/write_job.h"
#include "fake_job_context.h"
#include "reader/reader_model.h"

namespace tagline::database {
namespace {

using app::Byte;
using app::FakeJobContext;
using app::Framed;

constexpr int kClearTimer = app::timer::kDbClear;
constexpr std::uint32_t kTick = app::timer::kJobPeriodMs;

class DatabaseJobRules : public ::testing::Test {
 protected:
  void SetUp() override { ctx.line().On("SV", Framed("B2.0")); }
  bool RunUntilIdle(int timerId, std::uint32_t maxMs) {
    return ctx.headless().RunUntil([&] { return !ctx.jobs().Running(timerId); }, maxMs);
  }
  FakeJobContext ctx;
};

TEST_F(DatabaseJobRules, ClearJobEndsOnTheAcknowledgement) {
  ctx.line().On("EC", Byte(serial::kAck));
  ctx.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), ctx);
  ASSERT_TRUE(RunUntilIdle(kClearTimer, 10 * kTick));
  EXPECT_EQ(ctx.line().commands(), (std::vector<std::string>{"SV", "EC"}));
  const app::JobResult* result = ctx.jobs().Result(kClearTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_TRUE(result->ok);
  EXPECT_EQ(result->summary, "'EC'\tClear Eeprom\tOK\r\n");
  EXPECT_TRUE(ctx.MessageTexts().empty());
  EXPECT_TRUE(ctx.headless().TimerActive(app::timer::kPoll));
}

TEST_F(DatabaseJobRules, ClearJobWaitsAHundredAndOnePollsForASilentReader) {
  ctx.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), ctx);
  // Identification and "EC" take a tick each, then one look per tick.
  ctx.headless().RunFor(kTick * (2 + 100));
  EXPECT_TRUE(ctx.jobs().Running(kClearTimer));
  ASSERT_TRUE(RunUntilIdle(kClearTimer, 2 * kTick));
  const app::JobResult* result = ctx.jobs().Result(kClearTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->summary, "'EC'\tClear Eeprom\tNOK\r\n");
  EXPECT_EQ(ctx.MessageTexts(), std::vector<std::string>{"Communication Error with reader"});
  EXPECT_EQ(ctx.line().Count("EC"), 1u);
}

TEST_F(DatabaseJobRules, ClearJobWithoutAReaderSendsNothingMore) {
  ctx.line().On("SV", [](std::string_view) { return std::string(); });
  ctx.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), ctx);
  ASSERT_TRUE(RunUntilIdle(kClearTimer, 4 * kTick));
  EXPECT_EQ(ctx.line().commands(), std::vector<std::string>{"SV"});
  const app::JobResult* result = ctx.jobs().Result(kClearTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->readerFound);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(ctx.MessageTexts(), std::vector<std::string>{"No Answer from reader"});
}

TEST_F(DatabaseJobRules, UnreadableSheetErasesNothing) {
  TagTable table;
  AttributeList attributes;
  ctx.line().On("EC", Byte(serial::kAck));
  ctx.jobs().Start(app::timer::kDbWrite,
                   std::make_shared<WriteJob>(table, attributes, "/nonexistent/db.xml"), ctx);
  ASSERT_TRUE(RunUntilIdle(app::timer::kDbWrite, 20 * kTick));
  EXPECT_EQ(ctx.line().commands(), std::vector<std::string>{"SV"});
  const app::JobResult* result = ctx.jobs().Result(app::timer::kDbWrite);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->failures, std::vector<std::string>{"no access on DB"});
  EXPECT_EQ(result->records, 0u);
  EXPECT_EQ(ctx.MessageTexts(), (std::vector<std::string>{"no access on DB", result->summary}));
  EXPECT_EQ(ctx.lastJobModel(), reader::kFailedModel);
}

class AttributeClear : public DatabaseJobRules {
 protected:
  std::int8_t Clear() {
    return ClearAttributes(ctx, table, attributes,
                           static_cast<std::int8_t>(reader::ReaderModel::B20));
  }
  TagTable table;
  AttributeList attributes;
};

TEST_F(AttributeClear, EveryTokenAcknowledgedClearsThem) {
  ctx.line().On("t", Byte(serial::kAck));
  EXPECT_EQ(Clear(), static_cast<std::int8_t>(reader::ReaderModel::B20));
  EXPECT_EQ(ctx.line().Count("t"), kAttributeCount);
  EXPECT_EQ(ctx.line().commands().front(), "t#___");
  EXPECT_EQ(ctx.line().commands().back(), "tZ___");
  EXPECT_NE(ctx.link().receivedPane().find("// ACK, Clear Attributes successful"),
            std::string::npos);
}

TEST_F(AttributeClear, OneRefusalInTheMiddleFailsTheClear) {
  ctx.line().On("t", Byte(serial::kAck));
  ctx.line().On("tM", Byte(serial::kNak));
  EXPECT_EQ(Clear(), reader::kFailedModel);
  // The refusal does not stop the clear: every token is still sent once.
  EXPECT_EQ(ctx.line().Count("t"), kAttributeCount);
  EXPECT_NE(ctx.link().receivedPane().find("// NAK, Clear Attributes failed"), std::string::npos);
  EXPECT_EQ(ctx.fields().factoryResult, "// ACK");  // the last token's answer
}

TEST_F(AttributeClear, BelIsRepeatedFiveTimesAtMost) {
  ctx.line().On("t", Byte(serial::kAck));
  ctx.line().On("tB", Byte(serial::kBel));
  EXPECT_EQ(Clear(), reader::kFailedModel);
  EXPECT_EQ(ctx.line().Count("tB"), 6u);
  EXPECT_EQ(ctx.line().Count("t"), kAttributeCount + 5);
}

TEST_F(AttributeClear, SilenceEndsTheClearWithAMessage) {
  EXPECT_EQ(Clear(), reader::kFailedModel);
  EXPECT_EQ(ctx.line().commands(), std::vector<std::string>{"t#___"});
  EXPECT_EQ(ctx.MessageTexts(), std::vector<std::string>{"No Answer from reader"});
}

}  // namespace
}  // namespace tagline::database

namespace tagline::database {
namespace {

TEST_F(DatabaseJobRules, LostLineEndsTheClearJobAtOnce) {
  ctx.jobs().Start(kClearTimer, std::make_shared<ClearJob>(), ctx);
  ctx.headless().RunFor(kTick * 4);  // "EC" sent, its answer awaited
  ASSERT_TRUE(ctx.jobs().Running(kClearTimer));
  ctx.line().Unplug();
  ASSERT_TRUE(RunUntilIdle(kClearTimer, kTick));
  const app::JobResult* result = ctx.jobs().Result(kClearTimer);
  ASSERT_NE(result, nullptr);
  EXPECT_FALSE(result->ok);
  EXPECT_EQ(result->failures, std::vector<std::string>{kConnectionLost});
}

}  // namespace
}  // namespace tagline::database
