// SPDX-License-Identifier: Apache-2.0
#include "codes/code_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace tagline::codes {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(CodesHexDigitValue, HexDigitsHaveTheirValues) {
  const std::string upper = "0123456789ABCDEF";
  const std::string lower = "0123456789abcdef";
  for (unsigned int v = 0; v < 16; ++v) {
    EXPECT_EQ(HexDigitValue(upper[v]), v);
    EXPECT_EQ(HexDigitValue(lower[v]), v);
  }
}

TEST(CodesHexDigitValue, OtherBytesWrapModulo16) {
  EXPECT_EQ(HexDigitValue(' '), 0U);
  EXPECT_EQ(HexDigitValue('G'), 0U);
  EXPECT_EQ(HexDigitValue('Z'), 3U);
  // Every byte, taken as unsigned, by the (c - 55) / (c - 48) rule reduced modulo 16.
  for (const char c : AllBytes()) {
    const int code = static_cast<unsigned char>(c);
    const int raw = code > '9' ? code - 55 : code - 48;
    EXPECT_EQ(HexDigitValue(c), static_cast<unsigned int>(((raw % 16) + 16) % 16)) << code;
  }
}

TEST(CodesFormatDecimal64, DocumentedCases) {
  EXPECT_EQ(FormatDecimal64(0, 12, true), "000000000000");
  EXPECT_EQ(FormatDecimal64(0, 0, false), "");
  EXPECT_EQ(FormatDecimal64(5, 12, true), "000000000005");
  EXPECT_EQ(FormatDecimal64(-1, 0, false), "-1");
  const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(FormatDecimal64(lowest, 0, false), "-9223372036854775808");
  EXPECT_EQ(FormatDecimal64(lowest, 30, true), "-9223372036854775808");
  EXPECT_EQ(FormatDecimal64(std::numeric_limits<std::int64_t>::max(), 0, false),
            "9223372036854775807");
}

TEST(CodesFormatDecimal64, PaddingStopsAtNineteenDigitsAndComesAfterTheSign) {
  EXPECT_EQ(FormatDecimal64(42, 30, true), std::string(17, '0') + "42");
  EXPECT_EQ(FormatDecimal64(-42, 5, true), "-00042");
  EXPECT_EQ(FormatDecimal64(-42, 5, false), "-42");
  EXPECT_EQ(FormatDecimal64(123456, 3, true), "123456");
  EXPECT_EQ(FormatDecimal64(7, -1, true), "7");
  EXPECT_EQ(FormatDecimal64(1000000000000000000, 0, false), "1000000000000000000");
}

TEST(CodesFormatDecimal64, ZeroNeverRendersWiderThanSixteenDigits) {
  EXPECT_EQ(FormatDecimal64(0, 16, true), std::string(16, '0'));
  EXPECT_EQ(FormatDecimal64(0, 40, true), std::string(16, '0'));
  EXPECT_EQ(FormatDecimal64(0, 0, true), "");
  EXPECT_EQ(FormatDecimal64(0, -3, true), "");
  EXPECT_EQ(FormatDecimal64(0, 12, false), "");
}

TEST(CodesFormatDecimal64, PaddingStopsAtNineteenDigits) {
  EXPECT_EQ(FormatDecimal64(5, 30, true), std::string(18, '0') + "5");
  EXPECT_EQ(FormatDecimal64(-42, 5, true), "-00042");
  EXPECT_EQ(FormatDecimal64(123456, 3, true), "123456");
  EXPECT_EQ(FormatDecimal64(7, -1, true), "7");
}

// Random values against printf: the digits of the magnitude, zero-padded to the width
// (at most 19 digits of padding), with the sign in front.
TEST(CodesFormatDecimal64, MatchesPrintfForRandomValues) {
  std::mt19937_64 random(0x5EED0001);
  for (int round = 0; round < 4000; ++round) {
    const auto value = static_cast<std::int64_t>(random() >> (1 + random() % 63));
    const std::int64_t signedValue = (round % 2 == 0) ? value : -value;
    const int width = static_cast<int>(random() % 24);
    const bool pad = (round / 2) % 2 == 0;
    if (signedValue == 0) continue;

    char digits[32];
    const std::uint64_t magnitude = signedValue < 0 ? 0U - static_cast<std::uint64_t>(signedValue)
                                                    : static_cast<std::uint64_t>(signedValue);
    const int shownWidth = pad ? std::min(width, 19) : 0;
    std::snprintf(digits, sizeof digits, "%0*" PRIu64, shownWidth, magnitude);
    const std::string expected = (signedValue < 0 ? "-" : "") + std::string(digits);
    EXPECT_EQ(FormatDecimal64(signedValue, width, pad), expected)
        << signedValue << " width " << width << " pad " << pad;
  }
}

TEST(CodesFormatUnsigned, PadsToTheMinimumOnly) {
  EXPECT_EQ(FormatUnsigned(7, 3), "007");
  EXPECT_EQ(FormatUnsigned(1023, 3), "1023");
  EXPECT_EQ(FormatUnsigned(0, 1), "0");
  EXPECT_EQ(FormatUnsigned(0, 0), "0");
}

TEST(CodesHexText, TextToHexUsesUnsignedBytes) {
  EXPECT_EQ(TextToHex("\xE4"), "E4");
  EXPECT_EQ(TextToHex(""), "");
  EXPECT_EQ(TextToHex(std::string("A\0z", 3)), "41007A");
  EXPECT_EQ(TextToHex("\xFF\x80\x7F"), "FF807F");
}

TEST(CodesHexText, HexToTextPadsOddLengthInFront) {
  EXPECT_EQ(HexToText("41A"), std::string("\x04\x1A", 2));
  EXPECT_EQ(HexToText("4142"), "AB");
  EXPECT_EQ(HexToText("e4"), "\xE4");
  EXPECT_EQ(HexToText(""), "");
  EXPECT_EQ(HexToText("7"), "\x07");
}

TEST(CodesHexText, HexToTextCountsOtherCharactersWithTheirCode) {
  // 16 * 'G' (71) + 0 = 1136, truncated to 8 bits: 0x70.
  EXPECT_EQ(HexToText("G0"), "\x70");
  // 16 * 1 + ' ' (32) = 48.
  EXPECT_EQ(HexToText("1 "), "0");
  // A byte above 0x7F counts as its unsigned value: 16 * 0 + 0xE4.
  EXPECT_EQ(HexToText("0\xE4"), "\xE4");
  // 16 * 0xFF + 0xFF = 4335 -> 0xEF.
  EXPECT_EQ(HexToText("\xFF\xFF"), "\xEF");
}

TEST(CodesHexText, EveryByteRoundTrips) {
  const std::string bytes = AllBytes();
  const std::string hex = TextToHex(bytes);
  ASSERT_EQ(hex.size(), 512U);
  EXPECT_EQ(HexToText(hex), bytes);
  std::string lower = hex;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  EXPECT_EQ(HexToText(lower), bytes);
}

TEST(CodesIsHexText, LengthOrMinusOne) {
  EXPECT_EQ(IsHexText(""), 0);
  EXPECT_EQ(IsHexText("0123456789abcdefABCDEF"), 22);
  EXPECT_EQ(IsHexText("12 ab\r\n"), 7);
  EXPECT_EQ(IsHexText("12G"), -1);
  EXPECT_EQ(IsHexText("NoREAD\r\n"), -1);
  EXPECT_EQ(IsHexText("12\t"), -1);
  EXPECT_EQ(IsHexText("\xE4"), -1);
  EXPECT_EQ(IsHexText(std::string("1\0", 2)), -1);
}

TEST(CodesReverseHexBits, MirrorsTheWholeBitString) {
  EXPECT_EQ(ReverseHexBits(""), "");
  EXPECT_EQ(ReverseHexBits("12345678"), "1E6A2C48");
  EXPECT_EQ(ReverseHexBits("9180451CBE991A14"), "2858997D38A20189");
  EXPECT_EQ(ReverseHexBits("2858997d38a20189"), "9180451CBE991A14");
  EXPECT_EQ(ReverseHexBits("1"), "8");
  // Non-hex characters and bytes above 0x7F count as 0.
  EXPECT_EQ(ReverseHexBits("G\xE4 1"), "8000");
}

TEST(CodesReverseHexBits, IsItsOwnInverseOnRandomTexts) {
  std::mt19937_64 random(0x5EED0002);
  const std::string digits = "0123456789ABCDEF";
  for (int round = 0; round < 500; ++round) {
    std::string hex;
    const std::size_t length = random() % 40;
    for (std::size_t i = 0; i < length; ++i) hex += digits[random() % 16];
    const std::string reversed = ReverseHexBits(hex);
    ASSERT_EQ(reversed.size(), hex.size());
    EXPECT_EQ(ReverseHexBits(reversed), hex);
  }
}

}  // namespace
}  // namespace tagline::codes
