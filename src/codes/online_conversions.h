// SPDX-License-Identifier: Apache-2.0
// The conversions that ONLINE mode applies to a received code before typing it, each
// selected by its settings key.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tagline::codes {

// In the order in which ONLINE processing looks at the switches.
enum class OnlineConversion {
  Invert,                  // "invert"
  HexToDecimal,            // "hex2dez"
  Hex8ToDecimal8,          // "8hex28dez"
  HexToDecimal10,          // "hex210dez"
  HexToDecimal10Motorola,  // "hex210dezmotorola"
  HexLeft8,                // "hex2left8hex"
  HexLeft8ToDecimal,       // "hex2left8hex2dez"
  HexToIso,                // "hex2iso"
  HexToBde,                // "hex2bde"
};

inline constexpr std::array<OnlineConversion, 9> kOnlineConversions = {
    OnlineConversion::Invert,
    OnlineConversion::HexToDecimal,
    OnlineConversion::Hex8ToDecimal8,
    OnlineConversion::HexToDecimal10,
    OnlineConversion::HexToDecimal10Motorola,
    OnlineConversion::HexLeft8,
    OnlineConversion::HexLeft8ToDecimal,
    OnlineConversion::HexToIso,
    OnlineConversion::HexToBde,
};

// The settings key, e.g. "hex2dez".
std::string_view OnlineConversionKey(OnlineConversion conversion);

// The conversion whose settings key is exactly `key`.
std::optional<OnlineConversion> FindOnlineConversion(std::string_view key);

// How long a hex text must be (counting its blanks, not its CR LF) for ONLINE processing
// to apply the conversion: 16 for "hex2iso" and "hex2bde", 1 for the others.
int MinimumHexLength(OnlineConversion conversion);

// The hex value of a text: its last 16 characters as hex digits (HexDigitValue), the last
// character lowest.
std::uint64_t HexValue(std::string_view text);

// Removes every CR and LF from `text`, converts it and appends "\r\n". Conversions with
// nothing to show return the empty text instead (see the individual keys).
std::string ApplyOnlineConversion(OnlineConversion conversion, std::string_view text);

}  // namespace tagline::codes
