// SPDX-License-Identifier: Apache-2.0
// The database sheet layouts as data: which layout a reader model uses, the model groups
// that steer the code columns, the record lengths, the transponder type names, and each
// layout's columns with their widths, header texts and the field that import reads there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "codes/iso_code.h"
#include "protocol/reader_model.h"

namespace tagline::database {

enum class SheetLayout : std::uint8_t {
  AttributeSheet,
  TextCodeSheet,
  InspectionSheet,
  CodeSheet,
  SensorSheet,
};

// The layout of a model's database, or nothing for a model without database function
// (NoReply, Unrecognised, KtrH9HfV11, KtrH9HfV10Cs3 and any byte that is no model).
std::optional<SheetLayout> LayoutForModel(protocol::ReaderModel model);

// Models whose ISO FDX and BDE FDX codes are decoded in NumericOrder (KtrH9V2Rev5 stands
// for this group on the code sheet).
bool IsNumericOrderModel(protocol::ReaderModel model);

// Models whose sheets show ISO FDX and BDE FDX codes bit-reversed in the HEX column
// (KtrH9V2 stands for this group on the code sheet).
bool IsReversedHexModel(protocol::ReaderModel model);

// The order FDX codes (types "1" and "D") of the model are decoded and encoded in.
codes::BitOrder FdxOrder(protocol::ReaderModel model);

// The length of one record as the model delivers it: 45 (full records), 25 (Talvikko),
// 31 (Fenra), 23 (B21Vip); 0 for a model without database function.
std::size_t RecordLength(protocol::ReaderModel model);

// Which name column of the type table a layout uses.
enum class TypeNameColumn : std::uint8_t {
  Attribute,  // attribute and text-code sheets, the ".dat" file
  Code,       // code sheet
};

// The name of a transponder type character; "" for an unlisted one. On KtrH9V3 "C" is
// "PSK 2" in the attribute column.
std::string_view TransponderTypeName(char type, TypeNameColumn column, protocol::ReaderModel model);

// The type character of a name, the table read backwards; '0' for an unlisted name (the
// empty name included). On KtrH9V3 "PSK 2" gives 'C' and "Diehl Aircabin" '0' in the
// attribute column.
char TransponderTypeChar(std::string_view name, TypeNameColumn column, protocol::ReaderModel model);

// The record field a sheet column holds for import; None for columns import does not read.
enum class SheetField : std::uint8_t {
  None,
  AttributeToken,
  AttributeText,
  RecordToken,
  Date,
  Time,
  Hex,
  RetagCounter,
  UserInformation,
  AnimalIso,
  IndustryIso,
  Bde,
  TransponderType,
  Text,
  CodeText,
  Uid,
  InspectionStatus,
  NextInspectionDate,
  InspectionDay,
};

inline constexpr std::size_t kSheetFieldCount =
    static_cast<std::size_t>(SheetField::InspectionDay) + 1;

// The header cell's style among the common styles.
enum class HeaderStyle : std::uint8_t {
  None,
  TwoLine,  // s21
  OneLine,  // s22
};

struct SheetColumn {
  double width;
  // The header cell's text as the cell holds it (Windows-1252; "\n" is a line break
  // within the cell).
  std::string_view header;
  HeaderStyle headerStyle;
  SheetField field;
};

// The layout's columns from A on.
std::span<const SheetColumn> LayoutColumns(SheetLayout layout);

// The header row's height.
double HeaderRowHeight(SheetLayout layout);

// The field of a column number counted from 1 (column A); None outside the layout.
SheetField FieldAtColumn(SheetLayout layout, std::int32_t column);

// Field positions of an inspection record: UID, status (1 character), next inspection
// date, inspection day (8 characters).
struct InspectionRecordLayout {
  std::size_t uidLength;
  std::size_t nextDateLength;
  static constexpr std::size_t kDayLength = 8;

  std::size_t StatusPosition() const { return uidLength; }
  std::size_t NextDatePosition() const { return uidLength + 1; }
  std::size_t DayPosition() const { return uidLength + 1 + nextDateLength; }
  std::size_t RecordLength() const { return DayPosition() + kDayLength; }
};

// Fenra: 16-character UID and 6-character next date; every other model the Talvikko
// layout with 8 and 8.
InspectionRecordLayout InspectionLayoutFor(protocol::ReaderModel model);

// The row count every sheet's table claims, and the sheet's name.
inline constexpr int kSheetRowCount = 5031;
inline constexpr std::string_view kSheetName = "Data";
inline constexpr double kRowHeight = 12.75;

}  // namespace tagline::database
