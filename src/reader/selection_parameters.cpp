// SPDX-License-Identifier: Apache-2.0
// The selection parameters: value lists per model, the parameter table, and writing and
// reading back a selection.
#include <algorithm>
#include <array>

#include "reader/parameter_catalogue.h"
#include "reader/parameter_tables.h"

namespace tagline::reader {

namespace tables {

namespace {

using enum LabelUse;

constexpr ModelSet kAll = ModelSet::All();

// ---------------------------------------------------------------------------------------
// Value lists

constexpr ValueEntry kOffOn[] = {{"off", "00"}, {"on", "01"}};

// "#" = "00", then letter n of the alphabet = n as two hex digits.
constexpr std::string_view kAttributeLabels = "#ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::size_t kAttributeCount = 27;
constexpr std::array<char, 2 * kAttributeCount> kAttributeCodeText = [] {
  constexpr std::string_view hex = "0123456789ABCDEF";
  std::array<char, 2 * kAttributeCount> text{};
  for (std::size_t n = 0; n < kAttributeCount; ++n) {
    text[2 * n] = hex[n / 16];
    text[2 * n + 1] = hex[n % 16];
  }
  return text;
}();
constexpr std::array<ValueEntry, kAttributeCount> kAttribute = [] {
  std::array<ValueEntry, kAttributeCount> entries{};
  for (std::size_t n = 0; n < kAttributeCount; ++n) {
    entries[n] = {kAttributeLabels.substr(n, 1),
                  std::string_view(kAttributeCodeText.data() + 2 * n, 2)};
  }
  return entries;
}();

// Mode: "Read/Transf." is "03" where "Online H" or "Online" is offered and "02" elsewhere;
// "01" and "02" read back by the model's own labels, "04" always as "Data->Bluetooth".
constexpr ValueEntry kModeDataSerial[] = {
    {"Standard", "00"},
    {"Data->Serial", "01"},
    {"Read/Transf.", "02", Accepted},
    {"Data->Bluetooth", "04", ReadBackOnly},
};
constexpr ValueEntry kModeOnlineH[] = {
    {"Standard", "00"},
    {"Online", "01"},
    {"Online H", "02"},
    {"Read/Transf.", "03"},
    {"Data->Bluetooth", "04", ReadBackOnly},
};
constexpr ValueEntry kModeOnline[] = {
    {"Standard", "00"},
    {"Online", "01"},
    {"Read/Transf.", "03", Accepted},
    {"Read/Transf.", "02", ReadBackOnly},
    {"Data->Bluetooth", "04", ReadBackOnly},
};
constexpr ValueEntry kModeBluetooth[] = {
    {"Standard", "00"},
    {"Data->RS232", "01"},
    {"Read/Transf.", "02"},
    {"Data->Bluetooth", "04"},
};
constexpr ValueEntry kModeRs232[] = {
    {"Standard", "00"},
    {"Data->RS232", "01"},
    {"Read/Transf.", "02"},
    {"Data->Bluetooth", "04", ReadBackOnly},
};
constexpr ValueVariant kMode[] = {
    {"10"_models, kModeDataSerial},
    {"11, 13, 22-25, 27-31, 37, 40"_models, kModeOnlineH},
    {"33, 34, 39"_models, kModeOnline},
    {"4, 6, 9, 12"_models, kModeBluetooth},
    {kAll, kModeRs232},
};

constexpr ValueEntry kInterfaceBluetooth[] = {{"USB/RS232", "00"}, {"Bluetooth", "01"}};
constexpr ValueEntry kInterfaceUsb[] = {{"USB", "00"}, {"Bluetooth", "01"}};
constexpr ValueEntry kInterfaceHid[] = {
    {"USB/RS232", "00"}, {"HID Keyboard", "01"}, {"Bluetooth", "02"}};
constexpr ValueEntry kInterfaceComHid[] = {
    {"USB/RS232 COM", "00"}, {"USB HID", "01"}, {"Bluetooth COM", "02"}, {"Bluetooth HID", "03"}};
constexpr ValueEntry kInterfaceComUsbHid[] = {
    {"USB/RS232 COM", "00"}, {"USB HID", "01"}, {"Bluetooth HID", "03"}};
constexpr ValueEntry kInterfaceIrda[] = {{"RS232", "00"}, {"IRDA", "01"}};
constexpr ValueVariant kInterface[] = {
    {"1, 11, 13, 22, 23, 25, 27, 28"_models, kInterfaceBluetooth},
    {"33, 34, 39"_models, kInterfaceUsb},
    {"24"_models, kInterfaceHid},
    {"29"_models, kInterfaceComHid},
    {"30, 31, 37, 40"_models, kInterfaceComUsbHid},
    {kAll, kInterfaceIrda},
};

constexpr ValueEntry kInterfSelectionBluetooth[] = {{"USB/RS232", "00"},
                                                    {"USB/RS232+Bluetooth", "01"}};
constexpr ValueEntry kInterfSelectionUsb[] = {{"USB", "00"}, {"USB+Bluetooth", "01"}};
constexpr ValueEntry kInterfSelectionRs232Usb[] = {
    {"RS232", "00"}, {"USB", "01"}, {"RS232+Bluetooth", "02"}, {"USB+Bluetooth", "03"}};
constexpr ValueEntry kInterfSelectionRs485[] = {
    {"RS232", "00"}, {"RS485", "01"}, {"RS232+IRDA", "02"}, {"RS485+IRDA", "03"}};
constexpr ValueVariant kInterfSelection[] = {
    {"11, 13, 22, 23, 25, 27, 28"_models, kInterfSelectionBluetooth},
    {"33, 34, 39"_models, kInterfSelectionUsb},
    {"24, 29, 30, 31, 37, 40"_models, kInterfSelectionRs232Usb},
    {kAll, kInterfSelectionRs485},
};

// Code Format: "05" reads back as "ISO Animal Original" wherever no sixth entry of its own
// is listed.
constexpr ValueEntry kCodeFormatFour[] = {
    {"Hexadecimal", "00"},
    {"ISO Animal", "01"},
    {"ISO Industr.", "02"},
    {"BDE Format", "03"},
    {"ISO Animal Original", "04", Accepted},
    {"ISO Animal Original", "05", ReadBackOnly},
};
constexpr ValueEntry kCodeFormatOriginal[] = {
    {"Hexadecimal", "00"}, {"ISO Animal", "01"}, {"ISO Industr.", "02"},
    {"BDE Format", "03"},  {"TRUTEST", "04"},    {"ISO Animal Original", "05"},
};
constexpr ValueEntry kCodeFormatAttributs[] = {
    {"Hexadecimal", "00"}, {"ISO Animal", "01"}, {"ISO Industr.", "02"},
    {"BDE Format", "03"},  {"TRUTEST", "04"},    {"ISO Attributs", "05"},
};
constexpr ValueEntry kCodeFormatAttribute[] = {
    {"Hexadecimal", "00"}, {"ISO Animal", "01"}, {"ISO Industr.", "02"},
    {"BDE Format", "03"},  {"TRUTEST", "04"},    {"ISO Attribute", "05"},
};
constexpr ValueEntry kCodeFormatIso[] = {
    {"Hexadecimal", "00"},
    {"ISO 11784/5", "01"},
    {"ISO Animal Original", "05", ReadBackOnly},
};
constexpr ValueEntry kCodeFormatFive[] = {
    {"Hexadecimal", "00"},
    {"ISO Animal", "01"},
    {"ISO Industr.", "02"},
    {"BDE Format", "03"},
    {"TRUTEST", "04"},
    {"ISO Animal Original", "05", Accepted},
    {"ISO Attributs", "05", Accepted},
};
constexpr ValueVariant kCodeFormat[] = {
    {"22"_models, kCodeFormatFour},          {"4, 9-13, 23-25"_models, kCodeFormatOriginal},
    {"27, 28"_models, kCodeFormatAttributs}, {"29-31, 37, 40"_models, kCodeFormatAttribute},
    {"33"_models, kCodeFormatIso},           {kAll, kCodeFormatFive},
};

constexpr ValueEntry kSetCodeFormatValues[] = {
    {"Hexadecimal", "00"}, {"ISO Animal", "01"},    {"ISO Industr.", "02"},
    {"BDE Format", "03"},  {"ISO Attributs", "04"},
};
constexpr ValueEntry kLanguageValues[] = {
    {"English", "00"}, {"Deutsch", "01"}, {"Romana", "02", RomanaRule}};
constexpr ValueEntry kContinuousReadValues[] = {
    {"Off", "00"},      {"Delay 1s", "01"}, {"Delay 2s", "02"},  {"Delay 3s", "03"},
    {"Delay 4s", "04"}, {"Delay 5s", "05"}, {"No Repeat", "06"},
};
constexpr ValueEntry kMemoryCapacityValues[] = {{"2048", "00"}, {"4000", "01"}};
constexpr ValueEntry kModeSelectionValues[] = {{"Database Off", "00"}, {"Database On", "01"}};
constexpr ValueEntry kPressureUnitValues[] = {{"mbar", "00"}, {"hPa", "01"}};
constexpr ValueEntry kBaudrateValues[] = {{"9600", "01"}, {"19200", "02"}, {"38400", "03"}};
constexpr ValueEntry kBluetoothRoleValues[] = {{"Master", "00"}, {"Slave", "01"}};
constexpr ValueEntry kHidKeyboardValues[] = {
    {"Deutsch", "07"},  {"English", "09"},    {"Espanol", "0A"},   {"Francais", "0C"},
    {"Italiano", "10"}, {"Nederlands", "13"}, {"Portugues", "16"}, {"Canadian", "4B"},
};
constexpr ValueEntry kSpecialFeaturesValues[] = {{"none", "00"}, {"F12", "4D"}};

// Lists that do not depend on the model.
constexpr ValueVariant kOffOnList[] = {{kAll, kOffOn}};
constexpr ValueVariant kAttributeList[] = {{kAll, kAttribute}};
constexpr ValueVariant kSetCodeFormat[] = {{kAll, kSetCodeFormatValues}};
constexpr ValueVariant kLanguage[] = {{kAll, kLanguageValues}};
constexpr ValueVariant kContinuousRead[] = {{kAll, kContinuousReadValues}};
constexpr ValueVariant kMemoryCapacity[] = {{kAll, kMemoryCapacityValues}};
constexpr ValueVariant kModeSelection[] = {{kAll, kModeSelectionValues}};
constexpr ValueVariant kPressureUnit[] = {{kAll, kPressureUnitValues}};
constexpr ValueVariant kBaudrate[] = {{kAll, kBaudrateValues}};
constexpr ValueVariant kBluetoothRole[] = {{kAll, kBluetoothRoleValues}};
constexpr ValueVariant kHidKeyboard[] = {{kAll, kHidKeyboardValues}};
constexpr ValueVariant kSpecialFeatures[] = {{kAll, kSpecialFeaturesValues}};

// ---------------------------------------------------------------------------------------
// The parameters, in catalogue order

constexpr ModelSet kHandheldModels = "4-7, 9-13, 22-25, 27-31, 33, 34, 37, 39, 40"_models;
constexpr ModelSet kStationaryModels = "3, 15-21, 26, 32, 35, 36, 38, 41"_models;
constexpr ModelSet kBaudrateModels = "15, 16, 18, 21, 26, 32, 35, 36, 38, 41"_models;

// A row whose command is built exactly for the models that are offered the name.
constexpr SelectionRow Row(std::string_view name, std::uint16_t address,
                           std::span<const ValueVariant> variants, ModelSet models) {
  return {name, address, variants, models, models};
}

constexpr SelectionRow kSelectionRows[] = {
    Row("Attribute", 0x000, kAttributeList,
        "4-7, 9-13, 16, 22-25, 27-31, 33, 34, 36, 37, 39-41"_models),
    Row("Mode", 0x001, kMode, kHandheldModels),
    Row("Interface", 0x002, kInterface, "1, 6, 7, 11, 13, 22-25, 27-31, 33, 34, 37, 39, 40"_models),
    Row("Language", 0x003, kLanguage,
        "4-7, 9-13, 16, 21-23, 26, 27, 29, 31, 32, 35-38, 40, 41"_models),
    Row("Continuous Read", 0x003, kContinuousRead, "33, 34, 39"_models),
    Row("Code Format", 0x004, kCodeFormat, "4-7, 9-13, 22-25, 27-31, 33, 37, 40"_models),
    Row("SetCodeFormat", 0x004, kSetCodeFormat, "3, 15, 16, 18, 36, 41"_models),
    Row("Lock Up", 0x005, kOffOnList, kHandheldModels),
    Row("Interf. Selection", 0x006, kInterfSelection,
        "4-7, 9, 11-13, 22-25, 27-31, 33, 34, 37, 39, 40"_models),
    Row("Memory Capacity", 0x007, kMemoryCapacity, kHandheldModels),
    Row("Multiple Records", 0x008, kOffOnList, "4-7, 9-13, 22-25, 27-31, 33-37, 39-41"_models),
    Row("Type", 0x009, kOffOnList, "4-7, 9-13, 22-25, 27-31, 37, 40"_models),
    Row("No Read", 0x00A, kOffOnList, kHandheldModels),
    Row("Show Bad Frame", 0x00B, kOffOnList, "4-7, 9-13, 22-25, 27-31, 37, 40"_models),
    Row("Mode Selection", 0x00F, kModeSelection, "33, 34, 39"_models),
    Row("Burn In", 0x011, kOffOnList, "4-7, 9, 10, 12"_models),
    {"Pressure Unit", 0x011, kPressureUnit, "1"_models, "1"_models, {}, "mbar"},
    {"Baudrate", 0x011, kBaudrate, kBaudrateModels, kBaudrateModels, " Baud"},
    Row("Mirror BDE", 0x011, kOffOnList, "40"_models),
    Row("Mirror BDE", 0x014, kOffOnList, "41"_models),
    Row("Buzzer", 0x012, kOffOnList, kHandheldModels),
    Row("Keyboard Sound", 0x012, kOffOnList, kStationaryModels),
    Row("Time", 0x013, kOffOnList, "4, 6, 9, 11-13, 22-25, 27-31, 37, 40"_models),
    Row("Mirror Code", 0x013, kOffOnList, "21, 26, 32, 35"_models),
    {"Handshake RS", 0x014, kOffOnList, "4, 6, 9, 12"_models,
     "4, 6, 9, 11-13, 22-25, 27-31, 33, 34, 37, 39, 40"_models},
    Row("Bluetooth Role", 0x015, kBluetoothRole, "1, 4, 6, 9, 11-13, 22-25, 27, 28"_models),
    Row("Handshake BT", 0x016, kOffOnList, "4, 6, 9, 12"_models),
    Row("HID-Keyboard", 0x081, kHidKeyboard, kStationaryModels),
    Row("Special Features", 0x082, kSpecialFeatures, kStationaryModels),
    Row("PIN", 0x083, kOffOnList, kBaudrateModels),
};

// The full list of the selection name combo.
constexpr std::string_view kSelectionNameOrder[] = {
    "Attribute",
    "Mode",
    "Interface",
    "Language",
    "Code Format",
    "Lock Up",
    "Interf. Selection",
    "Memory Capacity",
    "Multiple Records",
    "Type",
    "No Read",
    "Show Bad Frame",
    "Burn In",
    "Buzzer",
    "Time",
    "Handshake RS",
    "Bluetooth Role",
    "Handshake BT",
    "Keyboard Sound",
    "SetCodeFormat",
    "Pressure Unit",
    "HID-Keyboard",
    "Special Features",
    "Mirror Code",
    "Baudrate",
    "PIN",
    "Continuous Read",
    "Mode Selection",
    "Mirror BDE",
};

// The code-format index of each label the code-format cell can show.
struct CodeFormatIndexEntry {
  std::string_view label;
  int index;
};
constexpr CodeFormatIndexEntry kCodeFormatIndex[] = {
    {"Hexadecimal", 0},         {"ISO Animal", 1},    {"ISO 11784/5", 1},
    {"ISO Industr.", 2},        {"BDE Format", 3},    {"TRUTEST", 4},
    {"ISO Animal Original", 5}, {"ISO Attributs", 5}, {"ISO Attribute", 5},
};

bool Writes(LabelUse use) {
  return use != ReadBackOnly;
}

}  // namespace

std::span<const SelectionRow> SelectionRows() {
  return kSelectionRows;
}

std::span<const std::string_view> SelectionNameOrder() {
  return kSelectionNameOrder;
}

const SelectionRow* FindWritableSelection(std::string_view name, ReaderModel model) {
  const ReaderModel m = CatalogueModel(model);
  for (const SelectionRow& row : kSelectionRows) {
    if (row.name == name && row.writable.Contains(m)) return &row;
  }
  return nullptr;
}

const SelectionRow* FindSelection(std::string_view name, ReaderModel model) {
  if (const SelectionRow* row = FindWritableSelection(name, model)) return row;
  for (const SelectionRow& row : kSelectionRows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

std::span<const ValueEntry> SelectionValues(const SelectionRow& row, ReaderModel model) {
  const ReaderModel m = CatalogueModel(model);
  for (const ValueVariant& variant : row.variants) {
    if (variant.models.Contains(m)) return variant.values;
  }
  return {};
}

bool Listed(const ValueEntry& entry, ReaderModel model, ReaderModel last_timer_model) {
  return entry.use == Offered ||
         (entry.use == RomanaRule && RomanaOffered(model, last_timer_model));
}

}  // namespace tables

using tables::LabelUse;
using tables::SelectionRow;
using tables::ValueEntry;

bool RomanaOffered(ReaderModel model, ReaderModel last_timer_model) {
  return model == ReaderModel::KtrH9V42 || last_timer_model == ReaderModel::KtrH9V43Build39 ||
         last_timer_model == ReaderModel::KtrH9V43Build54;
}

std::vector<std::string_view> ValueLabelsOffered(std::string_view name, ReaderModel model,
                                                 ReaderModel last_timer_model) {
  std::vector<std::string_view> labels;
  const SelectionRow* row = tables::FindSelection(name, model);
  if (row == nullptr) return labels;
  for (const ValueEntry& entry : tables::SelectionValues(*row, model)) {
    if (tables::Listed(entry, model, last_timer_model)) labels.push_back(entry.label);
  }
  return labels;
}

std::string SelectionCommandBody(std::string_view name, std::string_view label, ReaderModel model) {
  const SelectionRow* row = tables::FindWritableSelection(name, model);
  if (row == nullptr) return {};
  std::string body = CellAddress(row->address);
  for (const ValueEntry& entry : tables::SelectionValues(*row, model)) {
    if (entry.label == label && tables::Writes(entry.use)) {
      body += entry.code;
      break;
    }
  }
  return body;
}

std::string DecodeSelectionValue(std::string_view name, ReaderModel model, std::string_view value) {
  const SelectionRow* row = tables::FindWritableSelection(name, model);
  if (row == nullptr || value.empty()) return {};
  for (const ValueEntry& entry : tables::SelectionValues(*row, model)) {
    if (entry.code == value) {
      return " // " + std::string(entry.label) + std::string(row->label_suffix);
    }
  }
  if (!row->otherwise.empty()) return " // " + std::string(row->otherwise);
  return {};
}

std::optional<int> CodeFormatIndex(std::string_view label) {
  for (const auto& entry : tables::kCodeFormatIndex) {
    if (entry.label == label) return entry.index;
  }
  return std::nullopt;
}

std::optional<int> CodeFormatIndexOfCode(std::string_view code, ReaderModel model) {
  const auto value = ParseHexByte(code);
  if (!value || *value > 5 || code != HexByte(*value)) return std::nullopt;
  if (*value == 4 && CatalogueModel(model) == ReaderModel::V220011) return 5;
  return *value;
}

}  // namespace tagline::reader
