// SPDX-License-Identifier: Apache-2.0
// Windows-1252 cell texts to and from the XML of a sheet.
#include "database/xml_text.h"

#include <algorithm>
#include <array>

#include "platform/windows_1252.h"

namespace tagline::database {

namespace {

// HTML Latin-1 entity names of U+00A0..U+00FF, in code point order.
constexpr std::array<std::string_view, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

struct NamedCharacter {
  std::string_view name;
  char32_t codePoint;
};

// The XML entities and the named characters of Windows-1252's 0x80..0x9F range.
constexpr std::array<NamedCharacter, 32> kOtherNames = {{
    {"amp", U'&'},      {"lt", U'<'},       {"gt", U'>'},       {"quot", U'"'},
    {"apos", U'\''},    {"euro", 0x20AC},   {"sbquo", 0x201A},  {"fnof", 0x0192},
    {"bdquo", 0x201E},  {"hellip", 0x2026}, {"dagger", 0x2020}, {"Dagger", 0x2021},
    {"circ", 0x02C6},   {"permil", 0x2030}, {"Scaron", 0x0160}, {"lsaquo", 0x2039},
    {"OElig", 0x0152},  {"Zcaron", 0x017D}, {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bull", 0x2022},   {"ndash", 0x2013},
    {"mdash", 0x2014},  {"tilde", 0x02DC},  {"trade", 0x2122},  {"scaron", 0x0161},
    {"rsaquo", 0x203A}, {"oelig", 0x0153},  {"zcaron", 0x017E}, {"Yuml", 0x0178},
}};

constexpr char32_t kNoCharacter = 0x110000;  // beyond Unicode
constexpr std::size_t kLongestName = 8;

std::optional<char32_t> NamedCodePoint(std::string_view name) {
  for (std::size_t i = 0; i < kLatin1Names.size(); ++i) {
    if (kLatin1Names[i] == name) return static_cast<char32_t>(0xA0 + i);
  }
  for (const NamedCharacter& named : kOtherNames) {
    if (named.name == name) return named.codePoint;
  }
  return std::nullopt;
}

bool IsAsciiAlphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct Entity {
  std::size_t length = 0;  // 0: no complete entity here
  char32_t codePoint = kNoCharacter;
};

// The entity starting with the "&" at `pos`: "&#123;", "&#x7B;" or "&name;".
Entity ReadEntity(std::string_view text, std::size_t pos) {
  std::size_t at = pos + 1;
  if (at < text.size() && text[at] == '#') {
    ++at;
    const bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
    if (hex) ++at;
    const std::size_t digitsStart = at;
    char32_t value = 0;
    for (; at < text.size(); ++at) {
      const int digit = DigitValue(text[at], hex);
      if (digit < 0) break;
      // Saturate instead of overflowing; anything beyond Unicode has no character.
      value = value >= kNoCharacter ? kNoCharacter
                                    : value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    if (at == digitsStart || at >= text.size() || text[at] != ';') return {};
    return {at + 1 - pos, value >= kNoCharacter ? kNoCharacter : value};
  }
  const std::size_t nameStart = at;
  while (at < text.size() && at - nameStart <= kLongestName && IsAsciiAlphanumeric(text[at])) {
    ++at;
  }
  if (at == nameStart || at >= text.size() || text[at] != ';') return {};
  const std::optional<char32_t> codePoint = NamedCodePoint(text.substr(nameStart, at - nameStart));
  if (!codePoint) return {};
  return {at + 1 - pos, *codePoint};
}

struct Utf8Sequence {
  std::size_t length;
  std::optional<char32_t> codePoint;  // nothing: an invalid sequence of `length` bytes
};

// One UTF-8 sequence at `pos` (first byte >= 0x80). An invalid one is its maximal valid
// prefix, at least one byte, so each broken sequence gives exactly one replacement.
Utf8Sequence ReadUtf8(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t need = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
    value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    value = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    value = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return {1, std::nullopt};
  }
  for (std::size_t k = 1; k <= need; ++k) {
    if (pos + k >= text.size()) return {k, std::nullopt};
    const auto next = static_cast<unsigned char>(text[pos + k]);
    if (next < low || next > high) return {k, std::nullopt};
    low = 0x80;
    high = 0xBF;
    value = (value << 6) | (next & 0x3Fu);
  }
  return {need + 1, value};
}

void AppendWindows1252(std::string& out, char32_t codePoint) {
  const std::optional<unsigned char> byte = CodePointToWindows1252(codePoint);
  out += byte ? static_cast<char>(*byte) : '?';
}

void AppendReference(std::string& out, char32_t codePoint) {
  out += "&#";
  out += std::to_string(static_cast<unsigned long>(codePoint));
  out += ';';
}

}  // namespace

char32_t Windows1252ToCodePoint(unsigned char byte) {
  return platform::Windows1252ToCodePoint(byte);
}

std::optional<unsigned char> CodePointToWindows1252(char32_t codePoint) {
  if (codePoint == 0) return std::nullopt;
  // A Latin-1 reading of the bytes 0x80..0x9F gave these code points.
  if (codePoint >= 0x80 && codePoint <= 0x9F) return static_cast<unsigned char>(codePoint);
  return platform::CodePointToWindows1252(codePoint);
}

std::string DecodeCellText(std::string_view raw, bool utf8) {
  // Most cells hold plain ASCII, which stays as it is.
  const bool plain = std::none_of(raw.begin(), raw.end(), [utf8](char c) {
    return c == '&' || (utf8 && static_cast<unsigned char>(c) >= 0x80);
  });
  if (plain) return std::string(raw);
  std::string out;
  out.reserve(raw.size());
  std::size_t pos = 0;
  while (pos < raw.size()) {
    const auto byte = static_cast<unsigned char>(raw[pos]);
    if (byte == '&') {
      const Entity entity = ReadEntity(raw, pos);
      if (entity.length > 0) {
        AppendWindows1252(out, entity.codePoint);
        pos += entity.length;
        continue;
      }
    } else if (utf8 && byte >= 0x80) {
      const Utf8Sequence sequence = ReadUtf8(raw, pos);
      if (sequence.codePoint) {
        AppendWindows1252(out, *sequence.codePoint);
      } else {
        out += '?';
      }
      pos += sequence.length;
      continue;
    }
    out += raw[pos++];
  }
  return out;
}

void AppendCellText(std::string& out, std::string_view win1252) {
  for (const char c : win1252) {
    const auto byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '\t':
      case '\n':
      case '\r':
      case 0x7F:
        AppendReference(out, byte);
        break;
      default:
        if (byte < 0x20) {
          out += '?';
        } else if (byte >= 0x80) {
          AppendReference(out, Windows1252ToCodePoint(byte));
        } else {
          out += c;
        }
    }
  }
}

std::string EncodeCellText(std::string_view win1252) {
  std::string out;
  out.reserve(win1252.size());
  AppendCellText(out, win1252);
  return out;
}

}  // namespace tagline::database
