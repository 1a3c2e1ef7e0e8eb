// SPDX-License-Identifier: Apache-2.0
#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

#include "platform/crt.h"
#include "temp_dir.h"

namespace tagline::platform {
namespace {

namespace fs = std::filesystem;

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

IniFile LoadText(const TempDir& dir, const std::string& text) {
  WriteBytes(dir.File("t.ini"), text);
  IniFile ini;
  EXPECT_TRUE(ini.Load(dir.File("t.ini")));
  return ini;
}

TEST(IniFileRead, SectionsAndKeysIgnoreAsciiCaseAndStayInTheirSection) {
  TempDir dir;
  const IniFile ini = LoadText(dir, "top=0\n[com]\nPORT=COM3\r\n[Other]\r\nbaud=1\nport=X");
  EXPECT_EQ(ini.Get("COM", "port"), "COM3");
  EXPECT_EQ(ini.Get(" Com ", "Port"), "COM3");
  EXPECT_EQ(ini.Get("OTHER", "PORT"), "X");  // last line without a line end
  EXPECT_EQ(ini.Get("COM", "baud"), "");
  EXPECT_EQ(ini.Get("COM", "top"), "");
  EXPECT_EQ(ini.Get("missing", "port"), "");
}

TEST(IniFileRead, ValuesAreTrimmedAndLoseOnePairOfMatchingQuotes) {
  TempDir dir;
  const IniFile ini = LoadText(dir,
                               "[s]\r\na =  \"  x \"  \r\nb='y'\r\nc=\"z'\r\nd=\"\"\r\ne=\"\r\n"
                               "f=\"\"q\"\"\r\ng\r\nh=a=b\r\n; k=comment\r\n");
  EXPECT_EQ(ini.Get("s", "a"), "  x ");
  EXPECT_EQ(ini.Get("s", "b"), "y");
  EXPECT_EQ(ini.Get("s", "c"), "\"z'");
  EXPECT_EQ(ini.Get("s", "d"), "");
  EXPECT_EQ(ini.Get("s", "e"), "\"");
  EXPECT_EQ(ini.Get("s", "f"), "\"q\"");
  EXPECT_EQ(ini.Get("s", "g"), "");
  EXPECT_EQ(ini.Get("s", "h"), "a=b");
  EXPECT_EQ(ini.Get("s", "; k"), "");
}

TEST(IniFileRead, HighBytesAreNeitherFoldedNorChanged) {
  TempDir dir;
  const IniFile ini = LoadText(dir, "[s]\r\n\xC4=upper\r\nv=\xE4\xDF\xA0\x80\r\n");
  EXPECT_EQ(ini.Get("s", "\xC4"), "upper");
  EXPECT_EQ(ini.Get("s", "\xE4"), "");
  EXPECT_EQ(ini.Get("s", "v"), "\xE4\xDF\xA0\x80");  // 0xA0 is no blank to trim
}

TEST(IniFileRead, Utf8ByteOrderMarkDoesNotHideTheFirstSection) {
  TempDir dir;
  const IniFile ini = LoadText(dir, "\xEF\xBB\xBF[COM]\r\nport=COM3\r\n[TEST]\r\nsend=x\r\n");
  EXPECT_EQ(ini.Get("COM", "port"), "COM3");
  EXPECT_EQ(ini.Get("TEST", "send"), "x");
}

TEST(IniFileRead, ByteOrderMarkOnlyCountsAtTheStart) {
  TempDir dir;
  const IniFile ini = LoadText(dir, "[s]\r\n\xEF\xBB\xBFk=v\r\n\xEF\xBB\xBF[t]\r\nk=w\r\n");
  EXPECT_EQ(ini.Get("s", "\xEF\xBB\xBFk"), "v");
  // Behind a mark in the middle of the file "[t]" is no section header.
  EXPECT_EQ(ini.Get("t", "k"), "");
  EXPECT_EQ(ini.Get("s", "k"), "w");
}

TEST(IniFileWrite, ByteOrderMarkIsKeptAndTheFirstSectionIsNotAddedTwice) {
  TempDir dir;
  IniFile ini = LoadText(dir, "\xEF\xBB\xBF[COM]\r\nport=COM3\r\n");
  ASSERT_TRUE(ini.Set("COM", "port", "COM4"));
  ASSERT_TRUE(ini.Set("COM", "baudrate", "9600"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(ReadBytes(dir.File("t.ini")), "\xEF\xBB\xBF[COM]\r\nport=COM4\r\nbaudrate=9600\r\n");

  // A file holding nothing but the mark keeps it in front of what is added.
  WriteBytes(dir.File("t.ini"), "\xEF\xBB\xBF");
  ASSERT_TRUE(WritePrivateProfileString("COM", "port", "COM1", dir.File("t.ini")));
  EXPECT_EQ(ReadBytes(dir.File("t.ini")), "\xEF\xBB\xBF[COM]\r\nport=COM1\r\n");
  EXPECT_EQ(GetPrivateProfileString("COM", "port", dir.File("t.ini")), "COM1");
}

TEST(IniFileWrite, FileWithoutByteOrderMarkGetsNone) {
  TempDir dir;
  IniFile ini = LoadText(dir, "[COM]\r\nport=COM3\r\n");
  ASSERT_TRUE(ini.Set("COM", "port", "\xEF\xBB\xBF"));
  EXPECT_EQ(ini.Text(), "[COM]\r\nport=\xEF\xBB\xBF\r\n");
}

TEST(IniFileWrite, ReadOnlyFileIsNotSaved) {
  TempDir dir;
  IniFile ini = LoadText(dir, "[COM]\r\nport=COM3\r\n");
  fs::permissions(dir.File("t.ini"), fs::perms::owner_read | fs::perms::group_read);
  ASSERT_TRUE(ini.Set("COM", "port", "COM4"));
  EXPECT_FALSE(ini.Save());
  EXPECT_FALSE(WritePrivateProfileString("COM", "port", "COM5", dir.File("t.ini")));
  EXPECT_EQ(ReadBytes(dir.File("t.ini")), "[COM]\r\nport=COM3\r\n");
}

TEST(IniFileLoad, MissingFileIsEmptyAndUnreadableFileFails) {
  TempDir dir;
  IniFile ini;
  EXPECT_TRUE(ini.Load(dir.File("none.ini")));
  EXPECT_EQ(ini.Text(), "");
  fs::create_directory(dir.File("sub.ini"));
  EXPECT_FALSE(ini.Load(dir.File("sub.ini")));
}

TEST(IniFileWrite, EditsOnlyTheLinesItSetsAndEndsEveryLineInCrLf) {
  TempDir dir;
  IniFile ini = LoadText(dir,
                         "; head\n[COM]\n  Port = COM1 \nport=second\n\n[Extra]\nfoo = \xE9t\xE9\n"
                         "[ONLINE]\n; only a comment\n\n");
  ASSERT_TRUE(ini.Set("com", "PORT", "COM9"));
  ASSERT_TRUE(ini.Set("COM", "baudrate", "9600"));
  ASSERT_TRUE(ini.Set("online", "online", "1"));
  ASSERT_TRUE(ini.Set("DB", "db", "0"));
  ASSERT_TRUE(ini.Save());
  EXPECT_EQ(ReadBytes(dir.File("t.ini")),
            "; head\r\n[COM]\r\nPort=COM9\r\nport=second\r\nbaudrate=9600\r\n\r\n[Extra]\r\n"
            "foo = \xE9t\xE9\r\n[ONLINE]\r\n; only a comment\r\nonline=1\r\n\r\n[DB]\r\ndb=0\r\n");
}

TEST(IniFileWrite, RefusesWhatTheFormatCannotCarry) {
  IniFile ini;
  EXPECT_FALSE(ini.Set("s", "k", "two\r\nlines"));
  EXPECT_FALSE(ini.Set("s", "k", "x\ny"));
  EXPECT_FALSE(ini.Set("s", "a=b", "v"));
  EXPECT_FALSE(ini.Set("s", "[k", "v"));
  EXPECT_FALSE(ini.Set("s", ";k", "v"));
  EXPECT_FALSE(ini.Set("s", " ", "v"));
  EXPECT_FALSE(ini.Set("a]b", "k", "v"));
  EXPECT_FALSE(ini.Set("", "k", "v"));
  EXPECT_EQ(ini.Text(), "");
  EXPECT_FALSE(ini.Save());  // nothing loaded, so no path to save to
}

TEST(PrivateProfile, CreatesTheFileOnFirstWriteAndReadsBack) {
  TempDir dir;
  const std::string path = dir.File("Tagline_Console.ini");
  EXPECT_EQ(GetPrivateProfileString("COM", "port", path), "");
  ASSERT_TRUE(WritePrivateProfileString("COM", "port", "COM4", path));
  ASSERT_TRUE(WritePrivateProfileString("TEST", "send", " \"x\" ", path));
  EXPECT_EQ(ReadBytes(path), "[COM]\r\nport=COM4\r\n[TEST]\r\nsend= \"x\" \r\n");
  EXPECT_EQ(GetPrivateProfileString("com", "PORT", path), "COM4");
  EXPECT_EQ(GetPrivateProfileString("TEST", "send", path), "x");
  EXPECT_FALSE(WritePrivateProfileString("COM", "port", "COM1", dir.File("no/such.ini")));
}

TEST(PrivateProfile, ValueIsCutToWhatA260CharacterBufferHolds) {
  TempDir dir;
  const std::string path = dir.File("t.ini");
  const std::string longValue(300, 'v');
  ASSERT_TRUE(WritePrivateProfileString("s", "k", longValue, path));
  EXPECT_EQ(GetPrivateProfileString("s", "k", path), longValue.substr(0, kMaxProfileValue));
  IniFile ini;
  ASSERT_TRUE(ini.Load(path));
  EXPECT_EQ(ini.Get("s", "k"), longValue);
}

TEST(Atol32, ParsesLikeAtolOnA32BitLong) {
  EXPECT_EQ(Atol32("9600"), 9600);
  EXPECT_EQ(Atol32(" \t\r\n\v\f-17x"), -17);
  EXPECT_EQ(Atol32("+5"), 5);
  EXPECT_EQ(Atol32("007"), 7);
  EXPECT_EQ(Atol32("1 2"), 1);
  EXPECT_EQ(Atol32("1.5"), 1);
  for (const char* garbage : {"", " ", "abc", "-", "+-3", "0x1A",
                              "\xA0"
                              "5",
                              "--1"}) {
    EXPECT_EQ(Atol32(garbage), 0) << garbage;
  }
  EXPECT_EQ(Atol32(std::string_view("12\0"
                                    "3",
                                    4)),
            12);
}

TEST(Atol32, SaturatesOutOfRange) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(Atol32("2147483647"), kMax);
  EXPECT_EQ(Atol32("2147483648"), kMax);
  EXPECT_EQ(Atol32("-2147483648"), kMin);
  EXPECT_EQ(Atol32("-2147483649"), kMin);
  EXPECT_EQ(Atol32("99999999999999999999999999"), kMax);
  EXPECT_EQ(Atol32("-99999999999999999999999999"), kMin);
}

TEST(FormatInt, MatchesPercentI) {
  for (const std::int32_t value : {0, -1, 9600, std::numeric_limits<std::int32_t>::min(),
                                   std::numeric_limits<std::int32_t>::max()}) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "%i", value);
    EXPECT_EQ(FormatInt(value), expected);
  }
}

}  // namespace
}  // namespace tagline::platform
