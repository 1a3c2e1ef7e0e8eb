// SPDX-License-Identifier: Apache-2.0
#include "app/settings_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/settings_path.h"
#include "platform/comm.h"
#include "platform/current_directory.h"
#include "temp_dir.h"

namespace tagline::app {
namespace {

namespace fs = std::filesystem;

using test::ReadBytes;
using test::WriteBytes;

// A fresh folder for one settings file.
class SettingsDir : public test::TempDir {
 public:
  SettingsDir() : test::TempDir("tagline-settings") {}
  std::string Ini() const { return File("Tagline_Console.ini"); }
};

AppSettings LoadFrom(const SettingsDir& dir, const std::string& text) {
  WriteBytes(dir.Ini(), text);
  return LoadSettings(dir.Ini());
}

// The keys of the settings file, section by section, in the order they are saved.
std::vector<std::pair<std::string, std::vector<std::string>>> SavedKeys() {
  std::vector<std::string> com = {"port",   "baudrate", "databits", "stopbits",
                                  "parity", "CTS",      "RTS",      "protocol"};
  for (const char* prefix : {"add_start_", "add_end_", "replace_from_", "replace_to_"}) {
    for (int i = 1; i <= 5; ++i) com.push_back(prefix + std::to_string(i));
  }
  for (const char* flag : {"invert", "hex2dez", "8hex28dez", "hex210dez", "hex210dezmotorola",
                           "hex2left8hex", "hex2left8hex2dez", "hex2iso", "hex2bde"}) {
    com.push_back(flag);
  }
  return {{"COM", com},
          {"TEST", {"send"}},
          {"DB", {"db", "read_path", "write_path"}},
          {"CONFIG", {"config", "time", "onltyp", "fragmentation", "beeper", "showbadframe"}},
          {"ONLINE", {"online", "double_codes", "keyboard_sim_prot_path"}}};
}

TEST(SettingsFile, NoFileGivesDefaultsAndTheFirstSaveWritesEveryKey) {
  SettingsDir dir;
  const AppSettings loaded = LoadSettings(dir.Ini());
  EXPECT_EQ(loaded, AppSettings{});
  EXPECT_EQ(loaded.port, "");
  EXPECT_EQ(loaded.baudrate, 9600) << "a first start's line: 9600 8N1";
  EXPECT_EQ(loaded.databits, 8);
  EXPECT_EQ(loaded.parity, platform::kNoParity);
  EXPECT_EQ(loaded.stopbits, platform::kOneStopBit);
  const StartMode mode = ChooseStartMode(loaded.db, loaded.config, loaded.online);
  EXPECT_EQ(mode.db + mode.config + mode.online, 0);

  ASSERT_TRUE(SaveSettings(loaded, dir.Ini()));
  std::string expected;
  for (const auto& [section, keys] : SavedKeys()) {
    expected += "[" + section + "]\r\n";
    for (const auto& key : keys) {
      std::string value;
      if (key == "stopbits")
        value = "1";
      else if (key == "baudrate")
        value = "9600";
      else if (key == "databits")
        value = "8";
      else if (key == "parity")
        value = "None";
      else if (key.starts_with("add_") || key.starts_with("replace_"))
        value = "\"\"";
      else if (key == "port" || key == "send" || key.ends_with("path") ||
               key.find("hex") != std::string::npos || key == "invert")
        value = "";
      else
        value = "0";
      expected += key + "=" + value + "\r\n";
    }
  }
  EXPECT_EQ(ReadBytes(dir.Ini()), expected);
  EXPECT_EQ(LoadSettings(dir.Ini()), loaded);
}

TEST(SettingsFile, EveryValueSurvivesSaveAndLoad) {
  SettingsDir dir;
  AppSettings s;
  s.port = "COM12";
  s.baudrate = 115200;
  s.databits = 7;
  s.stopbits = 1;
  s.parity = 4;
  s.CTS = 1;
  s.RTS = -3;
  s.protocol = 2;
  for (std::size_t i = 0; i < 5; ++i) {
    s.addStart[i] = " <cr>" + std::to_string(i);
    s.addEnd[i] = "end " + std::to_string(i) + " ";
    s.replaceFrom[i] = std::string(1, static_cast<char>('a' + i));
    s.replaceTo[i] = i == 2 ? "" : "\xE4\xF6";
  }
  s.invert = "1";
  s.hex2dez = "0";
  s.hex8ToDec8 = "1";
  s.hex210dez = "x";
  s.hex2bde = "1";
  s.send = "SV";
  s.db = 1;
  s.read_path = "C:\\data\\tags.xml";
  s.write_path = "C:\\data\\out.dat";
  s.config = 0;
  s.time = 1;
  s.onltyp = 3;
  s.fragmentation = 5;
  s.beeper = 1;
  s.showbadframe = std::numeric_limits<std::int32_t>::min();
  s.online = 2;
  s.double_codes = true;
  s.keyboard_sim_prot_path = "C:\\KeyboardSimProt.csv";
  ASSERT_TRUE(SaveSettings(s, dir.Ini()));
  EXPECT_NE(ReadBytes(dir.Ini()).find("add_start_1=\" <cr>0\"\r\n"), std::string::npos);
  EXPECT_EQ(LoadSettings(dir.Ini()), s);
}

TEST(SettingsFile, StopBitsAndParityTextsMapToTheirCodes) {
  SettingsDir dir;
  const std::vector<std::pair<std::string, int>> stopBits = {{"1.5", 1}, {"2", 2}, {"1", 0},
                                                             {"one", 0}, {"", 0},  {"1.52", 2}};
  for (const auto& [text, code] : stopBits) {
    EXPECT_EQ(LoadFrom(dir, "[COM]\r\nstopbits=" + text + "\r\n").stopbits, code) << text;
  }
  const std::vector<std::pair<std::string, int>> parity = {
      {"Odd", 1},  {"odd", 0},      {"EvenMark", 2}, {"MarkSpace", 3}, {"Space", 4},
      {"None", 0}, {"OddSpace", 1}, {"EVEN", 0},     {"Mark", 3},      {"xEvenx", 2}};
  for (const auto& [text, code] : parity) {
    EXPECT_EQ(LoadFrom(dir, "[COM]\r\nparity=" + text + "\r\n").parity, code) << text;
  }

  AppSettings s;
  s.stopbits = 7;
  s.parity = 9;
  ASSERT_TRUE(SaveSettings(s, dir.Ini()));
  const std::string file = ReadBytes(dir.Ini());
  EXPECT_NE(file.find("stopbits=1\r\n"), std::string::npos);
  EXPECT_NE(file.find("parity=None\r\n"), std::string::npos);
}

TEST(SettingsFile, NumbersAndFlagsReadLikeTheirControls) {
  SettingsDir dir;
  const AppSettings s =
      LoadFrom(dir,
               "[COM]\r\nbaudrate=9600abc\r\ndatabits = 8\r\nprotocol=two\r\nCTS=99999999999\r\n"
               "hex2dez= 1 \r\n[ONLINE]\r\ndouble_codes=01\r\n[DB]\r\nread_path=" +
                   std::string(300, 'r') + "\r\n");
  EXPECT_EQ(s.baudrate, 9600);
  EXPECT_EQ(s.databits, 8);
  EXPECT_EQ(s.protocol, 0);
  EXPECT_EQ(s.CTS, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(s.hex2dez, "1");
  EXPECT_FALSE(s.double_codes);
  EXPECT_EQ(s.read_path, std::string(259, 'r'));
  EXPECT_TRUE(LoadFrom(dir, "[online]\r\nDOUBLE_CODES=1\r\n").double_codes);
}

TEST(SettingsFile, KeyboardTextsLoseEveryDoubleQuote) {
  SettingsDir dir;
  AppSettings s;
  s.addStart[0] = " <cr>";
  s.addEnd[4] = "say \"hi\"";
  s.replaceTo[1] = "\"";
  ASSERT_TRUE(SaveSettings(s, dir.Ini()));
  const AppSettings loaded = LoadSettings(dir.Ini());
  EXPECT_EQ(loaded.addStart[0], " <cr>");
  EXPECT_EQ(loaded.addEnd[4], "say hi");
  EXPECT_EQ(loaded.replaceTo[1], "");
  // Plain texts are not subject to it.
  EXPECT_EQ(LoadFrom(dir, "[TEST]\r\nsend=a\"b\r\n").send, "a\"b");
}

TEST(SettingsFile, SaveKeepsTheAccessCodeCommentsAndForeignSections) {
  SettingsDir dir;
  const std::string before =
      "; settings\r\n[com]\r\nPort = COM7\r\n\r\n[Extra]\r\nfoo = b\xE4r\r\n"
      "[ACCESS]\r\ncode = ABCDEFGH47xyz \r\n";
  AppSettings s = LoadFrom(dir, before);
  EXPECT_EQ(s.port, "COM7");
  EXPECT_EQ(s.code, "ABCDEFGH47xyz");
  EXPECT_TRUE(FactoryDefaultAllowed(s.code));
  s.port = "COM2";
  s.code = "changed in memory";
  ASSERT_TRUE(SaveSettings(s, dir.Ini()));

  const std::string after = ReadBytes(dir.Ini());
  EXPECT_TRUE(after.starts_with("; settings\r\n[com]\r\nPort=COM2\r\nbaudrate=9600\r\n"));
  EXPECT_NE(after.find("\r\n\r\n[Extra]\r\nfoo = b\xE4r\r\n[ACCESS]\r\ncode = ABCDEFGH47xyz \r\n"),
            std::string::npos);
  EXPECT_EQ(after.find("port="), std::string::npos);  // replaced, not added a second time
  for (std::size_t i = after.find('\n'); i != std::string::npos; i = after.find('\n', i + 1)) {
    ASSERT_GT(i, 0u);
    EXPECT_EQ(after[i - 1], '\r');
  }
  EXPECT_EQ(LoadSettings(dir.Ini()).code, "ABCDEFGH47xyz");
}

TEST(SettingsFile, SaveRefusesUnreadableFilesAndReportsUnstorableValues) {
  SettingsDir dir;
  fs::create_directory(dir.Ini());
  EXPECT_FALSE(SaveSettings(AppSettings{}, dir.Ini()));
  fs::remove(dir.Ini());

  WriteBytes(dir.Ini(), "[TEST]\r\nsend=old\r\n");
  AppSettings s;
  s.port = "COM5";
  s.send = "two\r\nlines";
  EXPECT_FALSE(SaveSettings(s, dir.Ini()));
  const AppSettings loaded = LoadSettings(dir.Ini());
  EXPECT_EQ(loaded.send, "old");
  EXPECT_EQ(loaded.port, "COM5");
  EXPECT_EQ(fs::directory_iterator(dir.path())->path().filename(), "Tagline_Console.ini");
}

TEST(SettingsFile, ByteOrderMarkFromAnEditorKeepsTheFirstSectionReadable) {
  SettingsDir dir;
  AppSettings s = LoadFrom(dir, "\xEF\xBB\xBF[COM]\r\nport=COM6\r\nbaudrate=19200\r\n");
  EXPECT_EQ(s.port, "COM6");
  EXPECT_EQ(s.baudrate, 19200);
  s.port = "COM8";
  ASSERT_TRUE(SaveSettings(s, dir.Ini()));

  const std::string after = ReadBytes(dir.Ini());
  EXPECT_TRUE(after.starts_with("\xEF\xBB\xBF[COM]\r\nport=COM8\r\nbaudrate=19200\r\n"));
  EXPECT_EQ(after.find("[COM]"), after.rfind("[COM]"));  // not appended a second time
  EXPECT_EQ(after.find("\xEF\xBB\xBF"), after.rfind("\xEF\xBB\xBF"));
  EXPECT_EQ(LoadSettings(dir.Ini()).port, "COM8");
}

TEST(SettingsFile, ReadOnlyFileIsNotSavedAndStaysAsItWas) {
  SettingsDir dir;
  const std::string before = "[COM]\r\nport=COM3\r\n";
  WriteBytes(dir.Ini(), before);
  ASSERT_EQ(::chmod(dir.Ini().c_str(), 0444), 0);
  AppSettings s = LoadSettings(dir.Ini());
  s.port = "COM4";
  EXPECT_FALSE(SaveSettings(s, dir.Ini()));
  EXPECT_EQ(ReadBytes(dir.Ini()), before);
  EXPECT_EQ(fs::directory_iterator(dir.path())->path().filename(), "Tagline_Console.ini");
}

TEST(SettingsDerived, AccessCodeNeedsFortySevenAtCharactersNineAndTen) {
  EXPECT_TRUE(FactoryDefaultAllowed("ABCDEFGH47"));
  EXPECT_TRUE(FactoryDefaultAllowed("12345678471234"));
  EXPECT_FALSE(FactoryDefaultAllowed("ABCDEFG47X"));
  EXPECT_FALSE(FactoryDefaultAllowed("ABCDEFGHI47"));
  EXPECT_FALSE(FactoryDefaultAllowed("ABCDEFGH4"));
  EXPECT_FALSE(FactoryDefaultAllowed("47"));
  EXPECT_FALSE(FactoryDefaultAllowed(""));
}

TEST(SettingsDerived, LongPathsShowTheirLastEightyCharacters) {
  std::string path = "C:\\";
  while (path.size() < 100) path += static_cast<char>('a' + path.size() % 26);
  EXPECT_EQ(PathDisplayText(path), "..." + path.substr(20));
  EXPECT_EQ(PathDisplayText(path.substr(0, 80)), path.substr(0, 80));
  EXPECT_EQ(PathDisplayText(path.substr(0, 81)), "..." + path.substr(1, 80));
  EXPECT_EQ(PathDisplayText(""), "");
}

TEST(SettingsDerived, FirstShownGroupWins) {
  const auto check = [](int db, int config, int online, StartMode want) {
    const StartMode got = ChooseStartMode(db, config, online);
    EXPECT_EQ(got.db, want.db) << db << config << online;
    EXPECT_EQ(got.config, want.config) << db << config << online;
    EXPECT_EQ(got.online, want.online) << db << config << online;
  };
  check(1, 0, 2, {1, 0, 0});
  check(1, 1, 1, {1, 0, 0});
  check(-1, 0, 0, {1, 0, 0});
  check(0, 1, 2, {0, 1, 0});
  check(0, 0, 2, {0, 0, 2});
  check(0, 0, 1, {0, 0, 1});
  check(0, 0, 5, {0, 0, 1});
  check(0, 0, -1, {0, 0, 0});
  check(0, 0, 0, {0, 0, 0});
}

TEST(SettingsDerived, DbAndOnlineTogetherSaveOnlineAsOff) {
  SettingsDir dir;
  AppSettings s = LoadFrom(dir, "[DB]\r\ndb=1\r\n[ONLINE]\r\nonline=2\r\n");
  const StartMode mode = ChooseStartMode(s.db, s.config, s.online);
  s.db = mode.db;
  s.config = mode.config;
  s.online = mode.online;
  ASSERT_TRUE(SaveSettings(s, dir.Ini()));
  const AppSettings again = LoadSettings(dir.Ini());
  EXPECT_EQ(again.db, 1);
  EXPECT_EQ(again.online, 0);
}

TEST(SettingsPath, JoinsDirectorySeparatorAndFileName) {
  EXPECT_EQ(BuildSettingsPath("C:\\work", "\\", 259).value, "C:\\work\\Tagline_Console.ini");
  EXPECT_EQ(BuildSettingsPath("C:\\", "\\", 259).value, "C:\\Tagline_Console.ini");
  EXPECT_EQ(BuildSettingsPath("/home/op", "/", 4095).value, "/home/op/Tagline_Console.ini");
  EXPECT_EQ(BuildSettingsPath("/", "/", 4095).value, "/Tagline_Console.ini");
  const auto empty = BuildSettingsPath("", "/", 4095);
  EXPECT_FALSE(empty.ok());
  EXPECT_FALSE(empty.error.empty());
}

TEST(SettingsPath, TooLongDirectoryIsRefusedNotCut) {
  const std::string fits = "C:\\" + std::string(236, 'd');  // 239 + 1 + 19 = 259
  EXPECT_EQ(BuildSettingsPath(fits, "\\", 259).value, fits + "\\Tagline_Console.ini");
  const auto refused = BuildSettingsPath(fits + "d", "\\", 259);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.error.find("260"), std::string::npos);
  EXPECT_NE(refused.error.find("259"), std::string::npos);
}

// A directory nested deeper than PATH_MAX, made and entered relative to open descriptors.
class DeepDirectory {
 public:
  DeepDirectory(const std::string& base, std::size_t minLength) {
    savedCwd_ = ::open(".", O_RDONLY | O_DIRECTORY);
    fds_.push_back(::open(base.c_str(), O_RDONLY | O_DIRECTORY));
    for (std::size_t length = base.size(); length <= minLength && fds_.back() >= 0;
         length += name_.size() + 1) {
      ::mkdirat(fds_.back(), name_.c_str(), 0700);
      fds_.push_back(::openat(fds_.back(), name_.c_str(), O_RDONLY | O_DIRECTORY));
    }
    entered_ = savedCwd_ >= 0 && fds_.back() >= 0 && ::fchdir(fds_.back()) == 0;
  }
  ~DeepDirectory() {
    if (savedCwd_ >= 0) {
      if (::fchdir(savedCwd_) != 0) std::abort();
      ::close(savedCwd_);
    }
    for (std::size_t i = fds_.size() - 1; i > 0; --i) {
      if (fds_[i] >= 0) ::close(fds_[i]);
      ::unlinkat(fds_[i - 1], name_.c_str(), AT_REMOVEDIR);
    }
    if (fds_[0] >= 0) ::close(fds_[0]);
  }
  DeepDirectory(const DeepDirectory&) = delete;
  DeepDirectory& operator=(const DeepDirectory&) = delete;

  bool entered() const { return entered_; }

 private:
  const std::string name_ = std::string(200, 'd');
  int savedCwd_ = -1;
  std::vector<int> fds_;
  bool entered_ = false;
};

TEST(SettingsPath, PlatformCurrentDirectoryIsWholeOrAnError) {
  const auto here = BuildSettingsPath();
  ASSERT_TRUE(here.ok()) << here.error;
  EXPECT_EQ(*here.value, (fs::current_path() / "Tagline_Console.ini").string());

  SettingsDir dir;
  DeepDirectory deep(dir.path(), PATH_MAX + 100);
  ASSERT_TRUE(deep.entered());
  const auto cwd = platform::CurrentDirectory();
  if (cwd.path) {
    EXPECT_GT(cwd.path->size(), static_cast<std::size_t>(PATH_MAX));
  } else {
    EXPECT_FALSE(cwd.error.empty());
  }
  const auto refused = BuildSettingsPath();
  EXPECT_FALSE(refused.ok());
  EXPECT_FALSE(refused.error.empty());
}

}  // namespace
}  // namespace tagline::app
