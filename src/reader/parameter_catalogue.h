// SPDX-License-Identifier: Apache-2.0
// The reader parameter catalogue: which parameters exist, where they live in the reader's
// cells, which names and value labels each reader model is offered, how values become
// cell commands and how values read back are shown. Pure: everything here depends on its
// arguments only.
//
// Names are compared exactly, case and trailing blanks included: "TurnOffTime",
// "TurnOffTime " and "TurnOffTime  " are three parameters.
//
// Models: NoReply and any byte outside 1 to 41 behave like Unrecognised.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/reader_model.h"
#include "reader/model_set.h"
#include "reader/parameter_encoding.h"
#include "reader/tag_type_masks.h"

namespace tagline::reader {

using protocol::ReaderModel;

// The three rows of parameter controls; each kind has its own name list.
enum class ParameterKind : std::uint8_t {
  Selection,      // a name and a value label
  Numeric,        // a name and a number
  AlgorithmMask,  // the ticked tag types
};

// How a value read back is shown after " // ".
enum class ReadBack : std::uint8_t {
  ValueLabel,     // the label of the first matching code
  Seconds,        // n " seconds"
  HalfSeconds,    // "%0.1f" of n/2, " seconds"
  FiveSeconds,    // 5 n " seconds"
  Cycles,         // n " cycles"
  Minutes,        // n " minutes"
  MinutesOrOff,   // "Off" for 31, else n " minutes"
  MilliSeconds,   // n " milli seconds"
  BuzzerLevel,    // "Buzzer off", "Buzzer on", "Buzzer on + intermediate results"
  HexAndDecimal,  // "0x" hh "=" n "dez"
  Character,      // the delimiter character
  Digits,         // the decimal digits as read
  Number,         // n
  TagTypeNames,   // the names of the set bits
};

struct ValueLabel {
  std::string_view label;
  std::string_view code;  // two upper-case hex digits
  bool operator==(const ValueLabel&) const = default;
};

struct ValueRange {
  std::int32_t min = 0;
  std::int32_t max = 0;
};

// One catalogue entry, resolved for one reader model.
struct ParameterDescriptor {
  std::string_view name;
  ParameterKind kind = ParameterKind::Selection;
  std::vector<std::string> addresses;  // 1 to 3 cells, lowest first
  std::vector<ValueLabel> values;      // Selection: the labels offered, in order;
                                       // AlgorithmMask: the name and its bit
  ValueRange range;                    // Numeric only
  ValueEncoding encoding = ValueEncoding::Byte;
  ReadBack readback = ReadBack::ValueLabel;
  ModelSet models;  // the models whose list offers the name
};

// ---------------------------------------------------------------------------------------
// Name lists

// The full name list of a kind, in its fixed order.
std::span<const std::string_view> CatalogueNames(ParameterKind kind);

// The names offered for a model, in full-list order.
std::vector<std::string_view> OfferedNames(ParameterKind kind, ReaderModel model);

bool IsNameOffered(ParameterKind kind, std::string_view name, ReaderModel model);

// Refills a name list the way the combo boxes do: for every name of the full list, in
// order, an offered name that is missing is appended and a present name that is not
// offered is removed. Presence means an item equal to the whole name, ignoring case as
// the combo's own search does; names already present keep their place, so the order
// depends on earlier fills.
void RefillNameList(std::vector<std::string>& items, ParameterKind kind, ReaderModel model);

// The entry of a catalogue name, resolved for a model (addresses and value lists can
// depend on it). `last_timer_model` is the model of the main window's last timer-driven
// identification, which decides whether "Romana" is offered. nullopt for unknown names.
std::optional<ParameterDescriptor> DescribeParameter(
    ParameterKind kind, std::string_view name, ReaderModel model,
    ReaderModel last_timer_model = ReaderModel::NoReply);

// ---------------------------------------------------------------------------------------
// Selection parameters

// "Romana" is offered when the current model is KtrH9V42, or when the last timer-driven
// identification found KtrH9V43Build39 or KtrH9V43Build54.
bool RomanaOffered(ReaderModel model, ReaderModel last_timer_model);

// The value labels listed for a selection name on a model, in order (the value combo
// puts an empty entry before them). Empty for a name not in the catalogue.
std::vector<std::string_view> ValueLabelsOffered(
    std::string_view name, ReaderModel model, ReaderModel last_timer_model = ReaderModel::NoReply);

// The command body of a selection: empty when the name is not valid for the model
// (nothing is sent), the address alone when the label is empty or not one of the name's
// labels (read), address and code otherwise (write).
std::string SelectionCommandBody(std::string_view name, std::string_view label, ReaderModel model);

// The read-back text of a selection value (the two hex digits as read): " // " and the
// label of the first matching code, or empty when nothing matches.
std::string DecodeSelectionValue(std::string_view name, ReaderModel model, std::string_view value);

// The code-format index the tag display uses (0 "Hexadecimal" ... 4 "TRUTEST", 5 the
// sixth entry) for a Code Format or SetCodeFormat label.
std::optional<int> CodeFormatIndex(std::string_view label);

// The code-format index for a code written to the code-format cell: the code's value,
// except that "04" is the sixth entry (index 5) on a V220011.
std::optional<int> CodeFormatIndexOfCode(std::string_view code, ReaderModel model);

// ---------------------------------------------------------------------------------------
// Numeric parameters

struct NumericCommand {
  // One body per cell in address order: address + value (write), or the bare address
  // when the number text is empty (read). Empty for a name not in the catalogue.
  std::vector<std::string> bodies;
  // The new text of the number field, when it is to be replaced (a DP or DT value that
  // was clamped into range).
  std::optional<std::string> edit_text;
};

// The bodies for a numeric parameter and the text of the number field: `atol` of the
// text clamped into the range; DP and DT values of 0 become 1; "TurnOffTime  " takes
// "Off" for 31.
NumericCommand NumericCommandBodies(std::string_view name, std::string_view text);

// The read-back text of a numeric parameter from its cell values in address order.
// Empty when the name is unknown, a cell value is missing or malformed, or the value has
// no text.
std::string DecodeNumericValue(std::string_view name, const std::vector<std::string>& cell_values);

// The number text the number field takes for cell values read back in address order:
// "Off" for 31 of "TurnOffTime  ", the digits as read for the decimal encodings. Nothing
// when the values are malformed or the text would not write the same cells again (a
// value outside the range, a decimal cell that is no digits).
std::optional<std::string> NumericValueText(std::string_view name,
                                            const std::vector<std::string>& cell_values);

// The number text after one step of the up-down control (`up` counts up), bounded per
// name; nullopt for a name whose number the control leaves unchanged.
std::optional<std::string> StepNumericValue(std::string_view name, std::string_view text, bool up);

}  // namespace tagline::reader
