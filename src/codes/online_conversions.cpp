// SPDX-License-Identifier: Apache-2.0
#include "codes/online_conversions.h"

#include <algorithm>
#include <utility>

#include "codes/code_text.h"
#include "codes/iso_code.h"

namespace tagline::codes {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string WithoutLineEnds(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (const char c : text) {
    if (c != '\r' && c != '\n') kept += c;
  }
  return kept;
}

std::string Line(std::string text) {
  text += kLineEnd;
  return text;
}

std::string LastCharacters(std::string text, std::size_t count) {
  if (text.size() > count) text.erase(0, text.size() - count);
  return text;
}

// The decimal conversions render a code as the number without sign that it is: read as
// signed, codes of 2^63 and above would come out negative, with wrong last ten digits.
std::string Decimal10(std::string_view hex) {
  return LastCharacters(FormatUnsigned(HexValue(hex), 16), 10);
}

// Byte order reversed: pair k from the front becomes pair k from the back.
std::string SwapBytes(std::string hex) {
  if (hex.size() % 2 != 0) hex.insert(hex.begin(), '0');
  std::string swapped;
  swapped.reserve(hex.size());
  for (std::size_t end = hex.size(); end >= 2; end -= 2) swapped.append(hex, end - 2, 2);
  return swapped;
}

}  // namespace

std::string_view OnlineConversionKey(OnlineConversion conversion) {
  switch (conversion) {
    case OnlineConversion::Invert:
      return "invert";
    case OnlineConversion::HexToDecimal:
      return "hex2dez";
    case OnlineConversion::Hex8ToDecimal8:
      return "8hex28dez";
    case OnlineConversion::HexToDecimal10:
      return "hex210dez";
    case OnlineConversion::HexToDecimal10Motorola:
      return "hex210dezmotorola";
    case OnlineConversion::HexLeft8:
      return "hex2left8hex";
    case OnlineConversion::HexLeft8ToDecimal:
      return "hex2left8hex2dez";
    case OnlineConversion::HexToIso:
      return "hex2iso";
    case OnlineConversion::HexToBde:
      return "hex2bde";
  }
  return {};
}

std::optional<OnlineConversion> FindOnlineConversion(std::string_view key) {
  for (const OnlineConversion conversion : kOnlineConversions) {
    if (OnlineConversionKey(conversion) == key) return conversion;
  }
  return std::nullopt;
}

int MinimumHexLength(OnlineConversion conversion) {
  return conversion == OnlineConversion::HexToIso || conversion == OnlineConversion::HexToBde
             ? static_cast<int>(kCodeDigits)
             : 1;
}

std::uint64_t HexValue(std::string_view text) {
  std::uint64_t value = 0;
  const std::size_t first = text.size() > kCodeDigits ? text.size() - kCodeDigits : 0;
  for (std::size_t i = first; i < text.size(); ++i) value = (value << 4) | HexDigitValue(text[i]);
  return value;
}

std::string ApplyOnlineConversion(OnlineConversion conversion, std::string_view text) {
  std::string code = WithoutLineEnds(text);
  switch (conversion) {
    case OnlineConversion::Invert:
      if (code.empty()) return {};
      return Line(ReverseHexBits(code));
    case OnlineConversion::HexToDecimal:
      if (code.empty()) return {};
      return Line(FormatUnsigned(HexValue(code), 1));
    case OnlineConversion::Hex8ToDecimal8:
      code = LastCharacters(std::move(code), 8);
      if (code.empty()) return {};
      return Line(LastCharacters(FormatUnsigned(HexValue(code), 16), 8));
    case OnlineConversion::HexToDecimal10:
      if (code.empty()) return {};
      return Line(Decimal10(code));
    case OnlineConversion::HexToDecimal10Motorola:
      if (code.empty()) return {};
      return Line(Decimal10(SwapBytes(std::move(code))));
    case OnlineConversion::HexLeft8:
      code.resize(std::min<std::size_t>(code.size(), 8));
      return Line(std::move(code));
    case OnlineConversion::HexLeft8ToDecimal:
      code.resize(std::min<std::size_t>(code.size(), 8));
      if (code.empty()) return {};
      return Line(FormatUnsigned(HexValue(code), 1));
    case OnlineConversion::HexToIso:
      if (code.size() < kCodeDigits) return {};
      return Line(FormatCountryAndNumber(ReadCode(code, BitOrder::NumericOrder)));
    case OnlineConversion::HexToBde:
      if (code.size() < kCodeDigits) return {};
      return Line(
          FormatManufacturerSerial(ReadCode(code, BitOrder::NumericOrder), BitOrder::NumericOrder));
  }
  return {};
}

}  // namespace tagline::codes
