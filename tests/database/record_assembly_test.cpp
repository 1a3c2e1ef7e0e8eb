// SPDX-License-Identifier: Apache-2.0
// Putting records together from passes: what one pass settles, what a second one heals,
// and what stays in doubt.
#include "database/record_assembly.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>

namespace tagline::database {
namespace {

// A pass written as a string: a letter is a record, '.' a break, '|' bytes left over
// (a split), '$' the end.
PassLog Pass(std::string_view script) {
  PassLog pass;
  for (const char c : script) {
    switch (c) {
      case '.':
        pass.Break();
        break;
      case '|':
        pass.Split();
        break;
      case '$':
        pass.End();
        break;
      default:
        pass.Record(std::string(1, c));
        break;
    }
  }
  return pass;
}

Assembly Assemble(std::initializer_list<std::string_view> scripts, std::size_t needed = 1) {
  std::vector<PassLog> passes;
  for (const std::string_view script : scripts) passes.push_back(Pass(script));
  return AssembleRecords(passes, needed);
}

// The certain records as a string, '?' where none is.
std::string Records(const Assembly& assembly) {
  std::string text;
  for (const auto& record : assembly.records) text += record ? *record : "?";
  return text;
}

TEST(RecordAssembly, CleanPassIsExact) {
  const Assembly a = Assemble({"ABCDE$"});
  EXPECT_TRUE(a.exact);
  EXPECT_EQ(a.count, 5u);
  EXPECT_EQ(Records(a), "ABCDE");
  EXPECT_TRUE(a.inDoubt.empty());
  // The same records more than once are records of their own.
  EXPECT_EQ(Records(Assemble({"AAA$"})), "AAA");
  EXPECT_TRUE(Assemble({"$"}).exact);
  EXPECT_EQ(Assemble({"$"}).count, 0u);
}

TEST(RecordAssembly, OneBreakLeavesWhatFollowsInDoubt) {
  // The fifth reply was bad: it may have moved the reader on by one record or not at all.
  const Assembly a = Assemble({"ABCD.FGHIJ$"});
  EXPECT_FALSE(a.exact);
  EXPECT_FALSE(a.contradiction);
  EXPECT_FALSE(a.inDoubt.empty());
  // What came before the break stands where it came.
  EXPECT_EQ(Records(a).substr(0, 4), "ABCD");
}

TEST(RecordAssembly, SecondPassHealsTheBreak) {
  EXPECT_EQ(Records(Assemble({"ABCD.FGHIJ$", "ABCDEFGHIJ$"})), "ABCDEFGHIJ");
  EXPECT_TRUE(Assemble({"ABCD.FGHIJ$", "ABCDEFGHIJ$"}).exact);
  // Breaks in both passes, at different places, settle each other.
  const Assembly a = Assemble({"AB.DEF$", "ABCD.F$"});
  EXPECT_TRUE(a.exact);
  EXPECT_EQ(Records(a), "ABCDEF");
  // A refusal that did not move the reader: the pass with it is as long as the records.
  EXPECT_TRUE(Assemble({"ABC.DEF$", "ABCDEF$"}).exact);
  EXPECT_EQ(Records(Assemble({"ABC.DEF$", "ABCDEF$"})), "ABCDEF");
}

TEST(RecordAssembly, BreaksAtTheSamePlaceStayInDoubt) {
  // Every pass broke before the same record: whether there is one more stays unknown.
  const Assembly a = Assemble({"AB.CD$", "AB.CD$", "AB.CD$"});
  EXPECT_FALSE(a.exact);
  EXPECT_FALSE(a.inDoubt.empty());
}

TEST(RecordAssembly, EndAfterABreakLeavesTheCountInDoubt) {
  // The reply before the end was damaged: there may be one more record.
  const Assembly a = Assemble({"ABC.$"});
  EXPECT_FALSE(a.exact);
  EXPECT_FALSE(a.count.has_value() && *a.count == 3 && a.inDoubt.empty());
  // The next pass settles it.
  const Assembly healed = Assemble({"ABC.$", "ABCD$"});
  EXPECT_TRUE(healed.exact);
  EXPECT_EQ(healed.count, 4u);
}

TEST(RecordAssembly, PassWithoutItsEndSettlesNothingBeyondIt) {
  const Assembly a = Assemble({"ABC"});
  EXPECT_FALSE(a.exact);
  EXPECT_FALSE(a.count.has_value());
  EXPECT_TRUE(Assemble({"ABC", "ABCD$"}).exact);
}

TEST(RecordAssembly, PassesThatDisagreeAreAContradiction) {
  const Assembly a = Assemble({"ABCD$", "ABXD$"});
  EXPECT_FALSE(a.exact);
  EXPECT_TRUE(a.contradiction);
  // A pass that ended early against one that went on.
  EXPECT_FALSE(Assemble({"ABC$", "ABCD$"}).exact);
}

TEST(RecordAssembly, BytesLeftOverSplitAPass) {
  // Stale bytes between replies join nothing across them, but C came third and follows two
  // records: it stands third.
  EXPECT_TRUE(Assemble({"AB|CD$"}).exact);
  // After a break as well, C may stand second or third.
  EXPECT_FALSE(Assemble({"A.|CD$"}).exact);
  EXPECT_TRUE(Assemble({"A.|CD$", "ABCD$"}).exact);
}

TEST(RecordAssembly, VerifiedReadNeedsEveryRecordTwice) {
  EXPECT_FALSE(Assemble({"ABCD$"}, 2).exact);
  EXPECT_TRUE(Assemble({"ABCD$", "ABCD$"}, 2).exact);
  // A record seen once only, behind a break in the other pass.
  EXPECT_FALSE(Assemble({"ABCD$", "AB.D$"}, 2).exact);
  EXPECT_TRUE(Assemble({"ABCD$", "AB.D$", "ABCD$"}, 2).exact);
}

TEST(RecordAssembly, RecordsInDoubtAreNamedByPosition) {
  const Assembly a = Assemble({"AB..EF$"});
  ASSERT_FALSE(a.exact);
  ASSERT_FALSE(a.inDoubt.empty());
  for (const std::size_t position : a.inDoubt) EXPECT_GE(position, 3u);
}

// Passes over a reader holding `truth`, each reply as a noisy line may give it: the record,
// a break that moved the pointer or not, or stale bytes; a pass may stop before its end.
PassLog RandomPass(const std::string& truth, std::mt19937& rng) {
  PassLog pass;
  std::size_t pointer = 0;
  std::uniform_int_distribution<int> action(0, 9);
  for (int reply = 0; reply < 64; ++reply) {
    const int a = action(rng);
    if (a == 9 && reply > 0) return pass;  // the pass was given up
    if (a == 8) {
      pass.Split();
      continue;
    }
    const bool damaged = a >= 6;
    if (!damaged) {
      if (pointer == truth.size()) {
        pass.End();
        return pass;
      }
      pass.Record(std::string(1, truth[pointer++]));
    } else {
      pass.Break();
      if (a == 6 && pointer < truth.size()) ++pointer;  // the reader moved on
    }
  }
  return pass;
}

// Whatever the passes, an exact assembly is the reader's records, in order.
TEST(RecordAssembly, ExactOnlyWhenRight) {
  std::mt19937 rng(20261209);
  int exact = 0;
  for (int run = 0; run < 20000; ++run) {
    std::string truth;
    const int length = std::uniform_int_distribution<int>(0, 8)(rng);
    // Few letters, so that records repeat and a misplaced run can still fit.
    for (int i = 0; i < length; ++i) truth += static_cast<char>('A' + rng() % 3);
    std::vector<PassLog> passes;
    const int count = std::uniform_int_distribution<int>(1, 3)(rng);
    for (int i = 0; i < count; ++i) passes.push_back(RandomPass(truth, rng));
    const std::size_t needed = rng() % 4 == 0 ? 2 : 1;
    const Assembly a = AssembleRecords(passes, needed);
    if (!a.exact) continue;
    ++exact;
    ASSERT_EQ(a.count, truth.size()) << "run " << run;
    ASSERT_GE(a.records.size(), truth.size()) << "run " << run;
    for (std::size_t i = 0; i < truth.size(); ++i) {
      ASSERT_TRUE(a.records[i].has_value()) << "run " << run;
      ASSERT_EQ(*a.records[i], std::string(1, truth[i])) << "run " << run << " position " << i;
    }
  }
  // The property says something only if many runs came out exact.
  EXPECT_GT(exact, 2000);
}

}  // namespace
}  // namespace tagline::database
