// SPDX-License-Identifier: Apache-2.0
// The antenna and transponder parameter sets. Each set is six consecutive cells: AP (1),
// LP (1), DP (2, low then high), OP (2, low then high). The 15 antenna sets "xy"
// (x = 0..4, y = 0..2) start at 0x17 + 6 * (5y + x); the 3 transponder sets "z" follow
// from 0x71 with T in place of P ("AT0", "LT0", "DT0", "OT0").
#include <array>
#include <cstddef>

#include "reader/parameter_tables.h"

namespace tagline::reader::tables {

namespace {

constexpr int kAntennaColumns = 5;  // x
constexpr int kAntennaRows = 3;     // y
constexpr int kTransponderSets = 3;
constexpr std::uint16_t kAntennaBase = 0x17;
constexpr std::uint16_t kTransponderBase = 0x71;
constexpr std::uint16_t kSetSize = 6;

// The cells of one set, in list order.
struct SetCell {
  char letter;
  std::uint16_t offset;
  ValueRange range;
  ValueEncoding encoding;
  bool is_signed;
  NumericInput input;
};
constexpr SetCell kSetCells[] = {
    {'A', 0, {0, 255}, ValueEncoding::Byte, false, NumericInput::Plain},
    {'L', 1, {0, 24}, ValueEncoding::Byte, false, NumericInput::Plain},
    {'D', 2, {-32768, 32767}, ValueEncoding::Word16, true, NumericInput::ZeroIsOne},
    {'O', 4, {-32768, 32767}, ValueEncoding::Word16, true, NumericInput::Plain},
};
constexpr std::size_t kCellsPerSet = std::size(kSetCells);
constexpr std::size_t kAntennaSetCount = std::size_t{kAntennaColumns} * kAntennaRows;
constexpr std::size_t kRowCount = (kAntennaSetCount + kTransponderSets) * kCellsPerSet;

// Storage for the generated names ("AP00", "AT0"); the rows view into it.
struct CellName {
  std::array<char, 4> text{};
  std::size_t size = 0;
};

struct Generated {
  std::array<CellName, kRowCount> names{};
  std::array<std::uint16_t, kRowCount> addresses{};
  std::array<std::size_t, kRowCount> cells{};  // index into kSetCells
};

constexpr Generated kGenerated = [] {
  Generated g;
  std::size_t i = 0;
  const auto add_set = [&](char set_letter, std::uint16_t base, char first_digit,
                           char second_digit) {
    for (std::size_t c = 0; c < kCellsPerSet; ++c, ++i) {
      CellName& name = g.names[i];
      name.text = {kSetCells[c].letter, set_letter, first_digit, second_digit};
      name.size = second_digit == '\0' ? 3 : 4;
      g.addresses[i] = static_cast<std::uint16_t>(base + kSetCells[c].offset);
      g.cells[i] = c;
    }
  };
  for (int y = 0; y < kAntennaRows; ++y) {
    for (int x = 0; x < kAntennaColumns; ++x) {
      const auto base =
          static_cast<std::uint16_t>(kAntennaBase + kSetSize * (kAntennaColumns * y + x));
      add_set('P', base, static_cast<char>('0' + x), static_cast<char>('0' + y));
    }
  }
  for (int z = 0; z < kTransponderSets; ++z) {
    const auto base = static_cast<std::uint16_t>(kTransponderBase + kSetSize * z);
    add_set('T', base, static_cast<char>('0' + z), '\0');
  }
  return g;
}();

constexpr std::array<NumericRow, kRowCount> kRows = [] {
  std::array<NumericRow, kRowCount> rows{};
  for (std::size_t i = 0; i < kRowCount; ++i) {
    const SetCell& cell = kSetCells[kGenerated.cells[i]];
    rows[i] = {std::string_view(kGenerated.names[i].text.data(), kGenerated.names[i].size),
               kGenerated.addresses[i],
               cell.range,
               cell.encoding,
               ReadBack::Number,
               cell.is_signed,
               cell.input};
  }
  return rows;
}();

}  // namespace

std::span<const NumericRow> AntennaSetRows() {
  return kRows;
}

}  // namespace tagline::reader::tables
