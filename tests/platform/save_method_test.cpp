// SPDX-License-Identifier: Apache-2.0
#include "platform/save_method.h"

#include <gtest/gtest.h>

#include <string>

namespace tagline::platform {
namespace {

SaveTarget Existing(bool regular, bool writable, std::uint64_t links) {
  SaveTarget target;
  target.exists = true;
  target.regularFile = regular;
  target.writable = writable;
  target.linkCount = links;
  return target;
}

TEST(SaveMethod, PlainWritableFilesAndNewFilesAreReplaced) {
  EXPECT_EQ(ChooseSaveMethod(SaveTarget{}), SaveMethod::kReplace);
  EXPECT_EQ(ChooseSaveMethod(Existing(true, true, 1)), SaveMethod::kReplace);
}

TEST(SaveMethod, FilesWithSeveralNamesAreWrittenInPlace) {
  EXPECT_EQ(ChooseSaveMethod(Existing(true, true, 2)), SaveMethod::kInPlace);
  EXPECT_EQ(ChooseSaveMethod(Existing(true, true, 40)), SaveMethod::kInPlace);
}

TEST(SaveMethod, ReadOnlyAndSpecialFilesAreRefused) {
  EXPECT_EQ(ChooseSaveMethod(Existing(true, false, 1)), SaveMethod::kRefuseReadOnly);
  EXPECT_EQ(ChooseSaveMethod(Existing(true, false, 3)), SaveMethod::kRefuseReadOnly);
  EXPECT_EQ(ChooseSaveMethod(Existing(false, true, 1)), SaveMethod::kRefuseNotRegular);
  EXPECT_EQ(ChooseSaveMethod(Existing(false, false, 2)), SaveMethod::kRefuseNotRegular);
}

TEST(SaveMethod, RefusalsReportTheirReasonAndWritingMethodsNone) {
  const auto readOnly = RefusedSave(SaveMethod::kRefuseReadOnly);
  ASSERT_TRUE(readOnly);
  EXPECT_EQ(readOnly->status, SaveStatus::kReadOnly);
  EXPECT_FALSE(readOnly->ok());
  EXPECT_NE(readOnly->error, "");
  const auto special = RefusedSave(SaveMethod::kRefuseNotRegular);
  ASSERT_TRUE(special);
  EXPECT_EQ(special->status, SaveStatus::kNotRegularFile);
  EXPECT_FALSE(special->ok());
  EXPECT_NE(special->error, "");
  EXPECT_FALSE(RefusedSave(SaveMethod::kReplace));
  EXPECT_FALSE(RefusedSave(SaveMethod::kInPlace));
}

TEST(TempFileName, ShortNamesAreKeptWhole) {
  EXPECT_EQ(TempFileName("t.ini", ".tmp12-0", 255), "t.ini.tmp12-0");
  EXPECT_EQ(TempFileName("t.ini", ".tmp12-0", 13), "t.ini.tmp12-0");
}

TEST(TempFileName, LongNamesAreCutToTheLimitKeepingTheSuffix) {
  const std::string base(255, 'n');
  const std::string name = TempFileName(base, ".tmp4711-3", 255);
  EXPECT_EQ(name.size(), 255u);
  EXPECT_EQ(name, std::string(245, 'n') + ".tmp4711-3");
  EXPECT_EQ(TempFileName("abcdef", ".tmp1-1", 9), "ab.tmp1-1");
}

TEST(TempFileName, CutDoesNotSplitAUtf8Character) {
  // "ä" is C3 A4; a cut between its two bytes drops the character.
  EXPECT_EQ(TempFileName("ab\xC3\xA4", "-t", 5), "ab-t");
  EXPECT_EQ(TempFileName("ab\xC3\xA4", "-t", 6), "ab\xC3\xA4-t");
  // "€" is E2 82 AC.
  EXPECT_EQ(TempFileName("a\xE2\x82\xAC", "-t", 5), "a-t");
  EXPECT_EQ(TempFileName("a\xE2\x82\xAC", "-t", 6), "a\xE2\x82\xAC-t");
  // A lone Windows-1252 "ä" (E4) would start a three-byte sequence, so it goes as well.
  EXPECT_EQ(TempFileName("b\xE4r", "-t", 4), "b-t");
}

}  // namespace
}  // namespace tagline::platform
