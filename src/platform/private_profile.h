// SPDX-License-Identifier: Apache-2.0
// INI files with the semantics of the Windows private-profile functions, in portable C++.
// Texts are bytes (Windows-1252); only ASCII letters are folded when comparing names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// <windows.h> maps these names onto its own A/W functions; ours are the portable ones.
#ifdef GetPrivateProfileString
#undef GetPrivateProfileString
#endif
#ifdef WritePrivateProfileString
#undef WritePrivateProfileString
#endif

namespace tagline::platform {

// The longest value a read returns: what fits a 260-character buffer with its terminator.
inline constexpr std::size_t kMaxProfileValue = 259;

// One INI document. Every line is kept as it was read, so sections, keys, comments and
// blank lines that are not set stay byte for byte; a set key replaces only its own line.
class IniFile {
 public:
  // Reads `path` and remembers it for Save. A missing file is an empty document; a file
  // that exists but cannot be read gives false (and an empty document, which must not be
  // saved over it). A UTF-8 byte-order mark that an editor put at the start is no part of
  // the first line, and is written back on Save.
  bool Load(const std::string& path);

  // The value of the first `key` in the first `section`, both matched regardless of ASCII
  // case; blanks around it and one pair of matching surrounding quotes removed. Missing
  // sections and keys read as empty.
  std::string Get(std::string_view section, std::string_view key) const;
  // Whether the section holds the key at all.
  bool Has(std::string_view section, std::string_view key) const;

  // Replaces the first `key` of `section` in place, or appends it at the end of the
  // section, or appends the section at the end of the document. Refuses (false, nothing
  // changed) names and values the file format cannot carry: line breaks, an empty name,
  // "=" in a key, "]" in a section name.
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  // Writes the document to the loaded path with SaveFileContents, every line ending in
  // CR LF. False, with the file unchanged, if it could not be written or is read-only.
  bool Save() const;

  // The document as it would be saved.
  std::string Text() const;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool byteOrderMark_ = false;
  std::vector<std::string> lines_;  // without their line ends
};

// Reads one value as GetPrivateProfileStringA does with a 260-character buffer and no
// default: at most kMaxProfileValue characters, empty when missing.
std::string GetPrivateProfileString(const IniFile& ini, std::string_view section,
                                    std::string_view key);
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    const std::string& path);

// Sets one value and saves the file, creating it if needed.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);

}  // namespace tagline::platform
