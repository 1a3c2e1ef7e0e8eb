// SPDX-License-Identifier: Apache-2.0
// A reader configuration profile: the parameters of one reader as a text a person can read
// and edit, one "name = value" line each, with the names and labels the window shows. It
// holds the reader it was saved from (version text, model, date), the parameters that could
// not be read back (listed, never guessed), and optionally the factory-default answers.
//
//   ; Tagline Console reader configuration
//   [reader]
//   version = KTR H9 V4.30...
//   model = KtrH9V42
//   saved = 2026-12-09 17:05:31
//   [selection]
//   Buzzer = Buzzer on
//   [numeric]
//   "TurnOffTime  " = 10
//   [tag types]
//   Tag Types = HDX, FDX-B
//   [not saved]
//   Baud Rate = cell 01A gave "7F", which is none of its labels
//   [factory default]
//   language = deutsch
//
// A name or value with blanks at either end is written in double quotes (the catalogue
// tells "TurnOffTime" from "TurnOffTime  "); lines starting with ";" or "#" are comments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/reader_model.h"
#include "reader/parameter_catalogue.h"

namespace tagline::reader {

// The one name of the tag-type row in a profile.
inline constexpr std::string_view kTagTypesEntryName = "Tag Types";
// Its value when no tag type is ticked.
inline constexpr std::string_view kNoTagTypes = "none";

struct ProfileEntry {
  ParameterKind kind = ParameterKind::Selection;
  std::string name;   // the catalogue name
  std::string value;  // the label, the number, or the ticked tag types ("HDX, FDX-B")
  bool operator==(const ProfileEntry&) const = default;
};

// A name with the reason it was not saved, or a factory-default key with its word.
using ProfileNote = std::pair<std::string, std::string>;

struct ConfigProfile {
  std::string version;  // the version text of the reader it was saved from
  std::string model;    // its model's name (ReaderModelName)
  std::string saved;    // "YYYY-MM-DD hh:mm:ss", local time
  std::vector<ProfileEntry> entries;
  std::vector<ProfileNote> notReadBack;
  // "language", "interface", "antenna", "serial", "delete-attributes" with the words the
  // command line's factory-default takes.
  std::vector<ProfileNote> factoryDefault;

  const ProfileEntry* Find(ParameterKind kind, std::string_view name) const;
};

// The profile as its file holds it (LF line ends; UTF-8 where a version text carries
// bytes above 0x7F, control bytes as "\xHH").
std::string ProfileText(const ConfigProfile& profile);

struct ProfileParse {
  std::optional<ConfigProfile> profile;
  std::string error;  // "line 7: ..." when the text is no profile
};

// A profile's text back; a line that is neither a section, a comment nor "name = value",
// an unknown section or a key twice in a section is an error naming its line.
ProfileParse ParseProfile(std::string_view text);

// A profile file read and parsed; the error names the file's problem (cannot be read, too
// large for a profile, a line that does not parse).
ProfileParse LoadProfileFile(const std::string& path);

// The model of a name ReaderModelName gives; nothing for any other text.
std::optional<protocol::ReaderModel> ModelByName(std::string_view name);

// The factory-default keys a profile may hold, in their order.
inline constexpr std::string_view kFactoryKeys[] = {"language", "interface", "antenna", "serial",
                                                    "delete-attributes"};

}  // namespace tagline::reader
