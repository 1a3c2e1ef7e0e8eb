// SPDX-License-Identifier: Apache-2.0
#include "app/settings_file.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/comm.h"
#include "platform/crt.h"
#include "platform/private_profile.h"

namespace tagline::app {

namespace {

constexpr const char* kCom = "COM";
constexpr const char* kTest = "TEST";
constexpr const char* kDb = "DB";
constexpr const char* kConfig = "CONFIG";
constexpr const char* kOnline = "ONLINE";
constexpr const char* kAccess = "ACCESS";
constexpr const char* kWindow = "WINDOW";

constexpr std::size_t kPathDisplayLength = 80;

std::string IndexedKey(std::string_view prefix, std::size_t index) {
  return std::string(prefix) + std::to_string(index + 1);
}

// Saving puts keyboard texts in quotes so that surrounding blanks survive; any quote left
// after the read goes.
std::string WithoutDoubleQuotes(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
  return text;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::uint8_t StopBitsCode(std::string_view text) {
  if (Contains(text, "2")) return platform::kTwoStopBits;
  if (Contains(text, "1.5")) return platform::kOne5StopBits;
  return platform::kOneStopBit;
}

std::string StopBitsText(std::uint8_t code) {
  if (code == platform::kTwoStopBits) return "2";
  if (code == platform::kOne5StopBits) return "1.5";
  return "1";
}

// Substring tests in this order, case-sensitive.
std::uint8_t ParityCode(std::string_view text) {
  if (Contains(text, "Even")) return platform::kEvenParity;
  if (Contains(text, "Mark")) return platform::kMarkParity;
  if (Contains(text, "Odd")) return platform::kOddParity;
  if (Contains(text, "Space")) return platform::kSpaceParity;
  return platform::kNoParity;
}

struct KeyboardTextGroup {
  std::string_view prefix;
  std::array<std::string, 5> AppSettings::*texts;
};

constexpr std::array<KeyboardTextGroup, 4> kKeyboardTexts = {{
    {"add_start_", &AppSettings::addStart},
    {"add_end_", &AppSettings::addEnd},
    {"replace_from_", &AppSettings::replaceFrom},
    {"replace_to_", &AppSettings::replaceTo},
}};

}  // namespace

AppSettings LoadSettings(const std::string& iniPath) {
  // A file that cannot be read counts as missing: every key at its default.
  platform::IniFile ini;
  ini.Load(iniPath);
  const auto text = [&ini](const char* section, std::string_view key) {
    return platform::GetPrivateProfileString(ini, section, key);
  };
  const auto number = [&text](const char* section, std::string_view key) {
    return platform::Atol32(text(section, key));
  };

  AppSettings s;
  s.port = text(kCom, "port");
  // Keys that are not there keep the first start's line; a key that is there is taken as
  // it stands.
  const auto numberOr = [&text, &number](const char* section, std::string_view key,
                                         std::int32_t fallback) {
    return text(section, key).empty() ? fallback : number(section, key);
  };
  s.baudrate = numberOr(kCom, "baudrate", s.baudrate);
  s.databits = numberOr(kCom, "databits", s.databits);
  s.stopbits = StopBitsCode(text(kCom, "stopbits"));
  s.parity = ParityCode(text(kCom, "parity"));
  s.CTS = number(kCom, "CTS");
  s.RTS = number(kCom, "RTS");
  s.protocol = number(kCom, "protocol");
  for (const auto& group : kKeyboardTexts) {
    auto& texts = s.*group.texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      texts[i] = WithoutDoubleQuotes(text(kCom, IndexedKey(group.prefix, i)));
    }
  }
  s.invert = text(kCom, "invert");
  s.hex2dez = text(kCom, "hex2dez");
  s.hex8ToDec8 = text(kCom, "8hex28dez");
  s.hex210dez = text(kCom, "hex210dez");
  s.hex210dezmotorola = text(kCom, "hex210dezmotorola");
  s.hex2left8hex = text(kCom, "hex2left8hex");
  s.hex2left8hex2dez = text(kCom, "hex2left8hex2dez");
  s.hex2iso = text(kCom, "hex2iso");
  s.hex2bde = text(kCom, "hex2bde");

  s.send = text(kTest, "send");

  s.db = number(kDb, "db");
  s.read_path = text(kDb, "read_path");
  s.write_path = text(kDb, "write_path");
  s.verify = number(kDb, "verify");
  if (ini.Has(kDb, "backup")) s.backup = text(kDb, "backup");

  s.config = number(kConfig, "config");
  s.time = number(kConfig, "time");
  s.onltyp = number(kConfig, "onltyp");
  s.fragmentation = number(kConfig, "fragmentation");
  s.beeper = number(kConfig, "beeper");
  s.showbadframe = number(kConfig, "showbadframe");

  s.online = number(kOnline, "online");
  s.double_codes = text(kOnline, "double_codes") == "1";
  s.keyboard_sim_prot_path = text(kOnline, "keyboard_sim_prot_path");
  s.type_any_text = text(kOnline, "type_any_text") == "1";
  s.keyboard_layout = text(kOnline, "keyboard_layout");

  s.language = text(kWindow, "language");
  s.code = text(kAccess, "code");
  return s;
}

namespace {

// One key as the file holds it: its value as written, and as a read gives it back.
struct SettingEntry {
  const char* section;
  std::string key;
  std::string value;
  std::string asRead;
  bool optional = false;  // written only when held already or off its default
  std::string fallback;
};

std::vector<SettingEntry> SettingEntries(const AppSettings& s) {
  std::vector<SettingEntry> entries;
  const auto put = [&entries](const char* section, std::string key, std::string value) {
    std::string asRead = value;
    entries.push_back({section, std::move(key), std::move(value), std::move(asRead)});
  };
  const auto putNumber = [&put](const char* section, std::string key, std::int32_t value) {
    put(section, std::move(key), platform::FormatInt(value));
  };

  put(kCom, "port", s.port);
  putNumber(kCom, "baudrate", s.baudrate);
  putNumber(kCom, "databits", s.databits);
  put(kCom, "stopbits", StopBitsText(s.stopbits));
  put(kCom, "parity", ParityText(s.parity));
  putNumber(kCom, "CTS", s.CTS);
  putNumber(kCom, "RTS", s.RTS);
  putNumber(kCom, "protocol", s.protocol);
  for (const auto& group : kKeyboardTexts) {
    const auto& texts = s.*group.texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      // In quotes, so that blanks around the text survive; a read takes them off.
      entries.push_back({kCom, IndexedKey(group.prefix, i), "\"" + texts[i] + "\"", texts[i]});
    }
  }
  put(kCom, "invert", s.invert);
  put(kCom, "hex2dez", s.hex2dez);
  put(kCom, "8hex28dez", s.hex8ToDec8);
  put(kCom, "hex210dez", s.hex210dez);
  put(kCom, "hex210dezmotorola", s.hex210dezmotorola);
  put(kCom, "hex2left8hex", s.hex2left8hex);
  put(kCom, "hex2left8hex2dez", s.hex2left8hex2dez);
  put(kCom, "hex2iso", s.hex2iso);
  put(kCom, "hex2bde", s.hex2bde);

  put(kTest, "send", s.send);

  putNumber(kDb, "db", s.db);
  put(kDb, "read_path", s.read_path);
  put(kDb, "write_path", s.write_path);
  const std::string verify = platform::FormatInt(s.verify);
  entries.push_back({kDb, "verify", verify, verify, true, "0"});
  entries.push_back({kDb, "backup", s.backup, s.backup, true, "Ask"});

  putNumber(kConfig, "config", s.config);
  putNumber(kConfig, "time", s.time);
  putNumber(kConfig, "onltyp", s.onltyp);
  putNumber(kConfig, "fragmentation", s.fragmentation);
  putNumber(kConfig, "beeper", s.beeper);
  putNumber(kConfig, "showbadframe", s.showbadframe);

  putNumber(kOnline, "online", s.online);
  put(kOnline, "double_codes", s.double_codes ? "1" : "0");
  put(kOnline, "keyboard_sim_prot_path", s.keyboard_sim_prot_path);
  const std::string anyText = s.type_any_text ? "1" : "0";
  entries.push_back({kOnline, "type_any_text", anyText, anyText, true, "0"});
  entries.push_back({kOnline, "keyboard_layout", s.keyboard_layout, s.keyboard_layout, true, ""});
  entries.push_back({kWindow, "language", s.language, s.language, true, ""});
  // The access code is the user's to set; it is never written.
  return entries;
}

// Writes the entries `write` picks into the file, in one save.
bool SaveEntries(const std::vector<SettingEntry>& entries, const std::string& iniPath,
                 const std::function<bool(std::size_t index)>& write) {
  // Never replace a file whose other contents could not be read.
  platform::IniFile ini;
  if (!ini.Load(iniPath)) return false;
  bool allStored = true;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const SettingEntry& e = entries[i];
    const bool held = ini.Has(e.section, e.key);
    if (!write(i) || (e.optional && !held && e.value == e.fallback)) continue;
    // A key the file holds with this value stays as it is: its line (and a value longer
    // than a read returns) is kept byte for byte.
    if (held && platform::GetPrivateProfileString(ini, e.section, e.key) == e.asRead) continue;
    if (!ini.Set(e.section, e.key, e.value)) allStored = false;
  }
  return ini.Save() && allStored;
}

}  // namespace

bool SaveSettings(const AppSettings& s, const std::string& iniPath) {
  return SaveEntries(SettingEntries(s), iniPath, [](std::size_t) { return true; });
}

bool SaveSettingChanges(const AppSettings& s, const AppSettings& loaded,
                        const std::string& iniPath) {
  const std::vector<SettingEntry> entries = SettingEntries(s);
  const std::vector<SettingEntry> before = SettingEntries(loaded);
  return SaveEntries(entries, iniPath,
                     [&](std::size_t i) { return entries[i].value != before[i].value; });
}

bool FactoryDefaultAllowed(const std::string& code) {
  return code.size() >= 10 && code.compare(8, 2, "47") == 0;
}

std::string PathDisplayText(const std::string& path) {
  if (path.size() <= kPathDisplayLength) return path;
  return "..." + path.substr(path.size() - kPathDisplayLength);
}

StartMode ChooseStartMode(int db, int config, int online) {
  if (db != 0) return {1, 0, 0};
  if (config != 0) return {0, 1, 0};
  if (online >= 1) return {0, 0, online == 2 ? 2 : 1};
  return {};
}

std::string ParityText(std::uint8_t code) {
  switch (code) {
    case platform::kEvenParity:
      return "Even";
    case platform::kMarkParity:
      return "Mark";
    case platform::kOddParity:
      return "Odd";
    case platform::kSpaceParity:
      return "Space";
    default:
      return "None";
  }
}

}  // namespace tagline::app
