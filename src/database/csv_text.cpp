// SPDX-License-Identifier: Apache-2.0
#include "database/csv_text.h"

#include <array>

#include "platform/windows_1252.h"

namespace tagline::database {

namespace {

constexpr std::array<char, 3> kDelimiters = {',', ';', '\t'};

bool NeedsQuotes(std::string_view field, char delimiter) {
  if (field.empty()) return false;
  if (field.front() == ' ' || field.back() == ' ') return true;
  for (const char c : field) {
    if (c == delimiter || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

char DetectDelimiter(std::string_view text) {
  std::array<std::size_t, kDelimiters.size()> counts{};
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\r' || c == '\n') break;
    for (std::size_t i = 0; i < kDelimiters.size(); ++i) counts[i] += c == kDelimiters[i];
  }
  std::size_t best = 0;
  for (std::size_t i = 1; i < kDelimiters.size(); ++i) {
    if (counts[i] > counts[best]) best = i;
  }
  return kDelimiters[best];
}

void AppendUtf8(std::string& out, char32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

// The code point of the UTF-8 sequence at `at`, and its length; nothing for a byte that
// starts no valid sequence (overlong forms and surrogates included).
std::optional<std::pair<char32_t, std::size_t>> DecodeUtf8(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return std::pair<char32_t, std::size_t>{lead, 1};
  std::size_t length = 0;
  char32_t point = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    point = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    point = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    point = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (at + length > text.size()) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
    point = (point << 6) | (byte(at + i) & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < kLeast[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
    return std::nullopt;
  }
  return std::pair{point, length};
}

}  // namespace

void AppendCsvRow(std::string& text, const CsvRow& fields, char delimiter) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += delimiter;
    const std::string& field = fields[i];
    if (!NeedsQuotes(field, delimiter)) {
      text += field;
      continue;
    }
    text += '"';
    for (const char c : field) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  text += "\r\n";
}

CsvParse ParseCsv(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  CsvTable table;
  table.delimiter = DetectDelimiter(text);
  const char delimiter = table.delimiter;
  CsvRow row;
  std::string field;
  bool fieldStarted = false;  // the row has a field, even an empty one
  bool atFieldStart = true;   // nothing of the current field read yet
  std::size_t line = 1;
  const auto endRow = [&] {
    if (fieldStarted || !field.empty() || !row.empty()) {
      row.push_back(std::move(field));
      table.rows.push_back(std::move(row));
    }
    row.clear();
    field.clear();
    fieldStarted = false;
    atFieldStart = true;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' && atFieldStart) {
      const std::size_t startLine = line;
      std::size_t j = i + 1;
      for (;; ++j) {
        if (j >= text.size()) {
          return {std::nullopt, "line " + std::to_string(startLine) + ": a quote is not closed"};
        }
        if (text[j] == '"') {
          if (j + 1 < text.size() && text[j + 1] == '"') {
            field += '"';
            ++j;
            continue;
          }
          break;
        }
        if (text[j] == '\n') ++line;
        field += text[j];
      }
      i = j;
      fieldStarted = true;
      atFieldStart = false;
      // After the closing quote only the delimiter or the end of the record may come.
      const char next = i + 1 < text.size() ? text[i + 1] : '\n';
      if (next != delimiter && next != '\r' && next != '\n') {
        return {std::nullopt, "line " + std::to_string(line) + ": text after a closing quote"};
      }
      continue;
    }
    if (c == delimiter) {
      row.push_back(std::move(field));
      field.clear();
      fieldStarted = true;
      atFieldStart = true;
      continue;
    }
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      endRow();
      continue;
    }
    field += c;
    atFieldStart = false;
  }
  endRow();
  return {std::move(table), {}};
}

std::string Utf8FromWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    AppendUtf8(out, platform::Windows1252ToCodePoint(static_cast<unsigned char>(c)));
  }
  return out;
}

std::string Windows1252FromUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto decoded = DecodeUtf8(text, i);
    if (!decoded) {
      out += '?';
      ++i;
      continue;
    }
    const auto byte = platform::CodePointToWindows1252(decoded->first);
    out += byte ? static_cast<char>(*byte) : '?';
    i += decoded->second;
  }
  return out;
}

}  // namespace tagline::database
