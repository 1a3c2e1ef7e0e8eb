// SPDX-License-Identifier: Apache-2.0
// How parameter values become the one-byte cells of the reader, and the cell commands.
// A cell is named by three upper-case hex digits ("00E"); it is written with
// "s" + address + two hex digits and read with "S" + address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagline::reader {

enum class ValueEncoding : std::uint8_t {
  Byte,           // one cell, two hex digits
  Word16,         // two cells, 16-bit two's complement, low byte first
  DecimalPairs4,  // two cells, four decimal digits sent as if hex, first two digits first
  DecimalPairs6,  // three cells, six decimal digits sent as if hex, last two digits first
};

// Number of cells a value of the encoding occupies (1 to 3).
int CellCount(ValueEncoding encoding);

// "%0.3X" of a cell address, e.g. 0x00E -> "00E".
std::string CellAddress(std::uint16_t address);

// "%0.2X" of a byte.
std::string HexByte(std::uint8_t value);

// Exactly two hex digits (either case) as a byte; anything else gives nullopt.
std::optional<std::uint8_t> ParseHexByte(std::string_view text);

// The two-hex-digit cell values of `value`, in address order. The value is expected to be
// clamped into the parameter's range already; anything the encoding cannot hold is
// reduced into it (Byte and Word16 keep their low bits, the decimal encodings clamp to 0
// and to all nines) so a cell value is always two characters.
std::vector<std::string> EncodeCellValues(ValueEncoding encoding, std::int32_t value);

// The number held by cell values read back in address order: Byte gives the byte,
// Word16 high * 256 + low, as signed 16-bit when `is_signed`. nullopt when the count
// does not fit the encoding, a value is not two hex digits, or the encoding is decimal.
std::optional<std::int32_t> CellNumber(ValueEncoding encoding,
                                       const std::vector<std::string>& cell_values, bool is_signed);

// The decimal digits of DecimalPairs4/6 cells in the number's order (the values as read,
// not converted). Empty when the count does not fit or a value is not two characters.
std::string CellDigits(ValueEncoding encoding, const std::vector<std::string>& cell_values);

// The command for a body of address and value: "s" + body for five characters (write),
// "S" + body for three (read), empty for any other body (nothing is sent).
std::string CellCommand(std::string_view body);

}  // namespace tagline::reader
