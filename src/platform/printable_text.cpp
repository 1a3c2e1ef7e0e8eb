// SPDX-License-Identifier: Apache-2.0
#include "platform/printable_text.h"

#include <cstdint>

namespace tagline::platform {

namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0xF];
}

bool IsControl(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

// The length of the well-formed UTF-8 sequence of a printable character at `text[i]`
// (a lead byte at or above 0xC2); 0 when there is none.
std::size_t PrintableSequence(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  std::uint32_t point = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    point = (point << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates, the C1 controls and what lies beyond Unicode are refused.
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < kSmallest[length] || point > 0x10FFFF) return 0;
  if (point >= 0xD800 && point <= 0xDFFF) return 0;
  if (point < 0xA0) return 0;
  return length;
}

}  // namespace

std::string EscapeControlBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsControl(byte)) {
      AppendEscaped(out, byte);
    } else {
      out += c;
    }
  }
  return out;
}

std::string TerminalSafeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\n' || byte == '\t' || (byte >= 0x20 && byte < 0x7F)) {
      out += text[i++];
      continue;
    }
    // A line end of CR LF stays one; a lone CR could write over what the line showed.
    if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      i += 2;
      continue;
    }
    if (const std::size_t length = byte >= 0x80 ? PrintableSequence(text, i) : 0; length > 0) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    AppendEscaped(out, byte);
    ++i;
  }
  return out;
}

}  // namespace tagline::platform
