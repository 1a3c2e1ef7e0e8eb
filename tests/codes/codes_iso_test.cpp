// SPDX-License-Identifier: Apache-2.0
#include "codes/iso_code.h"

#include <gtest/gtest.h>

#include <array>
#include <cinttypes>
#include <cstdio>
#include <random>
#include <string>

#include "codes/code_text.h"

namespace tagline::codes {
namespace {

constexpr BitOrder kNumeric = BitOrder::NumericOrder;
constexpr BitOrder kTransmission = BitOrder::TransmissionOrder;

// Reference model of a code: one flag per bit, bit 0 transmitted first, rendered digit by
// digit from the bit positions of each representation.
class ReferenceCode {
 public:
  ReferenceCode() = default;
  explicit ReferenceCode(std::uint64_t raw) { Set(0, 64, raw); }

  ReferenceCode& Set(unsigned int first, unsigned int width, std::uint64_t value) {
    for (unsigned int k = 0; k < width; ++k) bits_[first + k] = ((value >> k) & 1U) != 0;
    return *this;
  }
  ReferenceCode& Clear(unsigned int first, unsigned int width) { return Set(first, width, 0); }

  static ReferenceCode Iso(std::uint64_t id, unsigned int country, unsigned int user,
                           unsigned int retag, bool animal) {
    ReferenceCode code;
    code.Set(0, 38, id).Set(38, 10, country).Set(55, 5, user).Set(60, 3, retag);
    code.Set(63, 1, animal ? 1 : 0);
    return code;
  }

  static ReferenceCode ManufacturerSerial(unsigned int manufacturer, unsigned int width,
                                          unsigned int serial) {
    ReferenceCode code;
    code.Set(0, 22, serial).Set(22, width, manufacturer).Set(54, 1, 1);
    return code;
  }

  std::string Text(BitOrder order) const {
    std::array<unsigned int, 16> digits{};
    for (unsigned int j = 0; j < 64; ++j) {
      if (!bits_[j]) continue;
      if (order == kNumeric) {
        digits[15 - j / 4] += 1U << (j % 4);
      } else {
        digits[j / 4] += 1U << (3 - j % 4);
      }
    }
    std::string text;
    for (const unsigned int digit : digits) text += "0123456789ABCDEF"[digit];
    return text;
  }

 private:
  std::array<bool, 64> bits_{};
};

std::string Printf(const char* format, unsigned int a, unsigned int b) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

std::string Number12(std::uint64_t id) {
  char text[32];
  std::snprintf(text, sizeof text, "%012" PRIu64, id);
  return text;
}

std::string AnimalCountryText(unsigned int country) {
  return country < 1000 ? Printf("%03u", country, 0) : Printf("A%02u", country % 100, 0);
}

// --- Worked examples -------------------------------------------------------------------

TEST(CodesIsoWorkedExamples, AnimalTagInBothOrders) {
  const ReferenceCode tag = ReferenceCode::Iso(123456789012ULL, 276, 3, 1, true);
  ASSERT_EQ(tag.Text(kNumeric), "9180451CBE991A14");
  ASSERT_EQ(tag.Text(kTransmission), "2858997D38A20189");

  for (const BitOrder order : {kNumeric, kTransmission}) {
    const std::string hex = tag.Text(order);
    EXPECT_EQ(DecodeIsoAnimal(hex, order), "276 123456789012");
    EXPECT_EQ(DecodeFullAnimal(hex, order), "1103000276123456789012");
    EXPECT_EQ(DecodeIsoIndustry(hex, order), "");
    EXPECT_EQ(DecodeManufacturerSerial(hex, order), "");
    EXPECT_EQ(DecodeRetagCounter(hex, order), "1");
    EXPECT_EQ(DecodeUserInformation(hex, order), "03");
    EXPECT_EQ(EncodeIsoAnimal("276 123456789012", "1", "03", order), hex);
  }
}

TEST(CodesIsoWorkedExamples, CountryAboveNineHundredNinetyNineUsesTheAForm) {
  const ReferenceCode tag = ReferenceCode::Iso(42, 1012, 0, 0, true);
  ASSERT_EQ(tag.Text(kNumeric), "8000FD000000002A");
  for (const BitOrder order : {kNumeric, kTransmission}) {
    const std::string hex = tag.Text(order);
    EXPECT_EQ(DecodeIsoAnimal(hex, order), "A12 000000000042");
    EXPECT_EQ(DecodeFullAnimal(hex, order), "1000000A12000000000042");
    EXPECT_EQ(EncodeIsoAnimal("A12 000000000042", "0", "00", order), hex);
    EXPECT_EQ(EncodeIsoAnimal("A12 000000000042", "", "", order), hex);
  }
}

TEST(CodesIsoWorkedExamples, IndustryTag) {
  EXPECT_EQ(ReferenceCode::Iso(1234567, 999, 0, 0, false).Text(kNumeric), "0000F9C00012D687");
  EXPECT_EQ(DecodeIsoIndustry("0000F9C00012D687", kNumeric), "999 000001234567");
  EXPECT_EQ(DecodeIsoIndustry("E16B4800039F0000", kTransmission), "999 000001234567");
  EXPECT_EQ(DecodeIsoAnimal("0000F9C00012D687", kNumeric), "");
  EXPECT_EQ(DecodeFullAnimal("E16B4800039F0000", kTransmission), "");
  EXPECT_EQ(EncodeIsoIndustry("999 000001234567", "0", "00", kNumeric), "0000F9C00012D687");
  EXPECT_EQ(EncodeIsoIndustry("999 000001234567", "0", "00", kTransmission), "E16B4800039F0000");
}

TEST(CodesIsoWorkedExamples, ManufacturerSerial) {
  EXPECT_EQ(DecodeManufacturerSerial("004000003212D687", kNumeric), "200 1234567");
  EXPECT_EQ(DecodeManufacturerSerial("E16B484C00000200", kTransmission), "200 1234567");
  EXPECT_EQ(EncodeManufacturerSerial("200 1234567", kNumeric), "004000003212D687");
  EXPECT_EQ(EncodeManufacturerSerial("200 1234567", kTransmission), "E16B484C00000200");
}

TEST(CodesIsoWorkedExamples, ManufacturerThousandKeepsEightBitsInTransmissionOrder) {
  const ReferenceCode tag = ReferenceCode::ManufacturerSerial(1000, 10, 1234567);
  ASSERT_EQ(tag.Text(kNumeric), "00400000FA12D687");
  EXPECT_EQ(DecodeManufacturerSerial("00400000FA12D687", kNumeric), "1000 1234567");
  EXPECT_EQ(DecodeManufacturerSerial(tag.Text(kTransmission), kTransmission), "232 1234567");
  EXPECT_EQ(DecodeManufacturerSerial(ReverseHexBits("00400000FA12D687"), kTransmission),
            "232 1234567");
}

// The manufacturer number comes from the first three characters only, so "1000" is read
// as 100 in both orders.
TEST(CodesIsoEncoders, ManufacturerNumberIsReadFromThreeCharacters) {
  for (const BitOrder order : {kNumeric, kTransmission}) {
    const unsigned int width = order == kNumeric ? 10 : 8;
    EXPECT_EQ(EncodeManufacturerSerial("1000 1234567", order),
              ReferenceCode::ManufacturerSerial(100, width, 1234567).Text(order));
  }
  // 300 needs nine bits: only TransmissionOrder loses the top one.
  EXPECT_EQ(DecodeManufacturerSerial(EncodeManufacturerSerial("300 0000001", kTransmission),
                                     kTransmission),
            "044 0000001");
  EXPECT_EQ(DecodeManufacturerSerial(EncodeManufacturerSerial("300 0000001", kNumeric), kNumeric),
            "300 0000001");
}

// --- Documented edge cases -------------------------------------------------------------

TEST(CodesIsoDecoders, FlagConditions) {
  const std::string industry = ReferenceCode::Iso(77, 40, 2, 5, false).Text(kNumeric);
  EXPECT_EQ(DecodeIsoAnimal(industry, kNumeric), "");
  EXPECT_EQ(DecodeFullAnimal(industry, kNumeric), "");
  EXPECT_EQ(DecodeIsoIndustry(industry, kNumeric), "040 000000000077");
  // Marker bit 54 clear.
  EXPECT_EQ(DecodeManufacturerSerial(industry, kNumeric), "");
  // Marker set but the animal flag too.
  ReferenceCode animalWithMarker = ReferenceCode::ManufacturerSerial(5, 10, 9);
  animalWithMarker.Set(63, 1, 1);
  EXPECT_EQ(DecodeManufacturerSerial(animalWithMarker.Text(kNumeric), kNumeric), "");
  EXPECT_EQ(DecodeManufacturerSerial(animalWithMarker.Text(kTransmission), kTransmission), "");
  // Retag counter and user information have no condition.
  EXPECT_EQ(DecodeRetagCounter(industry, kNumeric), "5");
  EXPECT_EQ(DecodeUserInformation(industry, kNumeric), "02");
}

TEST(CodesIsoDecoders, Country1023) {
  for (const BitOrder order : {kNumeric, kTransmission}) {
    const std::string animal = ReferenceCode::Iso(1, 1023, 31, 7, true).Text(order);
    EXPECT_EQ(DecodeIsoAnimal(animal, order), "A23 000000000001");
    EXPECT_EQ(DecodeFullAnimal(animal, order), "1731000A23000000000001");
    const std::string industry = ReferenceCode::Iso(1, 1023, 0, 0, false).Text(order);
    EXPECT_EQ(DecodeIsoIndustry(industry, order), "1023 000000000001");
    EXPECT_EQ(EncodeIsoAnimal("A23 000000000001", "7", "31", order), animal);
    EXPECT_EQ(EncodeIsoIndustry("A23 000000000001", "0", "0", order), industry);
  }
}

TEST(CodesIsoDecoders, LargestFieldValues) {
  const std::string hex = ReferenceCode::Iso((1ULL << 38) - 1, 999, 31, 7, true).Text(kNumeric);
  EXPECT_EQ(DecodeIsoAnimal(hex, kNumeric), "999 274877906943");
  EXPECT_EQ(DecodeFullAnimal(hex, kNumeric), "1731000999274877906943");
  const std::string bde = ReferenceCode::ManufacturerSerial(1023, 10, 4194303).Text(kNumeric);
  EXPECT_EQ(DecodeManufacturerSerial(bde, kNumeric), "1023 4194303");
  const std::string small = ReferenceCode::ManufacturerSerial(1, 8, 2).Text(kTransmission);
  EXPECT_EQ(DecodeManufacturerSerial(small, kTransmission), "001 0000002");
}

TEST(CodesIsoEncoders, FieldValuesAreTruncatedToTheirWidths) {
  for (const BitOrder order : {kNumeric, kTransmission}) {
    // Identification number above 2^38 - 1 loses its upper bits; the country is untouched.
    const std::uint64_t id = 999999999999ULL;
    EXPECT_EQ(EncodeIsoAnimal("276 999999999999", "0", "00", order),
              ReferenceCode::Iso(id & ((1ULL << 38) - 1), 276, 0, 0, true).Text(order));
    // User information 45 -> 13, retag "9" -> 1, retag "12" reads only "1".
    EXPECT_EQ(EncodeIsoIndustry("001 000000000001", "9", "45", order),
              ReferenceCode::Iso(1, 1, 13, 1, false).Text(order));
    EXPECT_EQ(EncodeIsoIndustry("001 000000000001", "12", "3", order),
              ReferenceCode::Iso(1, 1, 3, 1, false).Text(order));
    // Negative numbers keep the low bits of their two's complement.
    // The retag text's first character alone, "-", reads as 0.
    EXPECT_EQ(EncodeIsoAnimal("-01 -00000000001", "-1", "-1", order),
              ReferenceCode::Iso((1ULL << 38) - 1, 1023, 31, 0, true).Text(order));
    EXPECT_EQ(EncodeManufacturerSerial("-01 -000001", order),
              ReferenceCode::ManufacturerSerial(order == kNumeric ? 1023 : 255,
                                                order == kNumeric ? 10 : 8, 4194303)
                  .Text(order));
  }
}

TEST(CodesIsoEncoders, TextsAreReadWithTheRuntimeIntegerRules) {
  // Leading blanks and digits up to the first other character.
  EXPECT_EQ(EncodeIsoAnimal("276    1234x678", "1", "3", kNumeric),
            ReferenceCode::Iso(1234, 276, 3, 1, true).Text(kNumeric));
  // A code shorter than twelve characters is read whole; "A5" becomes "10A5", i.e. 10.
  EXPECT_EQ(EncodeIsoIndustry("42", "", "", kNumeric),
            ReferenceCode::Iso(42, 42, 0, 0, false).Text(kNumeric));
  EXPECT_EQ(EncodeIsoAnimal("A5", "", "", kNumeric),
            ReferenceCode::Iso(0, 10, 0, 0, true).Text(kNumeric));
  // Empty texts: only the fixed bits.
  EXPECT_EQ(EncodeIsoAnimal("", "", "", kNumeric), "8000000000000000");
  EXPECT_EQ(EncodeIsoAnimal("", "", "", kTransmission), "0000000000000001");
  EXPECT_EQ(EncodeIsoIndustry("", "", "", kTransmission), "0000000000000000");
  EXPECT_EQ(EncodeManufacturerSerial("", kNumeric), "0040000000000000");
  EXPECT_EQ(EncodeManufacturerSerial("", kTransmission), "0000000000000200");
  // Non-digit texts read as 0.
  EXPECT_EQ(EncodeIsoAnimal("\xE4\xE4\xE4 abcdefghijkl", "\xFF", "zz", kNumeric),
            "8000000000000000");
}

// --- Hostile inputs ---------------------------------------------------------------------

TEST(CodesIsoDecoders, ShortTextsReadMissingDigitsAsZero) {
  EXPECT_EQ(DecodeIsoIndustry("", kNumeric), "000 000000000000");
  EXPECT_EQ(DecodeIsoIndustry("", kTransmission), "000 000000000000");
  EXPECT_EQ(DecodeIsoAnimal("", kNumeric), "");
  EXPECT_EQ(DecodeManufacturerSerial("", kTransmission), "");
  EXPECT_EQ(DecodeRetagCounter("", kNumeric), "0");
  EXPECT_EQ(DecodeUserInformation("", kTransmission), "00");
  EXPECT_EQ(DecodeIsoAnimal("8", kNumeric), "000 000000000000");
  EXPECT_EQ(DecodeIsoIndustry("1", kTransmission), "000 000000000008");

  const std::string full = "9180451CBE991A14";
  for (std::size_t length = 0; length <= full.size(); ++length) {
    const std::string shortCode = full.substr(0, length);
    const std::string padded = shortCode + std::string(16 - length, '0');
    for (const BitOrder order : {kNumeric, kTransmission}) {
      EXPECT_EQ(ReadCode(shortCode, order), ReadCode(padded, order)) << shortCode;
      EXPECT_EQ(DecodeFullAnimal(shortCode, order), DecodeFullAnimal(padded, order));
      EXPECT_EQ(DecodeIsoIndustry(shortCode, order), DecodeIsoIndustry(padded, order));
    }
  }
}

TEST(CodesIsoDecoders, OnlyTheFirstSixteenCharactersCount) {
  for (const BitOrder order : {kNumeric, kTransmission}) {
    const std::string hex = ReferenceCode::Iso(123456789012ULL, 276, 3, 1, true).Text(order);
    EXPECT_EQ(DecodeFullAnimal(hex + "FFFF\r\n", order), DecodeFullAnimal(hex, order));
  }
}

TEST(CodesIsoDecoders, NonHexCharactersTakeTheirWrappedDigitValue) {
  // 'G' and ' ' count as 0, 'Z' as 3, byte 0xE4 as 13 (like 'D'), lower case as upper.
  EXPECT_EQ(ReadCode("G 00000000000000Z", kNumeric), 0U);
  EXPECT_EQ(ReadCode("000000000000000Z", kNumeric), 3U);
  EXPECT_EQ(ReadCode("\xE4", kNumeric), ReadCode("D", kNumeric));
  EXPECT_EQ(DecodeIsoAnimal("9180451cbe991a14", kNumeric), "276 123456789012");
  EXPECT_EQ(DecodeIsoIndustry("0000F9C00012D68\xFF", kNumeric),
            DecodeIsoIndustry("0000F9C00012D688", kNumeric));
  // 0x80 -> 9, 0xFF -> 8, 0x00 -> 0, 0x01 -> 1, 0x7F -> 8, '<' -> 5, '>' -> 7, CR -> 13,
  // LF -> 10, TAB -> 9.
  const std::string hostile("\x80\xFF\x00\x01\x7F<>\r\n\t", 10);
  for (const BitOrder order : {kNumeric, kTransmission}) {
    EXPECT_EQ(ReadCode(hostile, order), ReadCode("9801857DA9", order));
  }
}

// --- Differential checks against the reference model ----------------------------------

TEST(CodesIsoDifferential, RepresentationsMatchTheBitPositions) {
  std::mt19937_64 random(0x5EED1001);
  for (int round = 0; round < 2000; ++round) {
    const std::uint64_t raw = random();
    const ReferenceCode reference(raw);
    for (const BitOrder order : {kNumeric, kTransmission}) {
      const std::string text = reference.Text(order);
      ASSERT_EQ(WriteCode(raw, order), text);
      ASSERT_EQ(ReadCode(text, order), raw);
    }
    EXPECT_EQ(ReverseHexBits(reference.Text(kNumeric)), reference.Text(kTransmission));
    EXPECT_EQ(ReverseBits64(ReverseBits64(raw)), raw);
  }
}

TEST(CodesIsoDifferential, IsoEncodeDecodeRoundTrips) {
  std::mt19937_64 random(0x5EED1002);
  for (int round = 0; round < 3000; ++round) {
    const std::uint64_t id = random() & ((1ULL << 38) - 1);
    const auto country = static_cast<unsigned int>(random() % 1024);
    const auto user = static_cast<unsigned int>(random() % 32);
    const auto retag = static_cast<unsigned int>(random() % 8);
    const std::string retagText = Printf("%u", retag, 0);
    const std::string userText = Printf("%02u", user, 0);

    for (const BitOrder order : {kNumeric, kTransmission}) {
      const std::string animalText = AnimalCountryText(country) + " " + Number12(id);
      const std::string animal = EncodeIsoAnimal(animalText, retagText, userText, order);
      ASSERT_EQ(animal, ReferenceCode::Iso(id, country, user, retag, true).Text(order))
          << animalText;
      EXPECT_EQ(DecodeIsoAnimal(animal, order), animalText);
      EXPECT_EQ(DecodeFullAnimal(animal, order),
                "1" + retagText + userText + "000" + AnimalCountryText(country) + Number12(id));
      EXPECT_EQ(DecodeRetagCounter(animal, order), retagText);
      EXPECT_EQ(DecodeUserInformation(animal, order), userText);
      EXPECT_EQ(DecodeIsoIndustry(animal, order), "");

      // Industry texts print countries above 999 with four digits, which the encoder
      // cannot read back; those are written in the "A" form instead.
      const std::string industryText =
          (country < 1000 ? Printf("%03u", country, 0) : AnimalCountryText(country)) + " " +
          Number12(id);
      const std::string industry = EncodeIsoIndustry(industryText, retagText, userText, order);
      ASSERT_EQ(industry, ReferenceCode::Iso(id, country, user, retag, false).Text(order));
      EXPECT_EQ(DecodeIsoIndustry(industry, order), Printf("%03u ", country, 0) + Number12(id));
      EXPECT_EQ(DecodeIsoAnimal(industry, order), "");
      EXPECT_EQ(DecodeManufacturerSerial(industry, order), "");
    }
  }
}

TEST(CodesIsoDifferential, ManufacturerSerialRoundTrips) {
  std::mt19937_64 random(0x5EED1003);
  for (int round = 0; round < 3000; ++round) {
    const auto serial = static_cast<unsigned int>(random() % 4194304);
    for (const BitOrder order : {kNumeric, kTransmission}) {
      const unsigned int width = order == kNumeric ? 10 : 8;
      // Three characters carry the manufacturer number; the 8-bit field takes 0..255.
      const auto manufacturer =
          static_cast<unsigned int>(random() % (order == kNumeric ? 1000 : 256));
      const std::string text = Printf("%03u %07u", manufacturer, serial);
      const std::string hex = EncodeManufacturerSerial(text, order);
      ASSERT_EQ(hex, ReferenceCode::ManufacturerSerial(manufacturer, width, serial).Text(order))
          << text;
      EXPECT_EQ(DecodeManufacturerSerial(hex, order), text);
      // The same bits read as an industry number: country 0, serial and manufacturer in it.
      EXPECT_EQ(DecodeIsoIndustry(hex, order),
                "000 " + Number12(serial | (std::uint64_t{manufacturer} << 22)));
    }
  }
}

// Any code read and written back through the display texts keeps every field the texts
// carry; the unused bits 48..54 come back as 0.
TEST(CodesIsoDifferential, DecodeEncodeRoundTripsOfRandomCodes) {
  std::mt19937_64 random(0x5EED1004);
  for (int round = 0; round < 3000; ++round) {
    const std::uint64_t raw = random();
    ReferenceCode expected(raw);
    expected.Clear(48, 7);
    for (const BitOrder order : {kNumeric, kTransmission}) {
      const std::string hex = ReferenceCode(raw).Text(order);
      const std::string retag = DecodeRetagCounter(hex, order);
      const std::string user = DecodeUserInformation(hex, order);
      if ((raw >> 63) != 0) {
        EXPECT_EQ(EncodeIsoAnimal(DecodeIsoAnimal(hex, order), retag, user, order),
                  expected.Text(order));
        EXPECT_EQ(DecodeIsoIndustry(hex, order), "");
      } else {
        const std::string industry = DecodeIsoIndustry(hex, order);
        if (((raw >> 38) & 1023U) < 1000) {
          EXPECT_EQ(EncodeIsoIndustry(industry, retag, user, order), expected.Text(order));
        }
        EXPECT_EQ(DecodeIsoAnimal(hex, order), "");
      }
    }
  }
}

}  // namespace
}  // namespace tagline::codes
