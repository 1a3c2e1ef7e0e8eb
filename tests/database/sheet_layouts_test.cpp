// SPDX-License-Identifier: Apache-2.0
#include "database/layouts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "codes/code_text.h"
#include "codes/iso_code.h"
#include "database/layouts_write.h"
#include "database/tag_table.h"
#include "database/xml_node.h"
#include "database/xml_text.h"

namespace tagline::database {
namespace {

using codes::BitOrder;
using protocol::ReaderModel;

// ---------------------------------------------------------------------------------------
// Fixtures

// A full record: token, date, time, code length digit, code (filled up with "0" to 16
// digits), type, text (filled up with blanks to 14).
TagRecord FullRecord(char token, std::string_view date, std::string_view time, char lengthDigit,
                     std::string_view code, char type, std::string_view text) {
  TagRecord record(1, token);
  record += date;
  record += time;
  record += lengthDigit;
  std::string codeField(code);
  codeField.resize(16, '0');
  record += codeField;
  record += type;
  std::string textField(text);
  textField.resize(14, ' ');
  record += textField;
  return record;
}

TagRecord FullRecord(char token, std::string_view code, char type, std::string_view text) {
  return FullRecord(token, "050324", "143005", codes::UpperHexDigit(code.size() - 1), code, type,
                    text);
}

AttributeList TokensOnly() {
  AttributeList attributes;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    attributes.Set(i, std::string(1, AttributeList::TokenAt(i)));
  }
  return attributes;
}

// Attribute texts with umlauts, markup characters, quotes and Windows-1252 specials.
AttributeList RichAttributes() {
  AttributeList attributes = TokensOnly();
  attributes.Set(0, "#Standard");
  attributes.Set(1, "AK\xE4lber & Rinder");  // longer than 14: cut on the sheet
  attributes.Set(2, "B<Stall 2>");
  attributes.Set(3, "C\"\xD6l\" 'gro\xDF'");
  attributes.Set(4, "D\xC4\xD6\xDC\xE4\xF6\xFC\xDF");
  attributes.Set(5, "Ex");  // two characters: no deposited text
  attributes.Set(26, "Z\x80 5 \x96 ok");
  return attributes;
}

// ISO FDX and BDE codes as the readers deliver them.
constexpr std::string_view kFdxAnimalTransmission = "2858997D38A20101";    // 276 123456789012
constexpr std::string_view kFdxIndustryTransmission = "49080000039F0008";  // 999 000000004242
constexpr std::string_view kFdxBdeTransmission = "E16B4B7800000200";       // 123 1234567
constexpr std::string_view kAnimalNumeric = "8080451CBE991A14";            // 276 123456789012
constexpr std::string_view kIndustryNumeric = "1000F9C000001092";          // 999 000000004242
constexpr std::string_view kBdeNumeric = "004000001ED2D687";               // 123 1234567

// One record of every type character, and the code length digit's corner cases.
TagTable EveryTypeTable(bool numericCodes) {
  TagTable table;
  const std::string_view animal = numericCodes ? kAnimalNumeric : kFdxAnimalTransmission;
  const std::string_view industry = numericCodes ? kIndustryNumeric : kFdxIndustryTransmission;
  const std::string_view bde = numericCodes ? kBdeNumeric : kFdxBdeTransmission;
  table.Append(FullRecord('#', animal, '1', "Kuh Berta"));
  table.Append(FullRecord('A', industry, '1', "M\xFCller & <Co>"));
  table.Append(FullRecord('B', bde, 'D', "\"quoted\" 'q'"));
  table.Append(FullRecord('B', bde, '1', "BDE before ISO"));
  table.Append(FullRecord('C', kAnimalNumeric, '6', "HDX animal"));
  table.Append(FullRecord('D', kBdeNumeric, 'E', "HDX BDE"));
  table.Append(FullRecord('Z', "0123456789", '2', "ASK"));
  table.Append(FullRecord('a', "ABCDE", '3', "other token"));
  const std::string_view others = "4578ABCFGHUVX0";
  for (const char type : others) table.Append(FullRecord('E', "1234ABCD", type, "type"));
  table.Append(FullRecord('F', "050324", "143005", 'F', "FEDCBA9876543210", '2', "digit F"));
  table.Append(FullRecord('G', "050324", "143005", 'x', "FEDCBA9876543210", '2', "digit x"));
  table.Append(FullRecord('H', "050324", "143005", 'f', "FEDCBA9876543210", '2', "digit f"));
  return table;
}

// Text-code records: 28 hex digits of 14 characters at positions 13-40.
TagTable TextCodeTable() {
  TagTable table;
  const auto record = [](char token, std::string text) {
    text.resize(14, ' ');
    return std::string(1, token) + "010124080910" + codes::TextToHex(text) + "FFFF";
  };
  table.Append(record('#', "Hallo Welt"));
  table.Append(record('A', "K\xE4se & <Brot>"));
  table.Append(record('Q', "\x80 \"12\" \xDF\xFF"));
  return table;
}

// Records written with "|" between their fields for reading; the bars are dropped.
TagTable TableOf(std::initializer_list<std::string_view> records) {
  TagTable table;
  for (const std::string_view record : records) {
    std::string text;
    for (const char c : record) {
      if (c != '|') text += c;
    }
    table.Append(text);
  }
  return table;
}

// Inspection records: UID, status, next inspection date, inspection day.
TagTable TalvikkoTable() {
  return TableOf({"0A1B2C3D|1|31122024|30112023", "12345678|0|01012025|24122024",
                  "DEADBEEF|2|15082026|15082025", "XXXXXXXXXXXXXXXXXXXXXXXXX"});
}

TagTable FenraTable() {
  return TableOf({"E0040100AABBCCDD|1|311224|01062024", "E00401001122334F|0|010125|02062024", "X"});
}

TagTable CodeSheetTable(bool numericCodes) {
  TagTable table;
  const std::string_view animal = numericCodes ? kAnimalNumeric : kFdxAnimalTransmission;
  const std::string_view bde = numericCodes ? kBdeNumeric : kFdxBdeTransmission;
  const auto record = [](std::string_view code, char type) {
    return FullRecord('#', "000000", "000000", codes::UpperHexDigit(code.size() - 1), code, type,
                      "______________");
  };
  table.Append(record(animal, '1'));
  table.Append(record(bde, '1'));  // shows Industry ISO and BDE side by side
  table.Append(record(bde, 'D'));
  table.Append(record(kAnimalNumeric, '6'));
  table.Append(record(kBdeNumeric, 'E'));
  for (const char type : std::string_view("ABCV2")) table.Append(record("0011223344", type));
  table.Append("#0000000000003");  // short: no length test on the code sheet
  table.Append("_");
  return table;
}

// Sensor records: 1-8 UID, 9-12 pressure, 13-18 temperature.
TagTable SensorTable() {
  return TableOf({"S|A1B2C3D4|1013|+021.5|9999", "S|00000001|0998|-003.0|9999", "S|short"});
}

struct GoldenCase {
  std::string_view file;
  SheetLayout layout;
  ReaderModel model;
  TagTable table;
  AttributeList attributes;
};

std::vector<GoldenCase> GoldenCases() {
  std::vector<GoldenCase> cases;
  cases.push_back({"attribute_empty.xml", SheetLayout::AttributeSheet, ReaderModel::V21, TagTable(),
                   TokensOnly()});
  cases.push_back({"attribute_reversed_hex.xml", SheetLayout::AttributeSheet, ReaderModel::KtrH9V3,
                   EveryTypeTable(false), RichAttributes()});
  cases.push_back({"attribute_transmission_order.xml", SheetLayout::AttributeSheet,
                   ReaderModel::B20, EveryTypeTable(false), RichAttributes()});
  cases.push_back({"attribute_numeric_order.xml", SheetLayout::AttributeSheet, ReaderModel::V27,
                   EveryTypeTable(true), RichAttributes()});
  cases.push_back({"text_code_empty.xml", SheetLayout::TextCodeSheet, ReaderModel::S320, TagTable(),
                   TokensOnly()});
  cases.push_back({"text_code_records.xml", SheetLayout::TextCodeSheet, ReaderModel::S321,
                   TextCodeTable(), RichAttributes()});
  cases.push_back({"talvikko_empty.xml", SheetLayout::InspectionSheet, ReaderModel::Talvikko,
                   TagTable(), AttributeList()});
  cases.push_back({"talvikko_records.xml", SheetLayout::InspectionSheet, ReaderModel::Talvikko,
                   TalvikkoTable(), AttributeList()});
  cases.push_back({"fenra_records.xml", SheetLayout::InspectionSheet, ReaderModel::Fenra,
                   FenraTable(), AttributeList()});
  cases.push_back({"code_empty.xml", SheetLayout::CodeSheet, ReaderModel::KtrH9V2, TagTable(),
                   AttributeList()});
  cases.push_back({"code_reversed_hex.xml", SheetLayout::CodeSheet, ReaderModel::KtrH9V2,
                   CodeSheetTable(false), AttributeList()});
  cases.push_back({"code_numeric_order.xml", SheetLayout::CodeSheet, ReaderModel::KtrH9V2Rev5,
                   CodeSheetTable(true), AttributeList()});
  cases.push_back({"sensor_empty.xml", SheetLayout::SensorSheet, ReaderModel::B21Vip, TagTable(),
                   AttributeList()});
  cases.push_back({"sensor_records.xml", SheetLayout::SensorSheet, ReaderModel::B21Vip,
                   SensorTable(), AttributeList()});
  return cases;
}

std::filesystem::path GoldenDirectory() {
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "sheets";
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------------------------------
// Reading a written sheet back

struct ParsedCell {
  std::string text;
  std::string style;  // "" without
};
using ParsedRow = std::vector<ParsedCell>;

// The rows of a sheet, parsed strictly by the project's reader with every cell text decoded.
std::vector<ParsedRow> ParseSheet(const std::string& sheet) {
  XmlNode document(XmlKind::Document);
  XmlOptions options = XmlParseOptions();
  options.entities = false;
  options.escape.reset();
  const auto end = ParseDocument(document, sheet, options);
  EXPECT_TRUE(end.has_value()) << options.error.message;
  std::vector<ParsedRow> rows;
  const XmlNode* workbook = RootElement(document);
  if (workbook == nullptr) return rows;
  const auto worksheets = FindChildren(*workbook, "Worksheet");
  EXPECT_EQ(worksheets.size(), 1u);
  if (worksheets.empty()) return rows;
  EXPECT_EQ(AttributeValue(*worksheets[0], "ss:Name"), "Data");
  const auto tables = FindChildren(*worksheets[0], "Table");
  EXPECT_EQ(tables.size(), 1u);
  if (tables.empty()) return rows;
  for (const XmlNode* row : FindChildren(*tables[0], "Row")) {
    ParsedRow cells;
    for (const XmlNode* cell : FindChildren(*row, "Cell")) {
      const auto data = FindChildren(*cell, "Data");
      EXPECT_EQ(data.size(), 1u);
      if (data.empty()) continue;
      EXPECT_EQ(AttributeValue(*data[0], "ss:Type"), "String");
      cells.push_back({DecodeCellText(data[0]->value, false),
                       AttributeValue(*cell, "ss:StyleID").value_or("")});
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

std::vector<std::string> Texts(const ParsedRow& row, std::size_t first, std::size_t count) {
  std::vector<std::string> texts;
  for (std::size_t i = first; i < first + count && i < row.size(); ++i) {
    texts.push_back(row[i].text);
  }
  return texts;
}

std::vector<std::string> Styles(const ParsedRow& row, std::size_t first) {
  std::vector<std::string> styles;
  for (std::size_t i = first; i < row.size(); ++i) styles.push_back(row[i].style);
  return styles;
}

std::vector<std::string> Repeated(std::string text, std::size_t count) {
  return std::vector<std::string>(count, std::move(text));
}

// ---------------------------------------------------------------------------------------
// Golden files

// Each layout's file, reviewed line by line. Set TAGLINE_UPDATE_SHEETS=1 to write the files
// anew, and review every change before it is kept.
TEST(SheetGolden, EveryLayoutMatchesItsFileAndReadsBack) {
  const bool update = std::getenv("TAGLINE_UPDATE_SHEETS") != nullptr;
  for (const GoldenCase& golden : GoldenCases()) {
    SCOPED_TRACE(std::string(golden.file));
    const std::string sheet =
        WriteSheet(golden.layout, golden.model, golden.table, golden.attributes);
    const std::filesystem::path path = GoldenDirectory() / golden.file;
    if (update) std::ofstream(path, std::ios::binary) << sheet;
    const std::string expected = ReadFile(path);
    ASSERT_FALSE(expected.empty()) << path;
    EXPECT_TRUE(sheet == expected) << "differs from " << path;

    // CR LF on every line, and nothing but ASCII: every other byte is a reference.
    for (std::size_t i = 0; i < sheet.size(); ++i) {
      if (sheet[i] == '\n') ASSERT_TRUE(i > 0 && sheet[i - 1] == '\r') << "bare LF at " << i;
      if (sheet[i] == '\r') ASSERT_TRUE(i + 1 < sheet.size() && sheet[i + 1] == '\n');
      ASSERT_LT(static_cast<unsigned char>(sheet[i]), 0x80u) << "at " << i;
    }

    // Every cell text is what the layout put there.
    const auto rows = ParseSheet(sheet);
    const auto columns = LayoutColumns(golden.layout);
    ASSERT_GE(rows.size(), 3u);
    ASSERT_EQ(rows[0].size(), columns.size());
    ASSERT_EQ(rows[1].size(), columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
      EXPECT_EQ(rows[0][c].text, "");
      EXPECT_EQ(rows[1][c].text, columns[c].header);
    }
    if (golden.layout != SheetLayout::AttributeSheet &&
        golden.layout != SheetLayout::TextCodeSheet) {
      continue;
    }
    ASSERT_GE(rows.size(), 2 + kAttributeCount + 1);
    for (std::size_t k = 0; k < kAttributeCount; ++k) {
      EXPECT_EQ(rows[2 + k][1].text, std::string(1, AttributeList::TokenAt(k)));
      EXPECT_EQ(rows[2 + k][2].text, golden.attributes.DepositedText(k));
    }
    for (std::size_t k = 0; golden.table.At(k).size() >= 45; ++k) {
      const TagRecord& record = golden.table.At(k);
      const ParsedRow& row = rows.at(2 + k);
      ASSERT_EQ(row.size(), columns.size());
      EXPECT_EQ(row[4].text, record.substr(0, 1));
      EXPECT_EQ(row[5].text,
                golden.attributes.DepositedText(AttributeList::LookupIndex(record[0])));
      EXPECT_EQ(row[6].text,
                record.substr(1, 2) + "." + record.substr(3, 2) + "." + record.substr(5, 2));
      EXPECT_EQ(row[7].text,
                record.substr(7, 2) + ":" + record.substr(9, 2) + ":" + record.substr(11, 2));
      if (golden.layout == SheetLayout::AttributeSheet) {
        EXPECT_EQ(row[14].text,
                  TransponderTypeName(record[30], TypeNameColumn::Attribute, golden.model));
        EXPECT_EQ(row[15].text, record.substr(31));
      } else {
        EXPECT_EQ(codes::TextToHex(row[8].text), record.substr(13, 28));
      }
    }
  }
}

// The fixed texts as a spreadsheet program shows them, the degree sign included.
TEST(SheetGolden, HeaderTextsAreWellFormedReferences) {
  const auto header = [](SheetLayout layout) {
    return ParseSheet(WriteSheet(layout, ReaderModel::B21Vip, TagTable(), AttributeList())).at(1);
  };
  using Texts3 = std::vector<std::string>;
  EXPECT_EQ(Texts(header(SheetLayout::SensorSheet), 1, 3),
            (Texts3{"UID\n\n", "Pressure\n[mbar]\n", "Temperature\n[\260C]\n"}));
  EXPECT_EQ(Texts(header(SheetLayout::InspectionSheet), 1, 4),
            (Texts3{"UID / Transpondercode", "Pr\374fstatus", "n\344chstes Pr\374fdatum",
                    "Tag der Pr\374fung"}));
  const std::string sensor =
      WriteSheet(SheetLayout::SensorSheet, ReaderModel::B21Vip, TagTable(), AttributeList());
  EXPECT_NE(sensor.find(">Temperature&#10;[&#176;C]&#10;<"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// End rules

TEST(SheetRows, ShortRecordClosesTheRecordTableWithoutEndingTheSheet) {
  // Only an empty or "_" entry ends the sheet; a short one gets the closing row (once) and
  // the records after it are still listed.
  TagTable table;
  table.Append(FullRecord('A', "0011", '2', "first"));
  table.Append("A05032414");
  table.Append(FullRecord('B', "0011", '2', "third"));
  const auto rows =
      ParseSheet(WriteSheet(SheetLayout::AttributeSheet, ReaderModel::B20, table, TokensOnly()));
  ASSERT_EQ(rows.size(), 2u + 28u);
  EXPECT_EQ(rows[2].size(), 16u);
  EXPECT_EQ(rows[2][15].text, "first         ");
  EXPECT_EQ(rows[3].size(), 16u);
  EXPECT_EQ(rows[3][4].style, "s24");
  EXPECT_EQ(rows[4].size(), 16u);
  EXPECT_EQ(rows[4][15].text, "third         ");
  EXPECT_EQ(rows[5].size(), 3u) << "no second closing row";
}

TEST(SheetRows, FiveThousandRecordsEndWithTheClosingRow) {
  const std::vector<ParsedRow> golden =
      ParseSheet(ReadFile(GoldenDirectory() / "attribute_reversed_hex.xml"));
  const TagTable kinds = EveryTypeTable(false);
  const std::size_t kindCount = kinds.LeadingCount();
  ASSERT_GT(kindCount, 20u);
  ASSERT_GE(golden.size(), 2 + kindCount);

  TagTable table;
  for (std::size_t i = 0; i < TagTable::Capacity(); ++i) {
    ASSERT_TRUE(table.Append(kinds.At(i % kindCount)));
  }
  std::vector<std::size_t> progress;
  const std::string sheet =
      WriteSheet(SheetLayout::AttributeSheet, ReaderModel::KtrH9V3, table, RichAttributes(),
                 [&](std::size_t shown) { progress.push_back(shown); });
  ASSERT_EQ(progress.size(), 5000u);
  for (std::size_t i = 0; i < progress.size(); ++i) ASSERT_EQ(progress[i], i + 1);

  const auto rows = ParseSheet(sheet);
  ASSERT_EQ(rows.size(), 2u + 5000u + 1u);
  EXPECT_LE(rows.size(), 5031u) << "the table claims 5031 rows";
  for (std::size_t k = 0; k < 5000; ++k) {
    const ParsedRow& row = rows[2 + k];
    const ParsedRow& same = golden[2 + k % kindCount];
    ASSERT_EQ(row.size(), 16u) << k;
    ASSERT_EQ(Texts(row, 3, 13), Texts(same, 3, 13)) << k;
    ASSERT_EQ(Styles(row, 3), Styles(same, 3)) << k;
  }
  std::vector<std::string> closing = Repeated("", 4);
  for (int i = 0; i < 12; ++i) closing.push_back("s24");
  EXPECT_EQ(Styles(rows.back(), 0), closing);
  EXPECT_EQ(Texts(rows.back(), 0, 16), Repeated("", 16));
}

TEST(SheetRows, RecordTablesOfTheOtherLayoutsEndAfterFiveThousandRecords) {
  struct Case {
    SheetLayout layout;
    ReaderModel model;
    TagRecord record;
    std::size_t columns;
  };
  for (const Case& c : {Case{SheetLayout::CodeSheet, ReaderModel::KtrH9V2,
                             FullRecord('#', "0011", '2', "______________"), 8},
                        Case{SheetLayout::InspectionSheet, ReaderModel::Fenra,
                             "E0040100AABBCCDD"
                             "1"
                             "311224"
                             "01062024",
                             5},
                        Case{SheetLayout::SensorSheet, ReaderModel::B21Vip,
                             "S"
                             "A1B2C3D4"
                             "1013"
                             "+021.5"
                             "9999",
                             4}}) {
    TagTable table;
    while (table.Append(c.record)) {
    }
    std::size_t shown = 0;
    const auto rows = ParseSheet(
        WriteSheet(c.layout, c.model, table, AttributeList(), [&](std::size_t n) { shown = n; }));
    EXPECT_EQ(shown, 5000u);
    ASSERT_EQ(rows.size(), 2u + 5000u + 1u);
    EXPECT_EQ(rows[2 + 4999][1].style, "s23");
    std::vector<std::string> closing = {""};
    for (std::size_t i = 1; i < c.columns; ++i) closing.push_back("s24");
    EXPECT_EQ(Styles(rows.back(), 0), closing);
  }
}

// The "X" end record of the inspection readers is the closing row (see the golden files);
// a "_" record is shown and ends the sheet, and the first row is always written.
TEST(SheetRows, UnderscoreRecordIsShownAndEndsTheInspectionSheet) {
  const TagTable table = TableOf({"_1234567|0|01012025|01012024", "12345678|0|01012025|01012024"});
  const auto rows = ParseSheet(
      WriteSheet(SheetLayout::InspectionSheet, ReaderModel::Talvikko, table, AttributeList()));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2][1].text, "_1234567");
  EXPECT_EQ(rows[2][1].style, "s23");
}

// ---------------------------------------------------------------------------------------
// Code columns

// An ISO code with the given fields, in `order`.
std::string IsoCode(std::uint64_t id, unsigned int country, bool animal, BitOrder order) {
  std::uint64_t code = id | (std::uint64_t{country} << 38);
  if (animal) code |= std::uint64_t{1} << 63;
  return codes::WriteCode(code, order);
}

TEST(SheetCodeCells, BitOrderAndHexReversalFollowTheModelGroups) {
  const std::string numeric = IsoCode(5, 528, true, BitOrder::NumericOrder);
  const std::string transmission = IsoCode(5, 528, true, BitOrder::TransmissionOrder);
  ASSERT_EQ(codes::ReverseHexBits(transmission), numeric);
  const auto animal = [](std::string_view code, char type, ReaderModel model) {
    return LayoutForModel(model) == SheetLayout::CodeSheet
               ? CodeSheetCodeCells(FullRecord('#', code, type, ""), model).animalIso
               : AttributeSheetCodeCells(FullRecord('A', code, type, ""), model).animalIso;
  };
  // ISO FDX: numeric-order models deliver numeric codes, all others transmission codes.
  EXPECT_EQ(animal(numeric, '1', ReaderModel::V24), "528 000000000005");
  EXPECT_EQ(animal(transmission, '1', ReaderModel::V21), "528 000000000005");
  EXPECT_EQ(animal(transmission, '1', ReaderModel::KtrH9V40), "528 000000000005");
  EXPECT_EQ(animal(numeric, '1', ReaderModel::KtrH9V2Rev5), "528 000000000005");
  EXPECT_EQ(animal(transmission, '1', ReaderModel::KtrH9V2), "528 000000000005");
  // ISO HDX is always numeric.
  EXPECT_EQ(animal(numeric, '6', ReaderModel::KtrH9V3), "528 000000000005");
  EXPECT_EQ(animal(numeric, '6', ReaderModel::KtrH9V2), "528 000000000005");

  // HEX: reversed for ISO FDX and BDE FDX on reversed-HEX models only.
  for (const char type : {'1', 'D'}) {
    const TagRecord record = FullRecord('A', transmission, type, "");
    for (const ReaderModel reversed :
         {ReaderModel::KtrH9V3, ReaderModel::HfV43, ReaderModel::KtrH9V2}) {
      EXPECT_EQ(HexCell(record, reversed), numeric);
    }
    for (const ReaderModel plain :
         {ReaderModel::B20, ReaderModel::V27, ReaderModel::KtrH9V2Rev5, ReaderModel::S320}) {
      EXPECT_EQ(HexCell(record, plain), transmission);
    }
  }
  EXPECT_EQ(HexCell(FullRecord('A', transmission, '6', ""), ReaderModel::KtrH9V3), transmission);
  EXPECT_EQ(HexCell(FullRecord('A', "0123A", 'D', ""), ReaderModel::KtrH9V3), "5C480");
}

// ---------------------------------------------------------------------------------------
// Layout data

TEST(SheetLayoutData, EveryModelHasItsLayout) {
  std::set<ReaderModel> attribute = {ReaderModel::KtrH9V3,
                                     ReaderModel::KtrH9V40,
                                     ReaderModel::KtrH9V42,
                                     ReaderModel::KtrH9V43Build39,
                                     ReaderModel::KtrH9V43Build54,
                                     ReaderModel::B20,
                                     ReaderModel::V20,
                                     ReaderModel::B21,
                                     ReaderModel::V21,
                                     ReaderModel::V22,
                                     ReaderModel::V220011,
                                     ReaderModel::V240000,
                                     ReaderModel::V24,
                                     ReaderModel::V25,
                                     ReaderModel::V26Build0,
                                     ReaderModel::V26Build1,
                                     ReaderModel::V26Build12,
                                     ReaderModel::V26Build13,
                                     ReaderModel::V26Build18,
                                     ReaderModel::V27,
                                     ReaderModel::V28,
                                     ReaderModel::V29,
                                     ReaderModel::V29Rev5,
                                     ReaderModel::V29Rev9,
                                     ReaderModel::Series6From630,
                                     ReaderModel::Series6Below630,
                                     ReaderModel::KtrH9HfV12,
                                     ReaderModel::HfV1Recent,
                                     ReaderModel::HfV43,
                                     ReaderModel::KtrH9HfV43Build27,
                                     ReaderModel::KtrH9HfV43Build39};
  ASSERT_EQ(attribute.size(), 31u);
  std::size_t none = 0;
  for (int v = 0; v < protocol::kReaderModelCount; ++v) {
    const auto model = static_cast<ReaderModel>(v);
    const auto layout = LayoutForModel(model);
    std::optional<SheetLayout> expected;
    if (attribute.count(model) != 0) expected = SheetLayout::AttributeSheet;
    if (model == ReaderModel::S320 || model == ReaderModel::S321) {
      expected = SheetLayout::TextCodeSheet;
    }
    if (model == ReaderModel::Talvikko || model == ReaderModel::Fenra) {
      expected = SheetLayout::InspectionSheet;
    }
    if (model == ReaderModel::KtrH9V2 || model == ReaderModel::KtrH9V2Rev5) {
      expected = SheetLayout::CodeSheet;
    }
    if (model == ReaderModel::B21Vip) expected = SheetLayout::SensorSheet;
    EXPECT_EQ(layout, expected) << protocol::ReaderModelName(model);
    if (!layout) ++none;
  }
  EXPECT_EQ(none, 4u) << "NoReply, Unrecognised, KtrH9HfV11, KtrH9HfV10Cs3";
  EXPECT_EQ(LayoutForModel(static_cast<ReaderModel>(protocol::kFailedModel)), std::nullopt);
  EXPECT_EQ(LayoutForModel(static_cast<ReaderModel>(42)), std::nullopt);
}

TEST(SheetLayoutData, ModelGroupsAndRecordLengths) {
  using M = ReaderModel;
  const std::set<M> numeric = {
      M::V240000,    M::V24, M::V25, M::V26Build0, M::V26Build1, M::V26Build12, M::V26Build13,
      M::V26Build18, M::V27, M::V28, M::V29,       M::V29Rev5,   M::V29Rev9,    M::KtrH9V2Rev5};
  const std::set<M> reversed = {M::KtrH9V3,           M::KtrH9V40,        M::KtrH9V42,
                                M::KtrH9V43Build39,   M::KtrH9V43Build54, M::KtrH9HfV12,
                                M::HfV1Recent,        M::HfV43,           M::KtrH9HfV43Build27,
                                M::KtrH9HfV43Build39, M::KtrH9V2};
  for (int v = 0; v < protocol::kReaderModelCount; ++v) {
    const auto model = static_cast<M>(v);
    SCOPED_TRACE(std::string(protocol::ReaderModelName(model)));
    EXPECT_EQ(IsNumericOrderModel(model), numeric.count(model) != 0);
    EXPECT_EQ(IsReversedHexModel(model), reversed.count(model) != 0);
    EXPECT_EQ(FdxOrder(model),
              numeric.count(model) != 0 ? BitOrder::NumericOrder : BitOrder::TransmissionOrder);
    std::size_t length = LayoutForModel(model) ? 45 : 0;
    if (model == M::Talvikko) length = 25;
    if (model == M::Fenra) length = 31;
    if (model == M::B21Vip) length = 23;
    EXPECT_EQ(RecordLength(model), length);
  }
}

TEST(SheetLayoutData, TransponderTypeNames) {
  constexpr auto kAttr = TypeNameColumn::Attribute;
  constexpr auto kCode = TypeNameColumn::Code;
  EXPECT_EQ(TransponderTypeName('1', kAttr, ReaderModel::B20), "ISO FDX");
  EXPECT_EQ(TransponderTypeName('7', kCode, ReaderModel::KtrH9V2), "Hitag 1 / S");
  EXPECT_EQ(TransponderTypeName('A', kAttr, ReaderModel::B20), "PSK 2");
  EXPECT_EQ(TransponderTypeName('A', kCode, ReaderModel::KtrH9V2), "PSK 1");
  EXPECT_EQ(TransponderTypeName('B', kAttr, ReaderModel::B20), "PSK 1");
  EXPECT_EQ(TransponderTypeName('B', kCode, ReaderModel::KtrH9V2), "PSK 2");
  EXPECT_EQ(TransponderTypeName('C', kAttr, ReaderModel::B20), "Diehl Aircabin");
  EXPECT_EQ(TransponderTypeName('C', kAttr, ReaderModel::KtrH9V3), "PSK 2");
  EXPECT_EQ(TransponderTypeName('C', kCode, ReaderModel::KtrH9V3), "");
  EXPECT_EQ(TransponderTypeName('V', kAttr, ReaderModel::B20), "UID");
  EXPECT_EQ(TransponderTypeName('V', kCode, ReaderModel::KtrH9V2), "");
  EXPECT_EQ(TransponderTypeName('U', kCode, ReaderModel::KtrH9V2), "EM4305");
  for (const char other : {'0', 'I', 'T', 'W', 'a', '\0'}) {
    EXPECT_EQ(TransponderTypeName(other, kAttr, ReaderModel::B20), "") << other;
  }

  // Read backwards, every listed name gives its character again.
  for (const char type : std::string_view("123456789ABCDEFGHUV")) {
    for (const auto column : {kAttr, kCode}) {
      const std::string_view name = TransponderTypeName(type, column, ReaderModel::B20);
      if (name.empty()) continue;
      EXPECT_EQ(TransponderTypeChar(name, column, ReaderModel::B20), type) << name;
    }
  }
  EXPECT_EQ(TransponderTypeChar("PSK 2", kAttr, ReaderModel::B20), 'A');
  EXPECT_EQ(TransponderTypeChar("PSK 2", kAttr, ReaderModel::KtrH9V3), 'C');
  EXPECT_EQ(TransponderTypeChar("Diehl Aircabin", kAttr, ReaderModel::KtrH9V3), '0');
  EXPECT_EQ(TransponderTypeChar("PSK 2", kCode, ReaderModel::KtrH9V3), 'B');
  EXPECT_EQ(TransponderTypeChar("Diehl Aircabin", kCode, ReaderModel::KtrH9V2), '0');
  EXPECT_EQ(TransponderTypeChar("", kCode, ReaderModel::KtrH9V2), '0') << "not 'C' nor 'V'";
  EXPECT_EQ(TransponderTypeChar("iso fdx", kAttr, ReaderModel::B20), '0');
}

TEST(SheetLayoutData, ColumnMapsForImport) {
  const auto fields = [](SheetLayout layout) {
    std::vector<SheetField> out;
    for (std::int32_t c = 1; c <= 16; ++c) out.push_back(FieldAtColumn(layout, c));
    return out;
  };
  using F = SheetField;
  EXPECT_EQ(fields(SheetLayout::AttributeSheet),
            (std::vector<F>{F::None, F::AttributeToken, F::AttributeText, F::None, F::RecordToken,
                            F::None, F::Date, F::Time, F::Hex, F::RetagCounter, F::UserInformation,
                            F::AnimalIso, F::IndustryIso, F::Bde, F::TransponderType, F::Text}));
  std::vector<F> textCode = {F::None, F::AttributeToken, F::AttributeText,
                             F::None, F::RecordToken,    F::None,
                             F::Date, F::Time,           F::CodeText};
  textCode.resize(16, F::None);
  EXPECT_EQ(fields(SheetLayout::TextCodeSheet), textCode);
  std::vector<F> inspection = {F::None, F::Uid, F::InspectionStatus, F::NextInspectionDate,
                               F::InspectionDay};
  inspection.resize(16, F::None);
  EXPECT_EQ(fields(SheetLayout::InspectionSheet), inspection);
  std::vector<F> code = {F::None,      F::Hex,         F::RetagCounter, F::UserInformation,
                         F::AnimalIso, F::IndustryIso, F::Bde,          F::TransponderType};
  code.resize(16, F::None);
  EXPECT_EQ(fields(SheetLayout::CodeSheet), code);
  EXPECT_EQ(fields(SheetLayout::SensorSheet), std::vector<F>(16, F::None));
  EXPECT_EQ(FieldAtColumn(SheetLayout::AttributeSheet, 0), F::None);
  EXPECT_EQ(FieldAtColumn(SheetLayout::AttributeSheet, -5), F::None);
  EXPECT_EQ(FieldAtColumn(SheetLayout::AttributeSheet, 2147483647), F::None);
}

}  // namespace
}  // namespace tagline::database
