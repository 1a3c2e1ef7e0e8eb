// SPDX-License-Identifier: Apache-2.0
// Layout choice, model groups, record lengths, type names and column tables.
#include "database/layouts.h"

#include <array>

namespace tagline::database {

namespace {

using protocol::ReaderModel;

constexpr std::array kAttributeColumns = {
    SheetColumn{12.75, "", HeaderStyle::None, SheetField::None},
    SheetColumn{42, "Attribute\nToken\n", HeaderStyle::TwoLine, SheetField::AttributeToken},
    SheetColumn{100, "Attirbute\nDeposited Text\n", HeaderStyle::TwoLine,
                SheetField::AttributeText},
    SheetColumn{12.75, "", HeaderStyle::None, SheetField::None},
    SheetColumn{42, "Attribute\nToken\n", HeaderStyle::TwoLine, SheetField::RecordToken},
    SheetColumn{100, "Attirbute\nDeposited Text\n", HeaderStyle::TwoLine, SheetField::None},
    SheetColumn{48, "Date", HeaderStyle::OneLine, SheetField::Date},
    SheetColumn{48, "Time", HeaderStyle::OneLine, SheetField::Time},
    SheetColumn{95, "Code\nHEX\n", HeaderStyle::TwoLine, SheetField::Hex},
    SheetColumn{55, "Code\nRetagging\nCounter", HeaderStyle::TwoLine, SheetField::RetagCounter},
    SheetColumn{55, "Code\nUser\nInformation", HeaderStyle::TwoLine, SheetField::UserInformation},
    SheetColumn{90, "Code\nAnimal ISO\n", HeaderStyle::TwoLine, SheetField::AnimalIso},
    SheetColumn{90, "Code\nIndustry ISO\n", HeaderStyle::TwoLine, SheetField::IndustryIso},
    SheetColumn{65, "Code\nBDE\n", HeaderStyle::TwoLine, SheetField::Bde},
    SheetColumn{85, "Transponder\nType\n", HeaderStyle::TwoLine, SheetField::TransponderType},
    SheetColumn{85, "Text", HeaderStyle::OneLine, SheetField::Text},
};

constexpr std::array kTextCodeColumns = {
    SheetColumn{12.75, "", HeaderStyle::None, SheetField::None},
    SheetColumn{42, "Attribute\nToken\n", HeaderStyle::TwoLine, SheetField::AttributeToken},
    SheetColumn{100, "Attirbute\nDeposited Text\n", HeaderStyle::TwoLine,
                SheetField::AttributeText},
    SheetColumn{12.75, "", HeaderStyle::None, SheetField::None},
    SheetColumn{42, "Attribute\nToken\n", HeaderStyle::TwoLine, SheetField::RecordToken},
    SheetColumn{100, "Attirbute\nDeposited Text\n", HeaderStyle::TwoLine, SheetField::None},
    SheetColumn{48, "Date", HeaderStyle::OneLine, SheetField::Date},
    SheetColumn{48, "Time", HeaderStyle::OneLine, SheetField::Time},
    SheetColumn{95, "Code", HeaderStyle::OneLine, SheetField::CodeText},
};

constexpr std::array kInspectionColumns = {
    SheetColumn{12.75, "", HeaderStyle::None, SheetField::None},
    SheetColumn{110, "UID / Transpondercode", HeaderStyle::OneLine, SheetField::Uid},
    SheetColumn{50,
                "Pr\xFC"
                "fstatus",
                HeaderStyle::OneLine, SheetField::InspectionStatus},
    SheetColumn{100,
                "n\xE4"
                "chstes Pr\xFC"
                "fdatum",
                HeaderStyle::OneLine, SheetField::NextInspectionDate},
    SheetColumn{80,
                "Tag der Pr\xFC"
                "fung",
                HeaderStyle::OneLine, SheetField::InspectionDay},
};

constexpr std::array kCodeColumns = {
    SheetColumn{12.75, "", HeaderStyle::None, SheetField::None},
    SheetColumn{95, "Code\nHEX\n", HeaderStyle::TwoLine, SheetField::Hex},
    SheetColumn{55, "Code\nRetagging\nCounter", HeaderStyle::TwoLine, SheetField::RetagCounter},
    SheetColumn{55, "Code\nUser\nInformation", HeaderStyle::TwoLine, SheetField::UserInformation},
    SheetColumn{90, "Code\nAnimal ISO\n", HeaderStyle::TwoLine, SheetField::AnimalIso},
    SheetColumn{90, "Code\nIndustry ISO\n", HeaderStyle::TwoLine, SheetField::IndustryIso},
    SheetColumn{65, "Code\nBDE\n", HeaderStyle::TwoLine, SheetField::Bde},
    SheetColumn{60, "Transponder\nType\n", HeaderStyle::TwoLine, SheetField::TransponderType},
};

// The sensor sheet has no import, so no column names a field.
constexpr std::array kSensorColumns = {
    SheetColumn{12.75, "", HeaderStyle::None, SheetField::None},
    SheetColumn{60, "UID\n\n", HeaderStyle::TwoLine, SheetField::None},
    SheetColumn{60, "Pressure\n[mbar]\n", HeaderStyle::TwoLine, SheetField::None},
    SheetColumn{60,
                "Temperature\n[\xB0"
                "C]\n",
                HeaderStyle::TwoLine, SheetField::None},
};

struct TypeName {
  char type;
  std::string_view attributeName;
  std::string_view codeName;
};

// "C" on KtrH9V3 is handled apart.
constexpr std::array<TypeName, 19> kTypeNames = {{
    {'1', "ISO FDX", "ISO FDX"},
    {'2', "ASK 64Bit", "ASK 64Bit"},
    {'3', "Trovan", "Trovan"},
    {'4', "Datamars", "Datamars"},
    {'5', "Destron", "Destron"},
    {'6', "ISO HDX", "ISO HDX"},
    {'7', "Hitag 1 / S", "Hitag 1 / S"},
    {'8', "Hitag 2", "Hitag 2"},
    {'9', "Pontech", "Pontech"},
    {'A', "PSK 2", "PSK 1"},
    {'B', "PSK 1", "PSK 2"},
    {'C', "Diehl Aircabin", ""},
    {'D', "BDE FDX", "BDE FDX"},
    {'E', "BDE HDX", "BDE HDX"},
    {'F', "ISO 14443A 4Byte", "ISO 14443A 4Byte"},
    {'G', "ISO 14443A 7Byte", "ISO 14443A 7Byte"},
    {'H', "ISO 15693", "ISO 15693"},
    {'U', "EM4305", "EM4305"},
    {'V', "UID", ""},
}};

constexpr std::string_view kKtrH9V3TypeC = "PSK 2";

std::string_view NameIn(const TypeName& entry, TypeNameColumn column) {
  return column == TypeNameColumn::Attribute ? entry.attributeName : entry.codeName;
}

}  // namespace

std::optional<SheetLayout> LayoutForModel(ReaderModel model) {
  switch (model) {
    case ReaderModel::KtrH9V3:
    case ReaderModel::KtrH9V40:
    case ReaderModel::KtrH9V42:
    case ReaderModel::KtrH9V43Build39:
    case ReaderModel::KtrH9V43Build54:
    case ReaderModel::B20:
    case ReaderModel::V20:
    case ReaderModel::B21:
    case ReaderModel::V21:
    case ReaderModel::V22:
    case ReaderModel::V220011:
    case ReaderModel::V240000:
    case ReaderModel::V24:
    case ReaderModel::V25:
    case ReaderModel::V26Build0:
    case ReaderModel::V26Build1:
    case ReaderModel::V26Build12:
    case ReaderModel::V26Build13:
    case ReaderModel::V26Build18:
    case ReaderModel::V27:
    case ReaderModel::V28:
    case ReaderModel::V29:
    case ReaderModel::V29Rev5:
    case ReaderModel::V29Rev9:
    case ReaderModel::Series6From630:
    case ReaderModel::Series6Below630:
    case ReaderModel::KtrH9HfV12:
    case ReaderModel::HfV1Recent:
    case ReaderModel::HfV43:
    case ReaderModel::KtrH9HfV43Build27:
    case ReaderModel::KtrH9HfV43Build39:
      return SheetLayout::AttributeSheet;
    case ReaderModel::S320:
    case ReaderModel::S321:
      return SheetLayout::TextCodeSheet;
    case ReaderModel::Talvikko:
    case ReaderModel::Fenra:
      return SheetLayout::InspectionSheet;
    case ReaderModel::KtrH9V2:
    case ReaderModel::KtrH9V2Rev5:
      return SheetLayout::CodeSheet;
    case ReaderModel::B21Vip:
      return SheetLayout::SensorSheet;
    case ReaderModel::NoReply:
    case ReaderModel::Unrecognised:
    case ReaderModel::KtrH9HfV11:
    case ReaderModel::KtrH9HfV10Cs3:
      break;
  }
  return std::nullopt;
}

bool IsNumericOrderModel(ReaderModel model) {
  switch (model) {
    case ReaderModel::V240000:
    case ReaderModel::V24:
    case ReaderModel::V25:
    case ReaderModel::V26Build0:
    case ReaderModel::V26Build1:
    case ReaderModel::V26Build12:
    case ReaderModel::V26Build13:
    case ReaderModel::V26Build18:
    case ReaderModel::V27:
    case ReaderModel::V28:
    case ReaderModel::V29:
    case ReaderModel::V29Rev5:
    case ReaderModel::V29Rev9:
    case ReaderModel::KtrH9V2Rev5:
      return true;
    default:
      return false;
  }
}

bool IsReversedHexModel(ReaderModel model) {
  switch (model) {
    case ReaderModel::KtrH9V3:
    case ReaderModel::KtrH9V40:
    case ReaderModel::KtrH9V42:
    case ReaderModel::KtrH9V43Build39:
    case ReaderModel::KtrH9V43Build54:
    case ReaderModel::KtrH9HfV12:
    case ReaderModel::HfV1Recent:
    case ReaderModel::HfV43:
    case ReaderModel::KtrH9HfV43Build27:
    case ReaderModel::KtrH9HfV43Build39:
    case ReaderModel::KtrH9V2:
      return true;
    default:
      return false;
  }
}

codes::BitOrder FdxOrder(ReaderModel model) {
  return IsNumericOrderModel(model) ? codes::BitOrder::NumericOrder
                                    : codes::BitOrder::TransmissionOrder;
}

std::size_t RecordLength(ReaderModel model) {
  switch (model) {
    case ReaderModel::Talvikko:
    case ReaderModel::Fenra:
      return InspectionLayoutFor(model).RecordLength();
    case ReaderModel::B21Vip:
      return 23;
    default:
      return LayoutForModel(model).has_value() ? 45 : 0;
  }
}

InspectionRecordLayout InspectionLayoutFor(ReaderModel model) {
  return model == ReaderModel::Fenra ? InspectionRecordLayout{16, 6} : InspectionRecordLayout{8, 8};
}

std::string_view TransponderTypeName(char type, TypeNameColumn column, ReaderModel model) {
  if (type == 'C' && column == TypeNameColumn::Attribute && model == ReaderModel::KtrH9V3) {
    return kKtrH9V3TypeC;
  }
  for (const TypeName& entry : kTypeNames) {
    if (entry.type == type) return NameIn(entry, column);
  }
  return {};
}

char TransponderTypeChar(std::string_view name, TypeNameColumn column, ReaderModel model) {
  if (name.empty()) return '0';
  if (column == TypeNameColumn::Attribute && model == ReaderModel::KtrH9V3) {
    // "PSK 2" names "C" there, and "Diehl Aircabin" names nothing.
    if (name == kKtrH9V3TypeC) return 'C';
    if (name == "Diehl Aircabin") return '0';
  }
  for (const TypeName& entry : kTypeNames) {
    if (NameIn(entry, column) == name) return entry.type;
  }
  return '0';
}

std::span<const SheetColumn> LayoutColumns(SheetLayout layout) {
  switch (layout) {
    case SheetLayout::AttributeSheet:
      return kAttributeColumns;
    case SheetLayout::TextCodeSheet:
      return kTextCodeColumns;
    case SheetLayout::InspectionSheet:
      return kInspectionColumns;
    case SheetLayout::CodeSheet:
      return kCodeColumns;
    case SheetLayout::SensorSheet:
      return kSensorColumns;
  }
  return {};
}

double HeaderRowHeight(SheetLayout layout) {
  return layout == SheetLayout::InspectionSheet ? kRowHeight : 38.5;
}

SheetField FieldAtColumn(SheetLayout layout, std::int32_t column) {
  const std::span<const SheetColumn> columns = LayoutColumns(layout);
  if (column < 1 || static_cast<std::size_t>(column) > columns.size()) return SheetField::None;
  return columns[static_cast<std::size_t>(column) - 1].field;
}

}  // namespace tagline::database
