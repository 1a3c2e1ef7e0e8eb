// SPDX-License-Identifier: Apache-2.0
// The profile's text: what a person reads and edits, and what comes back from it.
#include "reader/config_profile.h"

#include <gtest/gtest.h>

namespace tagline::reader {
namespace {

ConfigProfile Sample() {
  ConfigProfile profile;
  profile.version = "KTR H9 V4.30054";
  profile.model = "KtrH9V42";
  profile.saved = "2026-12-09 17:05:31";
  profile.entries = {{ParameterKind::Selection, "Buzzer", "Buzzer on"},
                     {ParameterKind::Numeric, "TurnOffTime  ", "Off"},
                     {ParameterKind::Numeric, "TurnOffTime", "12"},
                     {ParameterKind::AlgorithmMask, "Tag Types", "HDX, FDX-B"}};
  profile.notReadBack = {{"Serial Number", "belongs to this one reader"}};
  profile.factoryDefault = {{"language", "deutsch"}, {"serial", "none"}};
  return profile;
}

TEST(ConfigProfileText, ComesBackAsItWasWithNamesThatDifferInTrailingBlanks) {
  const ConfigProfile profile = Sample();
  const std::string text = ProfileText(profile);
  EXPECT_NE(text.find("\nBuzzer = Buzzer on\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n\"TurnOffTime  \" = Off\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n[tag types]\nTag Types = HDX, FDX-B\n"), std::string::npos) << text;
  const ProfileParse parse = ParseProfile(text);
  ASSERT_TRUE(parse.profile) << parse.error;
  EXPECT_EQ(parse.profile->version, profile.version);
  EXPECT_EQ(parse.profile->model, profile.model);
  EXPECT_EQ(parse.profile->saved, profile.saved);
  EXPECT_EQ(parse.profile->entries, profile.entries);
  EXPECT_EQ(parse.profile->notReadBack, profile.notReadBack);
  EXPECT_EQ(parse.profile->factoryDefault, profile.factoryDefault);
  ASSERT_NE(parse.profile->Find(ParameterKind::Numeric, "TurnOffTime"), nullptr);
  EXPECT_EQ(parse.profile->Find(ParameterKind::Numeric, "TurnOffTime")->value, "12");
}

TEST(ConfigProfileText, ValuesThatWouldBeMisreadAreQuoted) {
  ConfigProfile profile = Sample();
  profile.entries = {{ParameterKind::Selection, "Delimiter", " = "},
                     {ParameterKind::Selection, "Quote", "say \"hi\""},
                     {ParameterKind::Selection, "Empty", ""},
                     {ParameterKind::Selection, "Comment", "; not one"}};
  const ProfileParse parse = ParseProfile(ProfileText(profile));
  ASSERT_TRUE(parse.profile) << parse.error;
  EXPECT_EQ(parse.profile->entries, profile.entries);
}

TEST(ConfigProfileText, AReaderVersionCannotStartALineOfItsOwn) {
  ConfigProfile profile = Sample();
  profile.version = "V4.3\n[numeric]\nTurnOffTime = 1";
  const std::string text = ProfileText(profile);
  const ProfileParse parse = ParseProfile(text);
  ASSERT_TRUE(parse.profile) << parse.error;
  EXPECT_EQ(parse.profile->version, "V4.3\\x0a[numeric]\\x0aTurnOffTime = 1");
  EXPECT_EQ(parse.profile->Find(ParameterKind::Numeric, "TurnOffTime")->value, "12");
}

TEST(ConfigProfileText, HandEditedFilesWithCommentsBlanksCrLfAndABom) {
  const ProfileParse parse = ParseProfile(
      "\xEF\xBB\xBF; mine\r\n[reader]\r\nmodel = B20\r\n\r\n# the beeper\r\n[selection]\r\n"
      "  Buzzer   =   Buzzer off  \r\n");
  ASSERT_TRUE(parse.profile) << parse.error;
  EXPECT_EQ(parse.profile->model, "B20");
  ASSERT_EQ(parse.profile->entries.size(), 1u);
  EXPECT_EQ(parse.profile->entries[0].value, "Buzzer off");
}

TEST(ConfigProfileText, MistakesAreNamedWithTheirLine) {
  const auto error = [](std::string_view text) { return ParseProfile(text).error; };
  EXPECT_EQ(error("[reader]\nmodel = B20\n[selection]\nBuzzer\n"), "line 4: no \"name = value\"");
  EXPECT_EQ(error("[reader]\n[colours]\n"), "line 2: unknown section [colours]");
  EXPECT_EQ(error("[numeric]\nTimeout1 = 1\nTimeout1 = 2\n"),
            "line 3: \"Timeout1\" is given twice");
  EXPECT_EQ(error("Buzzer = on\n"), "line 1: \"Buzzer\" before the first section");
  EXPECT_EQ(error("[selection]\n\"Buzzer = on\n"), "line 2: no \"name = value\"");
  EXPECT_EQ(error("[factory default]\ncolour = red\n").substr(0, 7), "line 2:");
  EXPECT_EQ(error("[tag types]\nTypes = HDX\n"), "line 2: the tag types are named \"Tag Types\"");
  EXPECT_FALSE(ParseProfile("[selection]\nBuzzer = on\n").error.size());
}

TEST(ConfigProfileText, ModelsByTheirNames) {
  EXPECT_EQ(ModelByName("B20"), protocol::ReaderModel::B20);
  EXPECT_EQ(ModelByName("KtrH9V43Build54"), protocol::ReaderModel::KtrH9V43Build54);
  EXPECT_FALSE(ModelByName("b20"));
  EXPECT_FALSE(ModelByName("Invalid"));
}

}  // namespace
}  // namespace tagline::reader
