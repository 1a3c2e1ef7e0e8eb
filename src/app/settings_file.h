// SPDX-License-Identifier: Apache-2.0
// The settings file "Tagline_Console.ini": reading and saving the settings that survive a
// restart, and the values derived from them.
#pragma once

#include <cstdint>
#include <string>

#include "job/app_settings.h"

namespace tagline::app {

using job::AppSettings;

// Reads every key; a missing file or key gives the defaults of AppSettings.
AppSettings LoadSettings(const std::string& iniPath);

// Writes every key except `code` in one save of the file, keeping whatever else it holds
// (a key already holding its value keeps its line, so a value longer than a read returns
// survives); a failed save leaves the file as it was. False if the file could not be read or
// written (a read-only file is not), or a value could not be stored (a line break in a text); the
// other keys are written all the same.
bool SaveSettings(const AppSettings& settings, const std::string& iniPath);

// Writes only the keys whose values differ between `loaded` and `settings`; every other
// line of the file stays byte for byte as it was. Returns as SaveSettings.
bool SaveSettingChanges(const AppSettings& settings, const AppSettings& loaded,
                        const std::string& iniPath);

// Whether the access code unlocks "Factory Default": "47" at characters 9 and 10.
bool FactoryDefaultAllowed(const std::string& code);

// A path as the DB group shows it: whole up to 80 characters, else "..." and its last 80.
std::string PathDisplayText(const std::string& path);

// The control-group mode values the main window starts with.
struct StartMode {
  std::int32_t db = 0;      // 0/1
  std::int32_t config = 0;  // 0/1
  std::int32_t online = 0;  // 0 off, 1 with terminal, 2 without terminal
};

// The first of db != 0, config != 0, online >= 1 wins; the other modes are off.
StartMode ChooseStartMode(int db, int config, int online);

// "None", "Odd", "Even", "Mark" or "Space": the parity as the settings file and the
// settings dialog write it.
std::string ParityText(std::uint8_t code);

}  // namespace tagline::app
