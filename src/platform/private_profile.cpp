// SPDX-License-Identifier: Apache-2.0
#include "platform/private_profile.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/file_replace.h"

namespace tagline::platform {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Folds ASCII letters only; bytes from 0x80 up are compared as they are.
char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

enum class LineKind { kBlank, kComment, kSection, kEntry };

struct ParsedLine {
  LineKind kind = LineKind::kBlank;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // an entry's text after "=", untrimmed
};

ParsedLine Parse(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.empty()) return {LineKind::kBlank, {}, {}};
  if (text.front() == ';') return {LineKind::kComment, {}, {}};
  if (text.front() == '[') {
    const std::string_view inner = text.substr(1);
    return {LineKind::kSection, Trim(inner.substr(0, inner.find(']'))), {}};
  }
  // A line without "=" is a key without a value, as Windows reads it.
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) return {LineKind::kEntry, text, {}};
  return {LineKind::kEntry, Trim(text.substr(0, equals)), text.substr(equals + 1)};
}

// Lines [first, last) of a section: its header and everything up to the next header.
struct SectionRange {
  std::size_t first;
  std::size_t last;
};

std::optional<SectionRange> FindSection(const std::vector<std::string>& lines,
                                        std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine header = Parse(lines[i]);
    if (header.kind != LineKind::kSection || !EqualsNoCase(header.name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && Parse(lines[end]).kind != LineKind::kSection) ++end;
    return SectionRange{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<std::string>& lines, SectionRange range,
                                   std::string_view key) {
  for (std::size_t i = range.first + 1; i < range.last; ++i) {
    const ParsedLine entry = Parse(lines[i]);
    if (entry.kind == LineKind::kEntry && EqualsNoCase(entry.name, key)) return i;
  }
  return std::nullopt;
}

// A value as Windows hands it out: blanks around it and one pair of matching quotes gone.
std::string_view Unquote(std::string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

bool IniFile::Load(const std::string& path) {
  path_ = path;
  byteOrderMark_ = false;
  lines_.clear();

  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return status.type() == std::filesystem::file_type::not_found;
  }
  std::string text;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  // A directory opens on some systems but fails on the first read.
  if (in.bad()) return false;
  std::string_view content = text;
  byteOrderMark_ = content.starts_with(kUtf8ByteOrderMark);
  if (byteOrderMark_) content.remove_prefix(kUtf8ByteOrderMark.size());
  lines_ = SplitLines(content);
  return true;
}

std::string IniFile::Get(std::string_view section, std::string_view key) const {
  const auto range = FindSection(lines_, Trim(section));
  if (!range) return {};
  const auto index = FindKey(lines_, *range, Trim(key));
  if (!index) return {};
  return std::string(Unquote(Parse(lines_[*index]).value));
}

bool IniFile::Has(std::string_view section, std::string_view key) const {
  const auto range = FindSection(lines_, Trim(section));
  return range && FindKey(lines_, *range, Trim(key)).has_value();
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || HasLineBreak(section) || section.find(']') != std::string_view::npos) {
    return false;
  }
  if (key.empty() || HasLineBreak(key) || key.find('=') != std::string_view::npos ||
      key.front() == ';' || key.front() == '[') {
    return false;
  }
  if (HasLineBreak(value)) return false;

  const auto range = FindSection(lines_, section);
  if (!range) {
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::string(key) + "=" + std::string(value));
    return true;
  }

  if (const auto index = FindKey(lines_, *range, key)) {
    // Keep the key as the file spells it.
    const std::string name(Parse(lines_[*index]).name);
    lines_[*index] = name + "=" + std::string(value);
    return true;
  }

  // After the section's last non-blank line, so blank lines separating it from the next
  // section stay where they are.
  std::size_t insertAt = range->last;
  while (insertAt > range->first + 1 && Parse(lines_[insertAt - 1]).kind == LineKind::kBlank) {
    --insertAt;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                std::string(key) + "=" + std::string(value));
  return true;
}

std::string IniFile::Text() const {
  std::string text(byteOrderMark_ ? kUtf8ByteOrderMark : std::string_view());
  for (const auto& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

bool IniFile::Save() const {
  if (path_.empty()) return false;
  return ReplaceFileContents(path_, Text());
}

std::string GetPrivateProfileString(const IniFile& ini, std::string_view section,
                                    std::string_view key) {
  std::string value = ini.Get(section, key);
  if (value.size() > kMaxProfileValue) value.resize(kMaxProfileValue);
  return value;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    const std::string& path) {
  // An unreadable file reads as empty, like a missing one.
  IniFile ini;
  ini.Load(path);
  return GetPrivateProfileString(ini, section, key);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
  IniFile ini;
  return ini.Load(path) && ini.Set(section, key, value) && ini.Save();
}

}  // namespace tagline::platform
