// SPDX-License-Identifier: Apache-2.0
#include "reader/config_profile.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "platform/printable_text.h"

namespace tagline::reader {

namespace {

using protocol::ReaderModel;

// Far more than every parameter of every model; anything larger is no profile.
constexpr std::size_t kMaxProfileBytes = 1 << 20;

constexpr std::string_view kHeading = "; Tagline Console reader configuration";

enum class Section { None, Reader, Selection, Numeric, TagTypes, NotReadBack, FactoryDefault };

struct SectionName {
  Section section;
  std::string_view name;
};

constexpr std::array<SectionName, 6> kSections{{
    {Section::Reader, "reader"},
    {Section::Selection, "selection"},
    {Section::Numeric, "numeric"},
    {Section::TagTypes, "tag types"},
    {Section::NotReadBack, "not saved"},
    {Section::FactoryDefault, "factory default"},
}};

std::string_view SectionTitle(Section section) {
  for (const SectionName& entry : kSections) {
    if (entry.section == section) return entry.name;
  }
  return {};
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// A text whose blanks at either end, "=", quote or comment sign would be lost or misread
// goes in double quotes; a quote inside is doubled.
std::string Quoted(std::string_view text) {
  const bool plain = !text.empty() && !IsBlank(text.front()) && !IsBlank(text.back()) &&
                     text.find_first_of("\"=") == std::string_view::npos && text.front() != ';' &&
                     text.front() != '#' && text.front() != '[';
  if (plain) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

// A name or value as written, quotes taken off; nothing for an unclosed quote or text
// after the closing one.
std::optional<std::string> Unquoted(std::string_view text) {
  text = Trimmed(text);
  if (text.empty() || text.front() != '"') return std::string(text);
  std::string out;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '"') {
      out += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '"') {
      out += '"';
      ++i;
      continue;
    }
    if (i + 1 != text.size()) return std::nullopt;
    return out;
  }
  return std::nullopt;
}

// The end of a quoted text starting at `from` (the index after its closing quote).
std::size_t QuotedEnd(std::string_view line, std::size_t from) {
  for (std::size_t i = from + 1; i < line.size(); ++i) {
    if (line[i] != '"') continue;
    if (i + 1 < line.size() && line[i + 1] == '"') {
      ++i;
      continue;
    }
    return i + 1;
  }
  return std::string_view::npos;
}

void AddLine(std::string& text, std::string_view name, std::string_view value) {
  text += Quoted(name);
  text += " = ";
  text += Quoted(value);
  text += '\n';
}

void AddSection(std::string& text, Section section) {
  text += "\n[";
  text += SectionTitle(section);
  text += "]\n";
}

std::optional<ParameterKind> KindOf(Section section) {
  switch (section) {
    case Section::Selection:
      return ParameterKind::Selection;
    case Section::Numeric:
      return ParameterKind::Numeric;
    case Section::TagTypes:
      return ParameterKind::AlgorithmMask;
    default:
      return std::nullopt;
  }
}

bool IsFactoryKey(std::string_view key) {
  return std::find(std::begin(kFactoryKeys), std::end(kFactoryKeys), key) != std::end(kFactoryKeys);
}

class Parser {
 public:
  ProfileParse Run(std::string_view text) {
    std::size_t number = 0;
    while (!text.empty()) {
      ++number;
      const std::size_t end = text.find('\n');
      const std::string_view line = Trimmed(text.substr(0, end));
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      if (number == 1 && line.starts_with("\xEF\xBB\xBF")) {
        if (!ReadLine(Trimmed(line.substr(3)))) return Failed(number);
      } else if (!ReadLine(line)) {
        return Failed(number);
      }
    }
    ProfileParse parse;
    parse.profile = std::move(profile_);
    return parse;
  }

 private:
  ProfileParse Failed(std::size_t number) const {
    ProfileParse parse;
    parse.error = "line " + std::to_string(number) + ": " + error_;
    return parse;
  }

  bool ReadLine(std::string_view line) {
    if (line.empty() || line.front() == ';' || line.front() == '#') return true;
    if (line.front() == '[') return ReadSection(line);
    std::size_t equals = line.front() == '"' ? QuotedEnd(line, 0) : 0;
    if (equals != std::string_view::npos) equals = line.find('=', equals);
    if (equals == std::string_view::npos) {
      error_ = "no \"name = value\"";
      return false;
    }
    const auto name = Unquoted(line.substr(0, equals));
    const auto value = Unquoted(line.substr(equals + 1));
    if (!name || !value || name->empty()) {
      error_ = name && value ? "no name before \"=\"" : "a quote is not closed";
      return false;
    }
    return Take(*name, *value);
  }

  bool ReadSection(std::string_view line) {
    if (line.back() != ']') {
      error_ = "a section without \"]\"";
      return false;
    }
    const std::string_view title = Trimmed(line.substr(1, line.size() - 2));
    for (const SectionName& entry : kSections) {
      if (entry.name == title) {
        section_ = entry.section;
        return true;
      }
    }
    error_ = "unknown section [" + std::string(title) + "]";
    return false;
  }

  bool Take(const std::string& name, const std::string& value) {
    if (const auto kind = KindOf(section_)) {
      if (profile_.Find(*kind, name) != nullptr) return Twice(name);
      if (*kind == ParameterKind::AlgorithmMask && name != kTagTypesEntryName) {
        error_ = "the tag types are named \"" + std::string(kTagTypesEntryName) + "\"";
        return false;
      }
      profile_.entries.push_back({*kind, name, value});
      return true;
    }
    switch (section_) {
      case Section::Reader:
        if (name == "version") return Set(profile_.version, name, value);
        if (name == "model") return Set(profile_.model, name, value);
        if (name == "saved") return Set(profile_.saved, name, value);
        error_ = "[reader] holds version, model and saved, not " + name;
        return false;
      case Section::NotReadBack:
        profile_.notReadBack.emplace_back(name, value);
        return true;
      case Section::FactoryDefault:
        if (!IsFactoryKey(name)) {
          error_ =
              "[factory default] holds language, interface, antenna, serial and "
              "delete-attributes, not " +
              name;
          return false;
        }
        for (const ProfileNote& note : profile_.factoryDefault) {
          if (note.first == name) return Twice(name);
        }
        profile_.factoryDefault.emplace_back(name, value);
        return true;
      default:
        error_ = "\"" + name + "\" before the first section";
        return false;
    }
  }

  bool Set(std::string& field, const std::string& name, const std::string& value) {
    if (!field.empty()) return Twice(name);
    field = value;
    return true;
  }

  bool Twice(const std::string& name) {
    error_ = "\"" + name + "\" is given twice";
    return false;
  }

  ConfigProfile profile_;
  Section section_ = Section::None;
  std::string error_;
};

}  // namespace

const ProfileEntry* ConfigProfile::Find(ParameterKind kind, std::string_view name) const {
  for (const ProfileEntry& entry : entries) {
    if (entry.kind == kind && entry.name == name) return &entry;
  }
  return nullptr;
}

std::string ProfileText(const ConfigProfile& profile) {
  std::string text(kHeading);
  text += '\n';
  AddSection(text, Section::Reader);
  // The version text came from the reader: a line break in it must not start a line.
  AddLine(text, "version", platform::EscapeControlBytes(profile.version));
  AddLine(text, "model", profile.model);
  AddLine(text, "saved", profile.saved);
  for (const Section section : {Section::Selection, Section::Numeric, Section::TagTypes}) {
    const ParameterKind kind = *KindOf(section);
    bool any = false;
    for (const ProfileEntry& entry : profile.entries) {
      if (entry.kind != kind) continue;
      if (!any) AddSection(text, section);
      any = true;
      AddLine(text, entry.name, entry.value);
    }
  }
  if (!profile.notReadBack.empty()) {
    AddSection(text, Section::NotReadBack);
    for (const ProfileNote& note : profile.notReadBack) AddLine(text, note.first, note.second);
  }
  if (!profile.factoryDefault.empty()) {
    AddSection(text, Section::FactoryDefault);
    for (const ProfileNote& note : profile.factoryDefault) AddLine(text, note.first, note.second);
  }
  return text;
}

ProfileParse ParseProfile(std::string_view text) {
  return Parser().Run(text);
}

ProfileParse LoadProfileFile(const std::string& path) {
  ProfileParse parse;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    parse.error = "cannot be read";
    return parse;
  }
  std::string text(kMaxProfileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxProfileBytes) {
    parse.error = "is too large for a profile";
    return parse;
  }
  return ParseProfile(text);
}

std::optional<ReaderModel> ModelByName(std::string_view name) {
  for (int byte = 0; byte < protocol::kReaderModelCount; ++byte) {
    const auto model = static_cast<ReaderModel>(byte);
    if (protocol::ReaderModelName(model) == name) return model;
  }
  return std::nullopt;
}

}  // namespace tagline::reader
