// SPDX-License-Identifier: Apache-2.0
// The factory job's attribute clear against an in-process reader, and what the tables
// decide about it.
#include "reader/attribute_clear.h"

#include <gtest/gtest.h>

#include "database/attribute_check.h"
#include "fake_environment.h"
#include "job/repeated_write.h"
#include "protocol/attribute_tokens.h"

namespace tagline::reader {
namespace {

using job::AttributeTables;
using protocol::kAttributeCount;
using test::Byte;

class AttributeClear : public ::testing::Test {
 protected:
  bool Clear() { return ClearAttributes(env, AttributeTables::Clear); }
  test::FakeEnvironment env;
};

TEST_F(AttributeClear, EveryTokenAcknowledgedClearsThem) {
  env.line().On("t", Byte(serial::kAck));
  EXPECT_TRUE(Clear());
  EXPECT_EQ(env.line().Count("t"), kAttributeCount);
  EXPECT_EQ(env.line().commands().front(), "t#___");
  EXPECT_EQ(env.line().commands().back(), "tZ___");
  EXPECT_EQ(env.command, "tZ___");
  EXPECT_NE(env.panes().received.find("// ACK, Clear Attributes successful"), std::string::npos);
}

TEST_F(AttributeClear, OneRefusalInTheMiddleFailsTheClear) {
  env.line().On("t", Byte(serial::kAck));
  env.line().On("tM", Byte(serial::kNak));
  EXPECT_FALSE(Clear());
  // The refusal does not stop the clear: the refused token is sent again a few times, every
  // other one once.
  EXPECT_EQ(env.line().Count("tM"), job::RepeatedWrite::kAttempts);
  EXPECT_EQ(env.line().Count("t"), kAttributeCount - 1 + job::RepeatedWrite::kAttempts);
  EXPECT_NE(env.panes().received.find("// NAK, Clear Attributes failed"), std::string::npos);
  EXPECT_EQ(env.result, "// ACK");  // the last token's answer
}

TEST_F(AttributeClear, BelIsRepeatedFiveTimesAtMost) {
  env.line().On("t", Byte(serial::kAck));
  env.line().On("tB", Byte(serial::kBel));
  EXPECT_FALSE(Clear());
  EXPECT_EQ(env.line().Count("tB"), 6u);
  EXPECT_EQ(env.line().Count("t"), kAttributeCount + 5);
}

TEST_F(AttributeClear, SilenceEndsTheClearWithAMessage) {
  EXPECT_FALSE(Clear());
  // Sent again in case the token was lost on the way, then given up.
  EXPECT_EQ(env.line().commands(),
            std::vector<std::string>(job::RepeatedWrite::kAttempts, "t#___"));
  EXPECT_EQ(env.messages, std::vector<std::string>{"No Answer from reader"});
}

TEST_F(AttributeClear, WrongFormatSendsNothing) {
  EXPECT_FALSE(ClearAttributes(env, AttributeTables::WrongFormat));
  EXPECT_TRUE(ClearAttributes(env, AttributeTables::NothingToClear));
  EXPECT_TRUE(env.line().commands().empty());
  EXPECT_EQ(env.messages, std::vector<std::string>{"DB has wrong format"});
}

TEST(AttributeTablesCheck, ByModelAndTables) {
  using protocol::ReaderModel;
  database::TagTable table;
  database::AttributeList attributes;
  attributes.Fill(" ");
  // An attribute model needs its first attribute loaded.
  EXPECT_EQ(database::CheckAttributeTables(ReaderModel::B20, table, attributes),
            AttributeTables::WrongFormat);
  attributes.Set(0, "#Cow");
  EXPECT_EQ(database::CheckAttributeTables(ReaderModel::B20, table, attributes),
            AttributeTables::Clear);
  // A code sheet keeps no attributes, but needs a code in its first record.
  EXPECT_EQ(database::CheckAttributeTables(ReaderModel::KtrH9V2, table, attributes),
            AttributeTables::WrongFormat);
  table.Fill(" ");
  table.Set(0, "0000000000000100000000");
  EXPECT_EQ(database::CheckAttributeTables(ReaderModel::KtrH9V2, table, attributes),
            AttributeTables::NothingToClear);
  EXPECT_EQ(database::CheckAttributeTables(ReaderModel::Unrecognised, table, attributes),
            AttributeTables::NothingToClear);
}

}  // namespace
}  // namespace tagline::reader
