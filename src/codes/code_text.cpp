// SPDX-License-Identifier: Apache-2.0
#include "codes/code_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace tagline::codes {

namespace {

unsigned int Byte(char c) {
  return static_cast<unsigned char>(c);
}

}  // namespace

std::string FormatDecimal64(std::int64_t value, int minWidth, bool pad) {
  if (value == std::numeric_limits<std::int64_t>::min()) return "-9223372036854775808";

  std::uint64_t magnitude = static_cast<std::uint64_t>(value);
  if (value < 0) magnitude = 0U - magnitude;
  std::array<char, 24> buffer{};
  std::size_t significant = 0;
  if (magnitude != 0) {
    significant = static_cast<std::size_t>(
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude).ptr - buffer.data());
  }
  // Zeros fill up to `minWidth`, but never wider than nineteen digits (sixteen for zero).
  const std::size_t widest = value == 0 ? 16 : 19;
  std::size_t width = significant;
  if (pad && minWidth >= 0) {
    width = std::max(width, std::min(static_cast<std::size_t>(minWidth), widest));
  }
  std::string digits;
  digits.reserve(width + 1);
  if (value < 0) digits += '-';
  digits.append(width - significant, '0');
  digits.append(buffer.data(), significant);
  return digits;
}

std::string FormatUnsigned(std::uint64_t value, std::size_t minDigits) {
  std::string digits = std::to_string(value);
  if (digits.size() < minDigits) digits.insert(0, minDigits - digits.size(), '0');
  return digits;
}

std::string HexToText(std::string_view hex) {
  // A character outside the hex digits counts with its own code; the byte keeps 8 bits.
  const auto value = [](char c) { return IsHexDigit(c) ? HexDigitValue(c) : Byte(c); };

  std::string padded;
  if (hex.size() % 2 != 0) {
    padded.reserve(hex.size() + 1);
    padded += '0';
    padded += hex;
    hex = padded;
  }

  std::string text;
  text.reserve(hex.size() / 2);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    text += static_cast<char>((16U * value(hex[i]) + value(hex[i + 1])) & 0xFFU);
  }
  return text;
}

std::string TextToHex(std::string_view text) {
  std::string hex;
  hex.reserve(text.size() * 2);
  for (const char c : text) {
    hex += UpperHexDigit(Byte(c) >> 4);
    hex += UpperHexDigit(Byte(c));
  }
  return hex;
}

int IsHexText(std::string_view text) {
  for (const char c : text) {
    if (!IsHexDigit(c) && c != '\r' && c != '\n' && c != ' ') return -1;
  }
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
  return static_cast<int>(text.size() < kMax ? text.size() : kMax);
}

std::string ReverseHexBits(std::string_view hex) {
  // Mirrored nibbles: bit 0 <-> bit 3, bit 1 <-> bit 2.
  static constexpr unsigned char kMirror[16] = {0x0, 0x8, 0x4, 0xC, 0x2, 0xA, 0x6, 0xE,
                                                0x1, 0x9, 0x5, 0xD, 0x3, 0xB, 0x7, 0xF};
  std::string reversed(hex.size(), '0');
  for (std::size_t i = 0; i < hex.size(); ++i) {
    const unsigned int digit = IsHexDigit(hex[i]) ? HexDigitValue(hex[i]) : 0U;
    reversed[hex.size() - 1 - i] = UpperHexDigit(kMirror[digit]);
  }
  return reversed;
}

}  // namespace tagline::codes
