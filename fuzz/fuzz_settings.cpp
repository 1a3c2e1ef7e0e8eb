// SPDX-License-Identifier: Apache-2.0
// The settings file as the program reads it at start and rewrites it at the end: any bytes
// as "Tagline_Console.ini". Checks that hold for every file:
//  - saving what was loaded and loading again gives the same settings (texts that the
//    read itself unquoted into quotes or blanks at their ends excepted: stored without
//    quotes, a second read takes those off, as Windows does);
//  - a value set with IniFile::Set reads back unchanged, before and after a save.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "app/settings_file.h"
#include "fuzz_context.h"
#include "platform/private_profile.h"

namespace {

using namespace tagline;

void WriteFile(const std::string& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A value the read hands out differently from how it was stored: wrapped in a matching
// pair of quotes (the next read takes them off).
bool ReadsDifferently(std::string_view value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

bool IsBlank(char c) {
  return std::string_view(" \t\r\n\v\f").find(c) != std::string_view::npos;
}

// Whether a text stored without quotes reads back as it is. Blanks at its ends are lost:
// only a quoted value in the file reads with them, and the save puts quotes around the
// keyboard texts alone.
bool CarriedUnquoted(std::string_view value) {
  return !ReadsDifferently(value) &&
         (value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back())));
}

void CheckText(const std::string& before, const std::string& after) {
  if (CarriedUnquoted(before) && before != after) std::abort();
}

void CheckSaveLoad(const std::string& path) {
  const app::AppSettings loaded = app::LoadSettings(path);
  app::SaveSettings(loaded, path);
  const app::AppSettings again = app::LoadSettings(path);

  if (loaded.baudrate != again.baudrate || loaded.databits != again.databits ||
      loaded.stopbits != again.stopbits || loaded.parity != again.parity ||
      loaded.CTS != again.CTS || loaded.RTS != again.RTS || loaded.protocol != again.protocol ||
      loaded.db != again.db || loaded.config != again.config || loaded.time != again.time ||
      loaded.onltyp != again.onltyp || loaded.fragmentation != again.fragmentation ||
      loaded.beeper != again.beeper || loaded.showbadframe != again.showbadframe ||
      loaded.online != again.online || loaded.double_codes != again.double_codes ||
      loaded.code != again.code) {
    std::abort();
  }
  // Keyboard texts are saved in quotes, so they come back whole.
  if (loaded.addStart != again.addStart || loaded.addEnd != again.addEnd ||
      loaded.replaceFrom != again.replaceFrom || loaded.replaceTo != again.replaceTo) {
    std::abort();
  }
  CheckText(loaded.port, again.port);
  CheckText(loaded.invert, again.invert);
  CheckText(loaded.hex2dez, again.hex2dez);
  CheckText(loaded.hex8ToDec8, again.hex8ToDec8);
  CheckText(loaded.hex210dez, again.hex210dez);
  CheckText(loaded.hex210dezmotorola, again.hex210dezmotorola);
  CheckText(loaded.hex2left8hex, again.hex2left8hex);
  CheckText(loaded.hex2left8hex2dez, again.hex2left8hex2dez);
  CheckText(loaded.hex2iso, again.hex2iso);
  CheckText(loaded.hex2bde, again.hex2bde);
  CheckText(loaded.send, again.send);
  CheckText(loaded.read_path, again.read_path);
  CheckText(loaded.write_path, again.write_path);
  CheckText(loaded.keyboard_sim_prot_path, again.keyboard_sim_prot_path);
}

// A value stored into the file as it is reads back as it was stored.
void CheckSetGet(const std::string& path, std::string_view file, std::string_view value) {
  WriteFile(path, file);
  platform::IniFile ini;
  if (!ini.Load(path)) return;
  const bool plain = !value.empty() && value.find_first_of("\r\n") == std::string_view::npos &&
                     CarriedUnquoted(value);
  if (!ini.Set("COM", "port", value)) {
    if (plain) std::abort();
    return;
  }
  if (!plain) return;
  if (ini.Get("COM", "port") != value) std::abort();
  if (!ini.Save()) return;
  platform::IniFile reread;
  if (!reread.Load(path) || reread.Get("COM", "port") != value) std::abort();
  if (reread.Text() != ini.Text()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string settingsPath = fuzz::ScratchPath("settings.ini");
  static const std::string iniPath = fuzz::ScratchPath("profile.ini");
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  WriteFile(settingsPath, input);
  CheckSaveLoad(settingsPath);

  // The last line of the input, when there is more than one, is the value to store.
  const std::size_t split = input.rfind('\n');
  if (split != std::string_view::npos) {
    CheckSetGet(iniPath, input.substr(0, split), input.substr(split + 1));
  }
  return 0;
}
