// SPDX-License-Identifier: Apache-2.0
#include "reader/parameter_encoding.h"

#include <algorithm>
#include <cstddef>

namespace tagline::reader {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

std::optional<int> HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

// `value` as exactly `width` zero-padded decimal digits ("%0.<width>i" of a value that fits).
std::string DecimalDigits(std::int32_t value, int width) {
  std::string digits(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0 && value > 0; --i) {
    digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return digits;
}

}  // namespace

int CellCount(ValueEncoding encoding) {
  switch (encoding) {
    case ValueEncoding::Byte:
      return 1;
    case ValueEncoding::Word16:
    case ValueEncoding::DecimalPairs4:
      return 2;
    case ValueEncoding::DecimalPairs6:
      return 3;
  }
  return 1;
}

std::string CellAddress(std::uint16_t address) {
  return {kHexDigits[(address >> 8) & 0xF], kHexDigits[(address >> 4) & 0xF],
          kHexDigits[address & 0xF]};
}

std::string HexByte(std::uint8_t value) {
  return {kHexDigits[value >> 4], kHexDigits[value & 0xF]};
}

std::optional<std::uint8_t> ParseHexByte(std::string_view text) {
  if (text.size() != 2) return std::nullopt;
  const auto high = HexDigitValue(text[0]);
  const auto low = HexDigitValue(text[1]);
  if (!high || !low) return std::nullopt;
  return static_cast<std::uint8_t>(*high * 16 + *low);
}

std::vector<std::string> EncodeCellValues(ValueEncoding encoding, std::int32_t value) {
  switch (encoding) {
    case ValueEncoding::Byte:
      return {HexByte(static_cast<std::uint8_t>(value & 0xFF))};
    case ValueEncoding::Word16: {
      // The last four digits of "%0.4X": negative values give their two's complement.
      const auto word = static_cast<std::uint16_t>(value & 0xFFFF);
      return {HexByte(static_cast<std::uint8_t>(word & 0xFF)),
              HexByte(static_cast<std::uint8_t>(word >> 8))};
    }
    case ValueEncoding::DecimalPairs4: {
      const std::string d = DecimalDigits(std::clamp(value, 0, 9999), 4);
      return {d.substr(0, 2), d.substr(2, 2)};
    }
    case ValueEncoding::DecimalPairs6: {
      const std::string d = DecimalDigits(std::clamp(value, 0, 999999), 6);
      return {d.substr(4, 2), d.substr(2, 2), d.substr(0, 2)};
    }
  }
  return {};
}

std::optional<std::int32_t> CellNumber(ValueEncoding encoding,
                                       const std::vector<std::string>& cell_values,
                                       bool is_signed) {
  if (static_cast<int>(cell_values.size()) != CellCount(encoding)) return std::nullopt;
  switch (encoding) {
    case ValueEncoding::Byte: {
      const auto byte = ParseHexByte(cell_values[0]);
      if (!byte) return std::nullopt;
      return *byte;
    }
    case ValueEncoding::Word16: {
      const auto low = ParseHexByte(cell_values[0]);
      const auto high = ParseHexByte(cell_values[1]);
      if (!low || !high) return std::nullopt;
      const auto word = static_cast<std::uint16_t>(*high * 256 + *low);
      if (is_signed) return static_cast<std::int16_t>(word);
      return word;
    }
    case ValueEncoding::DecimalPairs4:
    case ValueEncoding::DecimalPairs6:
      return std::nullopt;
  }
  return std::nullopt;
}

std::string CellDigits(ValueEncoding encoding, const std::vector<std::string>& cell_values) {
  if (static_cast<int>(cell_values.size()) != CellCount(encoding)) return {};
  for (const std::string& value : cell_values) {
    if (value.size() != 2) return {};
  }
  switch (encoding) {
    case ValueEncoding::DecimalPairs4:
      return cell_values[0] + cell_values[1];
    case ValueEncoding::DecimalPairs6:
      return cell_values[2] + cell_values[1] + cell_values[0];
    case ValueEncoding::Byte:
    case ValueEncoding::Word16:
      return {};
  }
  return {};
}

std::string CellCommand(std::string_view body) {
  if (body.size() == 5) return "s" + std::string(body);
  if (body.size() == 3) return "S" + std::string(body);
  return {};
}

}  // namespace tagline::reader
