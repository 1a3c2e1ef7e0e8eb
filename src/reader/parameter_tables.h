// SPDX-License-Identifier: Apache-2.0
// The catalogue's tables, shared by the catalogue's own source files only.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "reader/model_set.h"
#include "reader/parameter_catalogue.h"
#include "reader/parameter_encoding.h"

namespace tagline::reader::tables {

// ---------------------------------------------------------------------------------------
// Selection parameters

// What a value label is used for. The list of a name is written, read back and offered
// by the same table; a few labels are only written or only read back on some models.
enum class LabelUse : std::uint8_t {
  Offered,       // listed, written and read back
  RomanaRule,    // as Offered, but listed only when RomanaOffered()
  Accepted,      // written and read back, not listed
  ReadBackOnly,  // read back only
};

struct ValueEntry {
  std::string_view label;
  std::string_view code;
  LabelUse use = LabelUse::Offered;
};

// A value list and the models it belongs to; the first variant whose models contain the
// reader's model decides, and the last variant of a name covers every model.
struct ValueVariant {
  ModelSet models;
  std::span<const ValueEntry> values;
};

struct SelectionRow {
  std::string_view name;
  std::uint16_t address;
  std::span<const ValueVariant> variants;
  ModelSet offered;                    // models whose name list shows the name
  ModelSet writable;                   // models for which a command is built
  std::string_view label_suffix = {};  // appended to the label when read back
  std::string_view otherwise = {};     // shown for any value that matches no code
};

// The selection parameters in catalogue order (the order names are tested in). A name
// whose address depends on the model has one row per address, with disjoint models.
std::span<const SelectionRow> SelectionRows();

// The full list of the selection name combo, in order.
std::span<const std::string_view> SelectionNameOrder();

// The row of a name that is valid (writable) for the model, or nullptr.
const SelectionRow* FindWritableSelection(std::string_view name, ReaderModel model);

// The first row of a name, valid for the model or not, preferring a valid one.
const SelectionRow* FindSelection(std::string_view name, ReaderModel model);

// The value list of a row for a model.
std::span<const ValueEntry> SelectionValues(const SelectionRow& row, ReaderModel model);

// Whether an entry is listed in the value combo.
bool Listed(const ValueEntry& entry, ReaderModel model, ReaderModel last_timer_model);

// ---------------------------------------------------------------------------------------
// Numeric parameters

enum class NumericInput : std::uint8_t {
  Plain,
  ZeroIsOne,  // DP and DT: a zero is written as 1, a clamped number is shown again
  OffIs31,    // the text "Off" means 31
};

struct NumericRow {
  std::string_view name;
  std::uint16_t first_address;  // CellCount(encoding) consecutive cells from here
  ValueRange range;
  ValueEncoding encoding;
  ReadBack readback;
  bool is_signed = false;  // a Word16 value is read back as signed 16-bit
  NumericInput input = NumericInput::Plain;
};

// The 60 antenna cells (AP, LP, DP, OP of sets 00 ... 42) and the 12 transponder cells
// (AT, LT, DT, OT of sets 0 ... 2), in list order.
std::span<const NumericRow> AntennaSetRows();

// The full list of the numeric name combo, in order.
std::span<const std::string_view> NumericNameOrder();

const NumericRow* FindNumeric(std::string_view name);

bool NumericNameOffered(std::string_view name, ReaderModel model);

}  // namespace tagline::reader::tables
