// SPDX-License-Identifier: Apache-2.0
// The numeric parameters: ranges, cells and read-back texts, the names offered per model,
// writing and reading back a number, and the up-down steps of the number field.
#include <algorithm>
#include <cstdio>

#include "platform/crt.h"
#include "reader/parameter_catalogue.h"
#include "reader/parameter_tables.h"

namespace tagline::reader {

namespace tables {

namespace {

using enum ValueEncoding;
using enum ReadBack;
using enum NumericInput;

// clang-format off
constexpr NumericRow kNumericRows[] = {
    // name                   first   range         encoding        read-back
    {"TimeoutMain",           0x00E,  {1, 255},     Byte,           Seconds},
    {"TimeoutMenue",          0x00F,  {1, 255},     Byte,           Seconds},
    {"TurnOnDelay",           0x00F,  {1, 255},     Byte,           HalfSeconds},
    {"TimeoutRead",           0x010,  {1, 255},     Byte,           Cycles},
    {"Timeout1",              0x010,  {1, 255},     Byte,           Cycles},
    {"ReadingTime",           0x010,  {1, 255},     Byte,           HalfSeconds},
    {"TurnOffTime",           0x00E,  {1, 255},     Byte,           FiveSeconds},
    {"TurnOffTime ",          0x00E,  {1, 30},      Byte,           Minutes},
    {"TurnOffTime  ",         0x00E,  {1, 31},      Byte,           MinutesOrOff, false, OffIs31},
    {"Timeout2",              0x00C,  {1, 1000},    Word16,         MilliSeconds},
    {"TimeoutOn",             0x00E,  {1, 300},     Word16,         Seconds},
    {"Timeout3",              0x00E,  {1, 300},     Word16,         Seconds},
    {"Buzzer",                0x012,  {0, 2},       Byte,           BuzzerLevel},
    {"ProductNumberVersion",  0x016,  {0, 255},     Byte,           HexAndDecimal},
    {"Seperator Delimiter 1", 0x017,  {0, 255},     Byte,           Character},
    {"Seperator Delimiter 2", 0x018,  {0, 255},     Byte,           Character},
    {"EOL Delimiter 1",       0x019,  {0, 255},     Byte,           Character},
    {"EOL Delimiter 2",       0x01A,  {0, 255},     Byte,           Character},
    {"Serial Number",         0x014,  {0, 99999},   DecimalPairs6,  Digits},
    {"PIN Code",              0x084,  {0, 9999},    DecimalPairs4,  Digits},
    {"CWCond15693",           0x090,  {0, 255},     Byte,           Number},
    {"CWCond14443",           0x091,  {0, 255},     Byte,           Number},
};
// clang-format on

// The full list of the numeric name combo: these names, the antenna and transponder
// names, then the names after them.
constexpr std::string_view kNamesBeforeSets[] = {
    "TimeoutMain", "TimeoutMenue", "TimeoutRead", "Timeout1",    "Timeout2", "TimeoutOn",
    "Timeout3",    "TurnOffTime",  "TurnOnDelay", "ReadingTime", "Buzzer",   "ProductNumberVersion",
};
constexpr std::string_view kNamesAfterSets[] = {
    "PIN Code",        "CWCond15693",     "CWCond14443",           "TurnOffTime ",
    "TurnOffTime  ",   "Serial Number",   "Seperator Delimiter 1", "Seperator Delimiter 2",
    "EOL Delimiter 1", "EOL Delimiter 2",
};

// Names offered per model; models in no row are offered none.
struct NameOffer {
  ModelSet models;
  std::span<const std::string_view> names;
  bool antenna_sets = false;  // also every antenna and transponder name
};

constexpr std::string_view kSensorNames[] = {"Timeout1", "Timeout2", "Timeout3", "Buzzer",
                                             "ProductNumberVersion"};
constexpr std::string_view kStationaryNames[] = {"TurnOffTime", "TurnOnDelay", "ReadingTime",
                                                 "PIN Code"};
constexpr std::string_view kHfNames[] = {"TurnOffTime", "TurnOnDelay", "ReadingTime",
                                         "PIN Code",    "CWCond15693", "CWCond14443"};
constexpr std::string_view kHandheldNames[] = {"TimeoutRead", "TimeoutOn"};
constexpr std::string_view kSeries6Names[] = {"TimeoutMain", "TimeoutMenue", "TimeoutRead"};
constexpr std::string_view kV26Names[] = {
    "TimeoutRead",           "TurnOffTime ",    "Serial Number",  "Seperator Delimiter 1",
    "Seperator Delimiter 2", "EOL Delimiter 1", "EOL Delimiter 2"};
constexpr std::string_view kV26Build18Names[] = {
    "TimeoutRead",           "TurnOffTime  ",   "Serial Number",  "Seperator Delimiter 1",
    "Seperator Delimiter 2", "EOL Delimiter 1", "EOL Delimiter 2"};

constexpr NameOffer kOffers[] = {
    {"1"_models, kSensorNames, true}, {"3, 15-21, 26, 36, 41"_models, kStationaryNames},
    {"32, 35, 38"_models, kHfNames},  {"4, 5, 9-13, 22-25, 27-31, 37, 40"_models, kHandheldNames},
    {"6, 7"_models, kSeries6Names},   {"33, 34"_models, kV26Names},
    {"39"_models, kV26Build18Names},
};

const std::vector<std::string_view>& BuildNameOrder() {
  static const std::vector<std::string_view> order = [] {
    std::vector<std::string_view> names(std::begin(kNamesBeforeSets), std::end(kNamesBeforeSets));
    for (const NumericRow& row : AntennaSetRows()) names.push_back(row.name);
    names.insert(names.end(), std::begin(kNamesAfterSets), std::end(kNamesAfterSets));
    return names;
  }();
  return order;
}

// Up-down bounds: counting up stops at `up_max`; counting down, a number at or below
// `down_floor` becomes `down_result`. The rules are tried in order; `contains` rules match
// any name holding the text.
struct StepRule {
  std::string_view name;
  bool contains;
  std::int32_t up_max;
  std::int32_t down_floor;
  std::int32_t down_result;
};

constexpr StepRule kStepRules[] = {
    {"TimeoutMain", false, 255, 1, 1},
    {"TimeoutMenue", false, 255, 1, 1},
    {"TurnOnDelay", false, 255, 1, 1},
    {"TimeoutRead", false, 255, 1, 1},
    {"Timeout1", false, 255, 1, 1},
    {"TurnOffTime", false, 255, 1, 1},
    {"ReadingTime", false, 255, 1, 1},
    {"Serial Number", false, 99999, 0, 0},
    {"TurnOffTime ", false, 30, 1, 1},
    {"TurnOffTime  ", false, 31, 1, 1},
    {"CWCond15693", false, 255, 0, 1},
    {"CWCond14443", false, 255, 0, 1},
    {"AP", true, 255, 0, 0},
    {"AT", true, 255, 0, 0},
    {"ProductNumberVersion", true, 255, 0, 0},
    {"Seperator Delimiter 1", true, 255, 0, 0},
    {"Seperator Delimiter 2", true, 255, 0, 0},
    {"EOL Delimiter 1", true, 255, 0, 0},
    {"EOL Delimiter 2", true, 255, 0, 0},
    {"LP", true, 24, 0, 0},
    {"LT", true, 24, 0, 0},
    {"Timeout2", false, 1000, 1, 1},
    {"TimeoutOn", false, 300, 1, 1},
    {"Timeout3", false, 300, 1, 1},
    {"Buzzer", false, 2, 0, 0},
    {"DP", true, 32767, -32768, -32768},
    {"OP", true, 32767, -32768, -32768},
    {"DT", true, 32767, -32768, -32768},
    {"OT", true, 32767, -32768, -32768},
    {"PIN Code", false, 9999, 0, 0},
};

// The name whose number field takes "Off" for 31.
constexpr std::string_view kOffName = "TurnOffTime  ";
constexpr std::string_view kOffText = "Off";
constexpr std::int32_t kOffValue = 31;

struct TextEntry {
  std::string_view value;
  std::string_view text;
};
constexpr TextEntry kBuzzerLevels[] = {
    {"00", "Buzzer off"},
    {"01", "Buzzer on"},
    {"02", "Buzzer on + intermediate results"},
};

// Unprintable delimiters that have a text; the others show nothing.
struct CharacterName {
  std::int32_t value;
  std::string_view text;
};
constexpr CharacterName kCharacterNames[] = {
    {13, "<CR>"},
    {10, "<LF>"},
    {9, "<TAB>"},
    {0, "off"},
};

std::string NumberText(ReadBack readback, std::int32_t n) {
  const std::string number = platform::FormatInt(n);
  switch (readback) {
    case Seconds:
      return " // " + number + " seconds";
    case HalfSeconds: {
      char text[32];
      (void)std::snprintf(text, sizeof text, " // %0.1f", n / 2.0);
      return std::string(text) + " seconds";
    }
    case FiveSeconds:
      return " // " + platform::FormatInt(5 * n) + " seconds";
    case Cycles:
      return " // " + number + " cycles";
    case Minutes:
      return " // " + number + " minutes";
    case MinutesOrOff:
      return n == kOffValue ? " // Off" : " // " + number + " minutes";
    case MilliSeconds:
      return " // " + number + " milli seconds";
    case Character:
      if (n >= 32 && n <= 126) return " // '" + std::string(1, static_cast<char>(n)) + "'";
      for (const CharacterName& entry : kCharacterNames) {
        if (entry.value == n) return " // " + std::string(entry.text);
      }
      return {};
    case Number:
      return " // " + number;
    case ValueLabel:
    case BuzzerLevel:
    case HexAndDecimal:
    case Digits:
    case TagTypeNames:
      break;
  }
  return {};
}

}  // namespace

std::span<const std::string_view> NumericNameOrder() {
  return BuildNameOrder();
}

const NumericRow* FindNumeric(std::string_view name) {
  for (const NumericRow& row : kNumericRows) {
    if (row.name == name) return &row;
  }
  for (const NumericRow& row : AntennaSetRows()) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

bool NumericNameOffered(std::string_view name, ReaderModel model) {
  const ReaderModel m = CatalogueModel(model);
  for (const NameOffer& offer : kOffers) {
    if (!offer.models.Contains(m)) continue;
    if (std::find(offer.names.begin(), offer.names.end(), name) != offer.names.end()) return true;
    if (offer.antenna_sets) {
      const auto sets = AntennaSetRows();
      return std::any_of(sets.begin(), sets.end(),
                         [&](const NumericRow& row) { return row.name == name; });
    }
    return false;
  }
  return false;
}

}  // namespace tables

using tables::NumericInput;
using tables::NumericRow;

NumericCommand NumericCommandBodies(std::string_view name, std::string_view text) {
  NumericCommand command;
  const NumericRow* row = tables::FindNumeric(name);
  if (row == nullptr) return command;

  std::vector<std::string> values;
  if (!text.empty()) {
    const std::int32_t typed = row->input == NumericInput::OffIs31 && text == tables::kOffText
                                   ? tables::kOffValue
                                   : platform::Atol32(text);
    std::int32_t value = std::clamp(typed, row->range.min, row->range.max);
    if (row->input == NumericInput::ZeroIsOne) {
      if (value != typed) command.edit_text = platform::FormatInt(value);
      if (value == 0) value = 1;
    }
    values = EncodeCellValues(row->encoding, value);
  }

  const int cells = CellCount(row->encoding);
  for (int i = 0; i < cells; ++i) {
    std::string body = CellAddress(static_cast<std::uint16_t>(row->first_address + i));
    if (!values.empty()) body += values[static_cast<std::size_t>(i)];
    command.bodies.push_back(std::move(body));
  }
  return command;
}

std::string DecodeNumericValue(std::string_view name, const std::vector<std::string>& cell_values) {
  const NumericRow* row = tables::FindNumeric(name);
  if (row == nullptr || static_cast<int>(cell_values.size()) != CellCount(row->encoding)) {
    return {};
  }
  switch (row->readback) {
    case ReadBack::Digits: {
      const std::string digits = CellDigits(row->encoding, cell_values);
      return digits.empty() ? std::string() : " // " + digits;
    }
    case ReadBack::BuzzerLevel:
      for (const auto& level : tables::kBuzzerLevels) {
        if (level.value == cell_values[0]) return " // " + std::string(level.text);
      }
      return {};
    case ReadBack::HexAndDecimal: {
      const auto byte = ParseHexByte(cell_values[0]);
      if (!byte) return {};
      return " // 0x" + cell_values[0] + "=" + platform::FormatInt(*byte) + "dez";
    }
    default: {
      const auto n = CellNumber(row->encoding, cell_values, row->is_signed);
      if (!n) return {};
      return tables::NumberText(row->readback, *n);
    }
  }
}

std::optional<std::string> NumericValueText(std::string_view name,
                                            const std::vector<std::string>& cell_values) {
  const NumericRow* row = tables::FindNumeric(name);
  if (row == nullptr || static_cast<int>(cell_values.size()) != CellCount(row->encoding)) {
    return std::nullopt;
  }
  std::string text;
  if (row->encoding == ValueEncoding::DecimalPairs4 ||
      row->encoding == ValueEncoding::DecimalPairs6) {
    text = CellDigits(row->encoding, cell_values);
  } else if (const auto n = CellNumber(row->encoding, cell_values, row->is_signed)) {
    text = row->input == NumericInput::OffIs31 && *n == tables::kOffValue
               ? std::string(tables::kOffText)
               : platform::FormatInt(*n);
  }
  if (text.empty()) return std::nullopt;
  // Only a text that writes back what was read stands for the value.
  std::vector<std::string> written;
  for (const std::string& body : NumericCommandBodies(name, text).bodies) {
    if (body.size() != 5) return std::nullopt;
    written.push_back(body.substr(3));
  }
  for (std::size_t i = 0; i < written.size(); ++i) {
    const auto byte = ParseHexByte(cell_values[i]);
    if (!byte || ParseHexByte(written[i]) != byte) return std::nullopt;
  }
  return text;
}

std::optional<std::string> StepNumericValue(std::string_view name, std::string_view text, bool up) {
  for (const tables::StepRule& rule : tables::kStepRules) {
    const bool match =
        rule.contains ? name.find(rule.name) != std::string_view::npos : name == rule.name;
    if (!match) continue;

    const bool off_name = name == tables::kOffName;
    const std::int32_t n =
        off_name && text == tables::kOffText ? tables::kOffValue : platform::Atol32(text);
    std::int32_t result = 0;
    if (up) {
      result = n >= rule.up_max ? rule.up_max : n + 1;
    } else {
      result = n <= rule.down_floor ? rule.down_result : n - 1;
    }
    if (off_name && result == tables::kOffValue) return std::string(tables::kOffText);
    return platform::FormatInt(result);
  }
  return std::nullopt;
}

}  // namespace tagline::reader
