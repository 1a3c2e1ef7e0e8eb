// SPDX-License-Identifier: Apache-2.0
#include "codes/online_conversions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "codes/code_operations.h"
#include "codes/code_text.h"

namespace tagline::codes {
namespace {

std::string Convert(std::string_view key, std::string_view text) {
  const std::optional<OnlineConversion> conversion = FindOnlineConversion(key);
  if (!conversion) {
    ADD_FAILURE() << "no conversion " << key;
    return {};
  }
  return ApplyOnlineConversion(*conversion, text);
}

// The last `count` decimal digits of a 64-bit number, zero-padded.
std::string LastDigits(std::uint64_t value, std::size_t count) {
  std::string digits = std::to_string(value);
  if (digits.size() < count) digits.insert(0, count - digits.size(), '0');
  return digits.substr(digits.size() - count);
}

std::uint64_t ParseHex(const std::string& hex) {
  return hex.empty() ? 0 : std::strtoull(hex.c_str(), nullptr, 16);
}

TEST(CodesOnlineWorkedExamples, EightDigitCode) {
  const std::string code = "12345678\r\n";
  EXPECT_EQ(Convert("hex2dez", code), "305419896\r\n");
  EXPECT_EQ(Convert("8hex28dez", code), "05419896\r\n");
  EXPECT_EQ(Convert("hex210dez", code), "0305419896\r\n");
  EXPECT_EQ(Convert("hex210dezmotorola", code), "2018915346\r\n");
  EXPECT_EQ(Convert("hex2left8hex", code), "12345678\r\n");
  EXPECT_EQ(Convert("hex2left8hex2dez", code), "305419896\r\n");
  EXPECT_EQ(Convert("invert", code), "1E6A2C48\r\n");
  EXPECT_EQ(Convert("hex2iso", code), "");
  EXPECT_EQ(Convert("hex2bde", code), "");
}

TEST(CodesOnlineWorkedExamples, SixteenDigitCode) {
  const std::string code = "9180451CBE991A14\r\n";
  // The code is a number without sign (0x9180451CBE991A14 = 10484455922277620244).
  EXPECT_EQ(Convert("hex2dez", code), "10484455922277620244\r\n");
  EXPECT_EQ(Convert("hex210dez", code), "2277620244\r\n");
  EXPECT_EQ(Convert("hex2left8hex", code), "9180451C\r\n");
  EXPECT_EQ(Convert("hex2left8hex2dez", code), "2441102620\r\n");
  EXPECT_EQ(Convert("hex2iso", code), "276 123456789012\r\n");
  EXPECT_EQ(Convert("invert", code), "2858997D38A20189\r\n");
  EXPECT_EQ(Convert("invert", "2858997D38A20189\r\n"), code);
}

TEST(CodesOnlineWorkedExamples, MotorolaPadsAndSwapsBytes) {
  EXPECT_EQ(Convert("hex210dezmotorola", "ABC"), "0000048138\r\n");
  EXPECT_EQ(Convert("hex210dezmotorola", "1"), "0000000001\r\n");
  EXPECT_EQ(Convert("hex210dezmotorola", "0102"), "0000000513\r\n");
}

TEST(CodesOnlineEdgeCases, ZeroValues) {
  EXPECT_EQ(Convert("hex2dez", "0"), "0\r\n");
  EXPECT_EQ(Convert("8hex28dez", "0"), "00000000\r\n");
  EXPECT_EQ(Convert("hex210dez", "0"), "0000000000\r\n");
  EXPECT_EQ(Convert("hex2left8hex2dez", "0\r\n"), "0\r\n");
  EXPECT_EQ(Convert("invert", "0"), "0\r\n");
}

TEST(CodesOnlineEdgeCases, CodesWithTheTopBitSetAreNotNegative) {
  EXPECT_EQ(Convert("hex2dez", "8000000000000000"), "9223372036854775808\r\n");
  EXPECT_EQ(Convert("hex2dez", "FFFFFFFFFFFFFFFF"), "18446744073709551615\r\n");
  EXPECT_EQ(Convert("hex210dez", "8000000000000000"), "6854775808\r\n");
  EXPECT_EQ(Convert("hex210dez", "FFFFFFFFFFFFFFFF"), "3709551615\r\n");
  // The swapped bytes of 0000000000000080 are 8000000000000000.
  EXPECT_EQ(Convert("hex210dezmotorola", "FFFFFFFFFFFFFFFF"), "3709551615\r\n");
  EXPECT_EQ(Convert("hex210dezmotorola", "0000000000000080"), "6854775808\r\n");
}

TEST(CodesOnlineEdgeCases, EmptyTexts) {
  for (const OnlineConversion conversion : kOnlineConversions) {
    const std::string expected = conversion == OnlineConversion::HexLeft8 ? "\r\n" : "";
    EXPECT_EQ(ApplyOnlineConversion(conversion, ""), expected) << OnlineConversionKey(conversion);
    EXPECT_EQ(ApplyOnlineConversion(conversion, "\r\n\r"), expected)
        << OnlineConversionKey(conversion);
  }
}

TEST(CodesOnlineEdgeCases, LineEndsAnywhereAreRemoved) {
  EXPECT_EQ(Convert("hex2dez", "12\r34\n56\r\n78"), "305419896\r\n");
  EXPECT_EQ(Convert("invert", "\n1234\r5678"), "1E6A2C48\r\n");
  EXPECT_EQ(Convert("hex2iso", "9180451C\r\nBE991A14"), "276 123456789012\r\n");
}

TEST(CodesOnlineEdgeCases, LongTextsUseTheirLastOrFirstDigits) {
  EXPECT_EQ(Convert("hex2dez", "FF0000000012345678"), "305419896\r\n");
  EXPECT_EQ(Convert("hex210dez", "FFFF0000000012345678"), "0305419896\r\n");
  EXPECT_EQ(Convert("8hex28dez", "FF12345678\r\n"), "05419896\r\n");
  EXPECT_EQ(Convert("hex2left8hex", "12345678FF"), "12345678\r\n");
  EXPECT_EQ(Convert("hex2left8hex2dez", "12345678FF"), "305419896\r\n");
  EXPECT_EQ(Convert("hex2left8hex", "abc"), "abc\r\n");
  // Eighteen digits: the first sixteen count.
  EXPECT_EQ(Convert("hex2iso", "9180451CBE991A14FF\r\n"), "276 123456789012\r\n");
  EXPECT_EQ(Convert("hex2bde", "004000003212D687FF\r\n"), "200 1234567\r\n");
  // Fifteen digits are not enough.
  EXPECT_EQ(Convert("hex2iso", "9180451CBE991A1\r\n"), "");
  EXPECT_EQ(Convert("hex2bde", "004000003212D68\r\n"), "");
}

TEST(CodesOnlineEdgeCases, IsoAndBdeIgnoreTheFlags) {
  EXPECT_EQ(Convert("hex2iso", "0000F9C00012D687"), "999 000001234567\r\n");
  EXPECT_EQ(Convert("hex2iso", "8000FD000000002A"), "1012 000000000042\r\n");
  EXPECT_EQ(Convert("hex2bde", "004000003212D687"), "200 1234567\r\n");
  EXPECT_EQ(Convert("hex2bde", "00400000FA12D687"), "1000 1234567\r\n");
  // Neither animal flag nor marker bit looked at: bits 22..31 and 0..21 of any code.
  const std::uint64_t value = 0x9180451CBE991A14ULL;
  char expected[32];
  std::snprintf(expected, sizeof expected, "%03u %07u\r\n",
                static_cast<unsigned int>((value >> 22) & 1023U),
                static_cast<unsigned int>(value & 0x3FFFFFU));
  EXPECT_EQ(Convert("hex2bde", "9180451CBE991A14"), expected);
}

TEST(CodesOnlineEdgeCases, NonHexCharactersAreConvertedByTheirDigitValue) {
  // 'N' -> 7, 'o' -> 8, 'R' -> 11, 'E' -> 14, 'A' -> 10, 'D' -> 13.
  EXPECT_EQ(Convert("hex2dez", "NoREAD"), std::to_string(0x78BEAD) + "\r\n");
  EXPECT_EQ(Convert("hex2dez", "G1"), "1\r\n");
  EXPECT_EQ(Convert("hex2dez", " 1"), "1\r\n");
  EXPECT_EQ(Convert("hex2dez", "\xE4"), "13\r\n");
  EXPECT_EQ(Convert("hex2left8hex", "\xE4\xFF"), "\xE4\xFF\r\n");
  // "invert" counts them as 0.
  EXPECT_EQ(Convert("invert", "G1"), "80\r\n");
  EXPECT_EQ(Convert("invert", "\xE4z"), "00\r\n");
  const std::string withNul("1\0", 2);
  EXPECT_EQ(Convert("hex2dez", withNul), "16\r\n");
}

// Random hex texts of 1 to 20 digits against the standard library's hex parser.
TEST(CodesOnlineDifferential, DecimalConversionsMatchStrtoull) {
  std::mt19937_64 random(0x5EED2001);
  const std::string digits = "0123456789ABCDEFabcdef";
  for (int round = 0; round < 3000; ++round) {
    std::string hex;
    const std::size_t length = 1 + random() % 20;
    for (std::size_t i = 0; i < length; ++i) hex += digits[random() % digits.size()];
    const std::string last16 = hex.size() > 16 ? hex.substr(hex.size() - 16) : hex;
    const std::uint64_t value = ParseHex(last16);
    const std::string text = hex + "\r\n";

    ASSERT_EQ(Convert("hex2dez", text), std::to_string(value) + "\r\n") << hex;
    EXPECT_EQ(HexValue(hex), value);
    EXPECT_EQ(Convert("hex210dez", text), LastDigits(value, 10) + "\r\n") << hex;

    const std::string last8 = hex.size() > 8 ? hex.substr(hex.size() - 8) : hex;
    EXPECT_EQ(Convert("8hex28dez", text), LastDigits(ParseHex(last8), 8) + "\r\n") << hex;

    const std::string first8 = hex.substr(0, 8);
    const std::uint64_t firstValue = ParseHex(first8);
    EXPECT_EQ(Convert("hex2left8hex", text), first8 + "\r\n");
    EXPECT_EQ(Convert("hex2left8hex2dez", text), std::to_string(firstValue) + "\r\n");

    std::string padded = hex.size() % 2 != 0 ? "0" + hex : hex;
    std::string swapped;
    for (std::size_t end = padded.size(); end >= 2; end -= 2) swapped += padded.substr(end - 2, 2);
    const std::string swappedLast16 =
        swapped.size() > 16 ? swapped.substr(swapped.size() - 16) : swapped;
    EXPECT_EQ(Convert("hex210dezmotorola", text), LastDigits(ParseHex(swappedLast16), 10) + "\r\n")
        << hex;

    EXPECT_EQ(Convert("invert", text), ReverseHexBits(hex) + "\r\n");

    if (hex.size() >= 16) {
      const std::uint64_t code = ParseHex(hex.substr(0, 16));
      char iso[48];
      std::snprintf(iso, sizeof iso, "%03u %012" PRIu64 "\r\n",
                    static_cast<unsigned int>((code >> 38) & 1023U),
                    static_cast<std::uint64_t>(code & ((std::uint64_t{1} << 38) - 1)));
      EXPECT_EQ(Convert("hex2iso", text), iso) << hex;
    } else {
      EXPECT_EQ(Convert("hex2iso", text), "");
      EXPECT_EQ(Convert("hex2bde", text), "");
    }
  }
}

TEST(CodesOnlineLookup, KeysInProcessingOrder) {
  const std::vector<std::string_view> keys = {
      "invert",       "hex2dez",          "8hex28dez", "hex210dez", "hex210dezmotorola",
      "hex2left8hex", "hex2left8hex2dez", "hex2iso",   "hex2bde"};
  ASSERT_EQ(keys.size(), kOnlineConversions.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(OnlineConversionKey(kOnlineConversions[i]), keys[i]);
    EXPECT_EQ(FindOnlineConversion(keys[i]), kOnlineConversions[i]);
  }
  EXPECT_EQ(FindOnlineConversion("HEX2DEZ"), std::nullopt);
  EXPECT_EQ(FindOnlineConversion("hex2dez "), std::nullopt);
  EXPECT_EQ(FindOnlineConversion(""), std::nullopt);
}

TEST(CodesOnlineLookup, MinimumHexLength) {
  for (const OnlineConversion conversion : kOnlineConversions) {
    const bool needsFullCode =
        conversion == OnlineConversion::HexToIso || conversion == OnlineConversion::HexToBde;
    EXPECT_EQ(MinimumHexLength(conversion), needsFullCode ? 16 : 1);
  }
}

TEST(CodesOperations, NamesCoverConversionsAndDecoders) {
  const std::vector<std::string_view> names = CodeOperationNames();
  ASSERT_EQ(names.size(), 15U);
  for (const OnlineConversion conversion : kOnlineConversions) {
    const std::string_view key = OnlineConversionKey(conversion);
    EXPECT_NE(std::find(names.begin(), names.end(), key), names.end()) << key;
    EXPECT_FALSE(UsesBitOrder(key));
  }
  for (const std::string_view decoder :
       {"decode-iso-animal", "decode-full-animal", "decode-iso-industry",
        "decode-manufacturer-serial", "decode-retag", "decode-user-info"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), decoder), names.end()) << decoder;
    EXPECT_TRUE(UsesBitOrder(decoder));
  }
  for (const std::string_view name : names) {
    EXPECT_TRUE(RunCodeOperation(name, "", BitOrder::NumericOrder).has_value()) << name;
  }
}

TEST(CodesOperations, RunsByName) {
  constexpr BitOrder kNumeric = BitOrder::NumericOrder;
  constexpr BitOrder kTransmission = BitOrder::TransmissionOrder;
  EXPECT_EQ(RunCodeOperation("hex2dez", "12345678", kTransmission), "305419896\r\n");
  EXPECT_EQ(RunCodeOperation("invert", "12345678", kNumeric), "1E6A2C48\r\n");
  EXPECT_EQ(RunCodeOperation("decode-iso-animal", "9180451CBE991A14", kNumeric),
            "276 123456789012");
  EXPECT_EQ(RunCodeOperation("decode-iso-animal", "2858997D38A20189", kTransmission),
            "276 123456789012");
  EXPECT_EQ(RunCodeOperation("decode-iso-animal", "9180451CBE991A14", kTransmission), "");
  EXPECT_EQ(RunCodeOperation("decode-full-animal", "2858997D38A20189", kTransmission),
            "1103000276123456789012");
  EXPECT_EQ(RunCodeOperation("decode-iso-industry", "E16B4800039F0000", kTransmission),
            "999 000001234567");
  EXPECT_EQ(RunCodeOperation("decode-manufacturer-serial", "00400000FA12D687", kNumeric),
            "1000 1234567");
  EXPECT_EQ(RunCodeOperation("decode-retag", "9180451CBE991A14", kNumeric), "1");
  EXPECT_EQ(RunCodeOperation("decode-user-info", "2858997D38A20189", kTransmission), "03");
  EXPECT_EQ(RunCodeOperation("decode-animal", "9180451CBE991A14", kNumeric), std::nullopt);
  EXPECT_EQ(RunCodeOperation("", "1", kNumeric), std::nullopt);
}

TEST(CodesOperations, BitOrderNames) {
  for (const BitOrder order : {BitOrder::NumericOrder, BitOrder::TransmissionOrder}) {
    EXPECT_EQ(ParseBitOrder(BitOrderName(order)), order);
  }
  EXPECT_EQ(BitOrderName(BitOrder::NumericOrder), "numeric");
  EXPECT_EQ(BitOrderName(BitOrder::TransmissionOrder), "transmission");
  EXPECT_EQ(ParseBitOrder("Numeric"), std::nullopt);
  EXPECT_EQ(ParseBitOrder(""), std::nullopt);
}

}  // namespace
}  // namespace tagline::codes
