// SPDX-License-Identifier: Apache-2.0
// The 64-bit ISO 11784-style transponder code: its fields, its two hex representations,
// and the decoders to and encoders from the display texts.
//
// Bit 0 is transmitted first, bit 63 last:
//   0..37 identification number, 38..47 country, 48..53 unused, 54 manufacturer-serial
//   marker, 55..59 user information, 60..62 retagging counter, 63 animal flag.
// Manufacturer-serial codes put a 22-bit serial in bits 0..21 and the manufacturer number
// above it: 8 bits wide in TransmissionOrder, 10 bits in NumericOrder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tagline::codes {

enum class BitOrder {
  // The 64-bit number, most significant digit first: bit j in digit 15 - j/4 at 2^(j%4).
  NumericOrder,
  // The bits as transmitted, the first one at the top of digit 0: bit j in digit j/4 at
  // 2^(3 - j%4). The NumericOrder text of the bit-reversed number.
  TransmissionOrder,
};

inline constexpr std::size_t kCodeDigits = 16;

struct CodeFields {
  std::uint64_t identification = 0;
  unsigned int country = 0;
  bool manufacturerSerialMarker = false;
  unsigned int userInformation = 0;
  unsigned int retagCounter = 0;
  bool animal = false;
};

// Bit j moves to bit 63 - j.
std::uint64_t ReverseBits64(std::uint64_t value);

// The code bits held by the first 16 characters of `hex` (digit values by HexDigitValue).
// Characters past the end of a shorter text count as the digit 0; later ones are ignored.
std::uint64_t ReadCode(std::string_view hex, BitOrder order);

// The 16 upper-case hex digits of `code` in `order`.
std::string WriteCode(std::uint64_t code, BitOrder order);

CodeFields SplitCode(std::uint64_t code);

// The manufacturer number of a manufacturer-serial code: bits 22..29 in TransmissionOrder,
// bits 22..31 in NumericOrder.
unsigned int ManufacturerNumber(std::uint64_t code, BitOrder order);

// Bits 0..21.
unsigned int SerialNumber(std::uint64_t code);

// "%0.3u " of the country (1000..1023 print four digits), then the identification number
// zero-padded to 12 digits. No flag is looked at.
std::string FormatCountryAndNumber(std::uint64_t code);

// "%0.3i %0.7i" of the manufacturer number and the serial. No flag is looked at.
std::string FormatManufacturerSerial(std::uint64_t code, BitOrder order);

// Decoders. Each reads the first 16 characters of `hex` in `order` and returns the empty
// text when its flag condition does not hold.

// Retagging counter, one digit. No condition.
std::string DecodeRetagCounter(std::string_view hex, BitOrder order);
// User information, at least two digits. No condition.
std::string DecodeUserInformation(std::string_view hex, BitOrder order);
// Animal flag set: "276 123456789012"; countries 1000..1023 as "A00".."A23".
std::string DecodeIsoAnimal(std::string_view hex, BitOrder order);
// Animal flag set: "1", retag counter, user information, "000", country, number.
std::string DecodeFullAnimal(std::string_view hex, BitOrder order);
// Animal flag clear: country (no "A" form) and number.
std::string DecodeIsoIndustry(std::string_view hex, BitOrder order);
// Animal flag clear and marker bit 54 set: manufacturer number and serial.
std::string DecodeManufacturerSerial(std::string_view hex, BitOrder order);

// Encoders: always 16 upper-case hex digits. Field values are read from the texts with the
// C runtime's integer rules and truncated to their field widths.
//   identification: the last 12 characters of `code`, as a 64-bit integer;
//   country: the first 3 characters of `code`, "A12" standing for 1012;
//   user information: the first 2 characters of `userInformation`;
//   retagging counter: the first character of `retag`.
std::string EncodeIsoAnimal(std::string_view code, std::string_view retag,
                            std::string_view userInformation, BitOrder order);
std::string EncodeIsoIndustry(std::string_view code, std::string_view retag,
                              std::string_view userInformation, BitOrder order);
// Serial from the last 7 characters of `code`, manufacturer number from the first 3.
std::string EncodeManufacturerSerial(std::string_view code, BitOrder order);

}  // namespace tagline::codes
