// SPDX-License-Identifier: Apache-2.0
#include "codes/iso_code.h"

#include <limits>

#include "codes/code_text.h"
#include "platform/crt.h"

namespace tagline::codes {

namespace {

constexpr unsigned int kIdentificationShift = 0;
constexpr unsigned int kIdentificationWidth = 38;
constexpr unsigned int kCountryShift = 38;
constexpr unsigned int kCountryWidth = 10;
constexpr unsigned int kMarkerShift = 54;
constexpr unsigned int kUserInformationShift = 55;
constexpr unsigned int kUserInformationWidth = 5;
constexpr unsigned int kRetagShift = 60;
constexpr unsigned int kRetagWidth = 3;
constexpr unsigned int kAnimalShift = 63;
constexpr unsigned int kSerialWidth = 22;
constexpr unsigned int kManufacturerShift = 22;

constexpr std::uint64_t Mask(unsigned int width) {
  return (std::uint64_t{1} << width) - 1;
}

std::uint64_t Field(std::uint64_t code, unsigned int shift, unsigned int width) {
  return (code >> shift) & Mask(width);
}

std::uint64_t Place(std::uint64_t value, unsigned int shift, unsigned int width) {
  return (value & Mask(width)) << shift;
}

unsigned int ManufacturerWidth(BitOrder order) {
  return order == BitOrder::TransmissionOrder ? 8U : 10U;
}

std::string_view Left(std::string_view text, std::size_t count) {
  return text.substr(0, count);
}

std::string_view Right(std::string_view text, std::size_t count) {
  return text.size() > count ? text.substr(text.size() - count) : text;
}

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// `_atoi64`: leading white space, an optional sign, decimal digits up to the first other
// character; saturates instead of overflowing.
std::int64_t Atoi64(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr std::uint64_t kLimit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1U;
  std::uint64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const auto digit = static_cast<std::uint64_t>(text[i] - '0');
    magnitude = magnitude > (kLimit - digit) / 10 ? kLimit : magnitude * 10 + digit;
  }
  if (negative) {
    return magnitude >= kLimit ? std::numeric_limits<std::int64_t>::min()
                               : -static_cast<std::int64_t>(magnitude);
  }
  return magnitude >= kLimit ? std::numeric_limits<std::int64_t>::max()
                             : static_cast<std::int64_t>(magnitude);
}

// Two's-complement bits of a 32-bit `atol` result, so negative texts truncate like the
// original integer did.
std::uint64_t AtolBits(std::string_view text) {
  return static_cast<std::uint32_t>(platform::Atol32(text));
}

// The country of a code text: its first three characters, "A" standing for "10".
std::uint64_t CountryOf(std::string_view code) {
  const std::string_view head = Left(code, 3);
  if (!head.empty() && head.front() == 'A') {
    std::string expanded = "10";
    expanded += Right(head, 2);
    return AtolBits(expanded);
  }
  return AtolBits(head);
}

std::string EncodeIso(std::string_view code, std::string_view retag,
                      std::string_view userInformation, bool animal, BitOrder order) {
  const auto identification = static_cast<std::uint64_t>(Atoi64(Right(code, 12)));
  std::uint64_t bits = Place(identification, kIdentificationShift, kIdentificationWidth);
  bits |= Place(CountryOf(code), kCountryShift, kCountryWidth);
  bits |= Place(AtolBits(Left(userInformation, 2)), kUserInformationShift, kUserInformationWidth);
  bits |= Place(AtolBits(Left(retag, 1)), kRetagShift, kRetagWidth);
  if (animal) bits |= std::uint64_t{1} << kAnimalShift;
  return WriteCode(bits, order);
}

// The country as the animal formats show it: "%0.3u", or "A%0.2u" above 999.
std::string AnimalCountry(unsigned int country) {
  if (country < 1000) return FormatUnsigned(country, 3);
  return "A" + FormatUnsigned(country % 100, 2);
}

std::string IdentificationText(std::uint64_t identification) {
  // 38 bits always fit the signed range.
  return FormatDecimal64(static_cast<std::int64_t>(identification), 12, true);
}

}  // namespace

std::uint64_t ReverseBits64(std::uint64_t value) {
  value = ((value >> 1) & 0x5555555555555555ULL) | ((value & 0x5555555555555555ULL) << 1);
  value = ((value >> 2) & 0x3333333333333333ULL) | ((value & 0x3333333333333333ULL) << 2);
  value = ((value >> 4) & 0x0F0F0F0F0F0F0F0FULL) | ((value & 0x0F0F0F0F0F0F0F0FULL) << 4);
  value = ((value >> 8) & 0x00FF00FF00FF00FFULL) | ((value & 0x00FF00FF00FF00FFULL) << 8);
  value = ((value >> 16) & 0x0000FFFF0000FFFFULL) | ((value & 0x0000FFFF0000FFFFULL) << 16);
  return (value >> 32) | (value << 32);
}

std::uint64_t ReadCode(std::string_view hex, BitOrder order) {
  std::uint64_t number = 0;
  for (std::size_t i = 0; i < kCodeDigits; ++i) {
    number = (number << 4) | (i < hex.size() ? HexDigitValue(hex[i]) : 0U);
  }
  return order == BitOrder::TransmissionOrder ? ReverseBits64(number) : number;
}

std::string WriteCode(std::uint64_t code, BitOrder order) {
  const std::uint64_t number = order == BitOrder::TransmissionOrder ? ReverseBits64(code) : code;
  std::string hex(kCodeDigits, '0');
  for (std::size_t i = 0; i < kCodeDigits; ++i) {
    hex[i] = UpperHexDigit(static_cast<unsigned int>(number >> (4 * (kCodeDigits - 1 - i))));
  }
  return hex;
}

CodeFields SplitCode(std::uint64_t code) {
  CodeFields fields;
  fields.identification = Field(code, kIdentificationShift, kIdentificationWidth);
  fields.country = static_cast<unsigned int>(Field(code, kCountryShift, kCountryWidth));
  fields.manufacturerSerialMarker = Field(code, kMarkerShift, 1) != 0;
  fields.userInformation =
      static_cast<unsigned int>(Field(code, kUserInformationShift, kUserInformationWidth));
  fields.retagCounter = static_cast<unsigned int>(Field(code, kRetagShift, kRetagWidth));
  fields.animal = Field(code, kAnimalShift, 1) != 0;
  return fields;
}

unsigned int ManufacturerNumber(std::uint64_t code, BitOrder order) {
  return static_cast<unsigned int>(Field(code, kManufacturerShift, ManufacturerWidth(order)));
}

unsigned int SerialNumber(std::uint64_t code) {
  return static_cast<unsigned int>(Field(code, 0, kSerialWidth));
}

std::string FormatCountryAndNumber(std::uint64_t code) {
  const CodeFields fields = SplitCode(code);
  return FormatUnsigned(fields.country, 3) + " " + IdentificationText(fields.identification);
}

std::string FormatManufacturerSerial(std::uint64_t code, BitOrder order) {
  return FormatUnsigned(ManufacturerNumber(code, order), 3) + " " +
         FormatUnsigned(SerialNumber(code), 7);
}

std::string DecodeRetagCounter(std::string_view hex, BitOrder order) {
  return FormatUnsigned(SplitCode(ReadCode(hex, order)).retagCounter, 1);
}

std::string DecodeUserInformation(std::string_view hex, BitOrder order) {
  return FormatUnsigned(SplitCode(ReadCode(hex, order)).userInformation, 2);
}

std::string DecodeIsoAnimal(std::string_view hex, BitOrder order) {
  const CodeFields fields = SplitCode(ReadCode(hex, order));
  if (!fields.animal) return {};
  return AnimalCountry(fields.country) + " " + IdentificationText(fields.identification);
}

std::string DecodeFullAnimal(std::string_view hex, BitOrder order) {
  const CodeFields fields = SplitCode(ReadCode(hex, order));
  if (!fields.animal) return {};
  return "1" + FormatUnsigned(fields.retagCounter, 1) + FormatUnsigned(fields.userInformation, 2) +
         "000" + AnimalCountry(fields.country) + IdentificationText(fields.identification);
}

std::string DecodeIsoIndustry(std::string_view hex, BitOrder order) {
  const std::uint64_t code = ReadCode(hex, order);
  if (SplitCode(code).animal) return {};
  return FormatCountryAndNumber(code);
}

std::string DecodeManufacturerSerial(std::string_view hex, BitOrder order) {
  const std::uint64_t code = ReadCode(hex, order);
  const CodeFields fields = SplitCode(code);
  if (fields.animal || !fields.manufacturerSerialMarker) return {};
  return FormatManufacturerSerial(code, order);
}

std::string EncodeIsoAnimal(std::string_view code, std::string_view retag,
                            std::string_view userInformation, BitOrder order) {
  return EncodeIso(code, retag, userInformation, true, order);
}

std::string EncodeIsoIndustry(std::string_view code, std::string_view retag,
                              std::string_view userInformation, BitOrder order) {
  return EncodeIso(code, retag, userInformation, false, order);
}

std::string EncodeManufacturerSerial(std::string_view code, BitOrder order) {
  std::uint64_t bits = Place(AtolBits(Right(code, 7)), 0, kSerialWidth);
  bits |= Place(AtolBits(Left(code, 3)), kManufacturerShift, ManufacturerWidth(order));
  bits |= std::uint64_t{1} << kMarkerShift;
  return WriteCode(bits, order);
}

}  // namespace tagline::codes
