// SPDX-License-Identifier: Apache-2.0
// Text helpers shared by the code formats: hex digits, decimal rendering, hex <-> byte
// text. Texts are single-byte (Windows-1252) strings; every byte is taken as unsigned.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tagline::codes {

// The 4-bit value of a hex digit: (c - 55) above '9', else (c - 48), low 4 bits kept.
// Any byte is accepted: ' ' and 'G' give 0, 'Z' gives 3.
// Inline: the code conversions call these for every digit of every code of a sheet.
inline unsigned int HexDigitValue(char c) {
  const unsigned int code = static_cast<unsigned char>(c);
  // Unsigned wrap-around keeps the low four bits right for bytes below '0' as well.
  return (code > '9' ? code - 55U : code - 48U) & 0x0FU;
}

// True for '0'..'9', 'A'..'F', 'a'..'f'.
inline bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// 0..15 -> '0'..'9', 'A'..'F'; higher bits are ignored.
inline char UpperHexDigit(unsigned int value) {
  return "0123456789ABCDEF"[value & 0x0FU];
}

// Decimal text of `value`. With `pad` set, zero-padded to at least `minWidth` digits (zero
// never renders wider than sixteen digits); with `pad` clear, no leading zeros at all, so
// zero renders as the empty text.
std::string FormatDecimal64(std::int64_t value, int minWidth, bool pad);

// "%0.Nu": the decimal digits of `value`, zero-padded to at least `minDigits`.
std::string FormatUnsigned(std::uint64_t value, std::size_t minDigits);

// Pairs of characters to bytes ("0" put in front of an odd-length text). Hex digits count
// with their hex value, any other character with its own code; each byte keeps 8 bits.
std::string HexToText(std::string_view hex);

// Each byte as two upper-case hex digits.
std::string TextToHex(std::string_view text);

// -1 if `text` holds anything but hex digits, CR, LF and blanks; else its length.
int IsHexText(std::string_view text);

// Reverses the whole bit string of a hex text: digit i, its four bits mirrored, goes to
// position size - 1 - i. Non-hex characters count as 0; output digits are upper case.
std::string ReverseHexBits(std::string_view hex);

}  // namespace tagline::codes
