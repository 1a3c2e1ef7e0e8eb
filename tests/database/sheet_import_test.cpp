// SPDX-License-Identifier: Apache-2.0
#include "database/layouts_import.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "codes/code_text.h"
#include "codes/iso_code.h"
#include "database/layouts_write.h"
#include "database/sheet_writer.h"
#include "database/xml_node.h"

namespace tagline::database {
namespace {

using codes::BitOrder;
using protocol::ReaderModel;
using F = SheetField;

constexpr BitOrder kNumeric = BitOrder::NumericOrder;
constexpr BitOrder kTransmission = BitOrder::TransmissionOrder;

// A record written with "|" between its fields for reading; the bars are dropped.
std::string Bars(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c != '|') out += c;
  }
  return out;
}

SheetRowFields Fields(std::initializer_list<std::pair<SheetField, std::string>> values) {
  SheetRowFields fields;
  for (const auto& [field, text] : values) fields.Set(field, text);
  return fields;
}

// A parsed "Row" element.
class ParsedRow {
 public:
  explicit ParsedRow(const std::string& xml) {
    XmlOptions options = SheetParseOptions();
    EXPECT_TRUE(ParseElement(row_, xml, options).has_value()) << options.error.message;
  }
  const XmlNode& Node() const { return row_; }

 private:
  XmlNode row_;
};

// The rows of a written workbook, as the import sees them.
class ParsedSheet {
 public:
  explicit ParsedSheet(const std::string& sheet) {
    XmlOptions options = SheetParseOptions();
    EXPECT_TRUE(ParseDocument(document_, sheet, options).has_value()) << options.error.message;
    const XmlNode* workbook = RootElement(document_);
    if (workbook == nullptr) return;
    for (const XmlNode* worksheet : FindChildren(*workbook, "Worksheet")) {
      for (const XmlNode* table : FindChildren(*worksheet, "Table")) {
        rows_ = FindChildren(*table, "Row");
      }
    }
  }
  const std::vector<const XmlNode*>& Rows() const { return rows_; }

 private:
  XmlNode document_{XmlKind::Document};
  std::vector<const XmlNode*> rows_;
};

// ---------------------------------------------------------------------------------------
// Cells of a row

TEST(SheetImportCells, ColumnsCountCellsAndHonourIndexGaps) {
  const ParsedRow row(
      "<Row>"
      "<Cell><Data ss:Type=\"String\">margin</Data></Cell>"
      "<Cell ss:Index=\"5\"><Data ss:Type=\"String\">A</Data></Cell>"
      "<Cell><Data ss:Type=\"String\">column 6 is not read</Data></Cell>"
      "<Cell ss:Index=\"3\"><Data ss:Type=\"String\">05.03.24</Data></Cell>"  // 7: not back
      "<Cell ss:StyleID=\"s23\"/>"                                            // 8: no Data
      "<Cell ss:Index=\"16\"><Data ss:Type=\"String\">text</Data></Cell>"
      "</Row>");
  const SheetRowFields fields = ReadRowFields(row.Node(), SheetLayout::AttributeSheet, false);
  EXPECT_EQ(fields.Get(F::AttributeToken), "");
  EXPECT_EQ(fields.Get(F::RecordToken), "A");
  EXPECT_EQ(fields.Get(F::Date), "05.03.24");
  EXPECT_EQ(fields.Get(F::Time), "");
  EXPECT_EQ(fields.Get(F::Text), "text");
  EXPECT_EQ(fields.Get(F::Hex), "");

  // The index is read as atol reads it: leading blanks, digits up to the first other char.
  const ParsedRow lenient(
      "<Row><Cell ss:Index=\" 9x\"><Data ss:Type=\"String\">0011</Data></Cell></Row>");
  EXPECT_EQ(ReadRowFields(lenient.Node(), SheetLayout::AttributeSheet, false).Get(F::Hex), "0011");
}

TEST(SheetImportCells, HugeIndexesStayInRange) {
  const ParsedRow row(
      "<Row>"
      "<Cell ss:Index=\"99999999999999\"><Data ss:Type=\"String\">far</Data></Cell>"
      "<Cell><Data ss:Type=\"String\">farther</Data></Cell>"
      "<Cell ss:Index=\"-4\"><Data ss:Type=\"String\">back</Data></Cell>"
      "</Row>");
  const SheetRowFields fields = ReadRowFields(row.Node(), SheetLayout::CodeSheet, false);
  for (std::size_t f = 0; f < kSheetFieldCount; ++f) {
    EXPECT_EQ(fields.Get(static_cast<SheetField>(f)), "") << f;
  }
}

TEST(SheetImportCells, TextsAreDecodedToWindows1252) {
  const ParsedRow row(
      "<Row><Cell/>"
      "<Cell><Data ss:Type=\"String\">#</Data></Cell>"
      "<Cell><Data ss:Type=\"String\">K&#228;se &amp; &lt;Brot&gt; &ouml; \\n</Data></Cell>"
      "</Row>");
  const SheetRowFields fields = ReadRowFields(row.Node(), SheetLayout::TextCodeSheet, false);
  EXPECT_EQ(fields.Get(F::AttributeToken), "#");
  EXPECT_EQ(fields.Get(F::AttributeText), "K\xE4se & <Brot> \xF6 \\n");

  const ParsedRow utf8(
      "<Row><Cell/><Cell><Data ss:Type=\"String\">M\xC3\xBCller \xE2\x82\xAC</Data></Cell></Row>");
  EXPECT_EQ(ReadRowFields(utf8.Node(), SheetLayout::InspectionSheet, true).Get(F::Uid),
            "M\xFCller \x80");
  EXPECT_EQ(ReadRowFields(utf8.Node(), SheetLayout::InspectionSheet, false).Get(F::Uid),
            "M\xC3\xBCller \xE2\x82\xAC");

  const ParsedRow prefixed(
      "<ss:Row><ss:Cell/><ss:Cell><ss:Data ss:Type=\"String\">0A1B2C3D</ss:Data></ss:Cell>"
      "<ss:Cell ss:Index=\"5\"><ss:Data ss:Type=\"String\">01.06.2024</ss:Data></ss:Cell>"
      "</ss:Row>");
  const SheetRowFields fields2 =
      ReadRowFields(prefixed.Node(), SheetLayout::InspectionSheet, false);
  EXPECT_EQ(fields2.Get(F::Uid), "0A1B2C3D");
  EXPECT_EQ(fields2.Get(F::InspectionDay), "01.06.2024");
}

// ---------------------------------------------------------------------------------------
// Date and time cells

TEST(SheetImportCells, DateAndTimeCells) {
  EXPECT_EQ(DateCellDigits("2024-03-05T00:00:00.000"), "050324");
  EXPECT_EQ(DateCellDigits("05.03.24"), "050324");
  EXPECT_EQ(DateCellDigits("05.03.2024"), "050320");
  EXPECT_EQ(DateCellDigits("5.3.24"), "5324");
  EXPECT_EQ(DateCellDigits(""), "");
  EXPECT_EQ(DateCellDigits("2024-03-05 00:00:00.000"), "2024-0") << "no T: a plain text";
  EXPECT_EQ(DateCellDigits("2024-03-05T00:00:00"), "2024-0") << "not 23 characters";
  EXPECT_EQ(TimeCellDigits("1899-12-31T14:30:05.000"), "143005");
  EXPECT_EQ(TimeCellDigits("2024-03-05T07:08:09.000"), "070809");
  EXPECT_EQ(TimeCellDigits("14:30:05"), "143005");
  EXPECT_EQ(TimeCellDigits("14:30:05:99"), "143005");
  EXPECT_EQ(TimeCellDigits("1430"), "1430");
}

// ---------------------------------------------------------------------------------------
// Attribute entries and records

TEST(SheetImportRecords, AttributeEntries) {
  const auto entry = [](std::string token, std::string text) {
    return BuildAttributeEntry(Fields({{F::AttributeToken, token}, {F::AttributeText, text}}));
  };
  const auto hash = entry("#", "Standard");
  ASSERT_TRUE(hash.has_value());
  EXPECT_EQ(hash->index, 0u);
  EXPECT_EQ(hash->entry, "# Standard");
  const auto z = entry("Z", "");
  ASSERT_TRUE(z.has_value());
  EXPECT_EQ(z->index, 26u);
  EXPECT_EQ(z->entry, "Z ");
  EXPECT_FALSE(entry("a", "x").has_value());
  EXPECT_FALSE(entry("AB", "x").has_value());
  EXPECT_FALSE(entry("", "x").has_value());
}

TEST(SheetImportRecords, AttributeRecordFromHex) {
  const SheetRowFields fields = Fields({{F::RecordToken, "B"},
                                        {F::Date, "05.03.24"},
                                        {F::Time, "14:30:05"},
                                        {F::Hex, "12345"},
                                        {F::TransponderType, "ASK 64Bit"},
                                        {F::Text, "M\xFCller"}});
  EXPECT_EQ(BuildAttributeRecord(fields, ReaderModel::B20),
            Bars("B|050324|143005|4|12345FFFFFFFFFFF|2|M\xFCller        "));

  SheetRowFields longer = fields;
  longer.Set(F::Hex, "0123456789ABCDEF01");
  longer.Set(F::Text, "abcdefghijklmnopq");
  EXPECT_EQ(BuildAttributeRecord(longer, ReaderModel::B20),
            Bars("B|050324|143005|F|0123456789ABCDEF|2|abcdefghijklmn"));

  SheetRowFields none = fields;
  none.Set(F::Hex, "");
  none.Set(F::TransponderType, "Unknown");
  EXPECT_EQ(BuildAttributeRecord(none, ReaderModel::B20),
            Bars("B|050324|143005|0|FFFFFFFFFFFFFFFF|0|M\xFCller        "));

  // The type column is read backwards, with KtrH9V3's own name for "C".
  SheetRowFields psk = fields;
  psk.Set(F::TransponderType, "PSK 2");
  EXPECT_EQ(BuildAttributeRecord(psk, ReaderModel::B20)->at(30), 'A');
  EXPECT_EQ(BuildAttributeRecord(psk, ReaderModel::KtrH9V3)->at(30), 'C');

  SheetRowFields noToken = fields;
  noToken.Set(F::RecordToken, "");
  EXPECT_FALSE(BuildAttributeRecord(noToken, ReaderModel::B20).has_value());
  noToken.Set(F::RecordToken, "AB");
  EXPECT_FALSE(BuildAttributeRecord(noToken, ReaderModel::B20).has_value());

  SheetRowFields dateTime = fields;
  dateTime.Set(F::Date, "2024-03-05T00:00:00.000");
  dateTime.Set(F::Time, "1899-12-31T14:30:05.000");
  EXPECT_EQ(BuildAttributeRecord(dateTime, ReaderModel::B20),
            BuildAttributeRecord(fields, ReaderModel::B20));
}

TEST(SheetImportRecords, FdxHexIsReversedBackWhereTheSheetShowsItReversed) {
  const std::string hex = "2858997D38A20101";
  const std::string reversed = codes::ReverseHexBits(hex);
  for (const char* type : {"ISO FDX", "BDE FDX"}) {
    const SheetRowFields fields = Fields({{F::RecordToken, "A"},
                                          {F::Date, "050324"},
                                          {F::Time, "143005"},
                                          {F::Hex, hex},
                                          {F::TransponderType, type}});
    EXPECT_EQ(BuildAttributeRecord(fields, ReaderModel::V27)->substr(14, 16), hex);
    EXPECT_EQ(BuildAttributeRecord(fields, ReaderModel::KtrH9V3)->substr(14, 16), reversed);
    // Shown unreversed by the sheet: taken back unreversed.
    EXPECT_EQ(BuildAttributeRecord(fields, ReaderModel::B20)->substr(14, 16), hex);
    EXPECT_EQ(BuildAttributeRecord(fields, ReaderModel::Series6From630)->substr(14, 16), hex);
  }
  const SheetRowFields hdx =
      Fields({{F::RecordToken, "A"}, {F::Hex, hex}, {F::TransponderType, "ISO HDX"}});
  EXPECT_EQ(BuildAttributeRecord(hdx, ReaderModel::KtrH9V3)->substr(2, 16), hex);
}

TEST(SheetImportRecords, AttributeRecordFromDecodedColumns) {
  SheetRowFields fields = Fields({{F::RecordToken, "A"},
                                  {F::Date, "050324"},
                                  {F::Time, "143005"},
                                  {F::RetagCounter, "3"},
                                  {F::UserInformation, "07"},
                                  {F::AnimalIso, "276 123456789012"},
                                  {F::IndustryIso, "999 000000004242"},
                                  {F::Bde, "123 1234567"},
                                  {F::TransponderType, "ISO FDX"}});
  const auto code = [&](ReaderModel model) {
    return BuildAttributeRecord(fields, model)->substr(14, 16);
  };
  // BDE first, in the model's order.
  EXPECT_EQ(code(ReaderModel::B20), codes::EncodeManufacturerSerial("123 1234567", kTransmission));
  EXPECT_EQ(code(ReaderModel::V29), codes::EncodeManufacturerSerial("123 1234567", kNumeric));
  // An empty BDE text gives nothing, so Industry ISO is next.
  fields.Set(F::Bde, "");
  EXPECT_EQ(code(ReaderModel::B20),
            codes::EncodeIsoIndustry("999 000000004242", "3", "07", kTransmission));
  fields.Set(F::IndustryIso, "");
  EXPECT_EQ(code(ReaderModel::KtrH9V40),
            codes::EncodeIsoAnimal("276 123456789012", "3", "07", kTransmission));
  EXPECT_EQ(code(ReaderModel::V24),
            codes::EncodeIsoAnimal("276 123456789012", "3", "07", kNumeric));
  EXPECT_EQ(BuildAttributeRecord(fields, ReaderModel::V24)->substr(13, 1), "F");
  // ISO HDX is always numeric.
  fields.Set(F::TransponderType, "ISO HDX");
  EXPECT_EQ(code(ReaderModel::B20),
            codes::EncodeIsoAnimal("276 123456789012", "3", "07", kNumeric));
  // BDE FDX and other types have no ISO columns.
  fields.Set(F::TransponderType, "BDE FDX");
  EXPECT_EQ(code(ReaderModel::B20), "FFFFFFFFFFFFFFFF");
  fields.Set(F::Bde, "123 1234567");
  EXPECT_EQ(code(ReaderModel::B20), codes::EncodeManufacturerSerial("123 1234567", kTransmission));
  fields.Set(F::TransponderType, "BDE HDX");
  EXPECT_EQ(code(ReaderModel::B20), codes::EncodeManufacturerSerial("123 1234567", kNumeric));
  fields.Set(F::TransponderType, "Trovan");
  EXPECT_EQ(code(ReaderModel::B20), "FFFFFFFFFFFFFFFF");
}

TEST(SheetImportRecords, AnEditedDecodedCellWinsOverTheHexItWasShownWith) {
  // KtrH9V3 shows ISO FDX codes bit-reversed in the HEX cell, B20 as they are; V24 and
  // KtrH9V40 take them in the other bit order.
  for (const ReaderModel model :
       {ReaderModel::KtrH9V3, ReaderModel::B20, ReaderModel::V24, ReaderModel::KtrH9V40}) {
    SCOPED_TRACE(std::string(protocol::ReaderModelName(model)));
    const BitOrder order = FdxOrder(model);
    const std::string code = codes::EncodeIsoAnimal("276 123456789012", "3", "07", order);
    const CodeCells shown =
        AttributeSheetCodeCells("A050324143005F" + code + "1text          ", model);
    ASSERT_EQ(shown.animalIso, "276 123456789012");
    SheetRowFields fields = Fields({{F::RecordToken, "A"},
                                    {F::Date, "050324"},
                                    {F::Time, "143005"},
                                    {F::Hex, shown.hex},
                                    {F::RetagCounter, shown.retagCounter},
                                    {F::UserInformation, shown.userInformation},
                                    {F::AnimalIso, shown.animalIso},
                                    {F::IndustryIso, shown.industryIso},
                                    {F::Bde, shown.bde},
                                    {F::TransponderType, "ISO FDX"}});
    const auto codeOf = [model](const SheetRowFields& row) {
      return BuildAttributeRecord(row, model)->substr(14, 16);
    };
    EXPECT_EQ(codeOf(fields), code) << "as shown: the HEX cell's code";

    SheetRowFields animal = fields;
    animal.Set(F::AnimalIso, "276 000000000042");
    EXPECT_EQ(codeOf(animal), codes::EncodeIsoAnimal("276 000000000042", "3", "07", order));
    SheetRowFields retag = fields;
    retag.Set(F::RetagCounter, "5");
    EXPECT_EQ(codeOf(retag), codes::EncodeIsoAnimal("276 123456789012", "5", "07", order));
    // An emptied decoded cell is no change.
    SheetRowFields emptied = fields;
    emptied.Set(F::UserInformation, "");
    EXPECT_EQ(codeOf(emptied), code);
  }
}

TEST(SheetImportRecords, TextCodeRecord) {
  SheetRowFields fields = Fields({{F::RecordToken, "Q"},
                                  {F::Date, "01.01.24"},
                                  {F::Time, "08:09:10"},
                                  {F::CodeText, "K\xE4se"}});
  EXPECT_EQ(BuildTextCodeRecord(fields), Bars("Q|010124|080910|4BE47365|FFFFFFFFFFFFFFFFFFFFFFFF"));
  fields.Set(F::CodeText, "abcdefghijklmnopqrst");
  EXPECT_EQ(BuildTextCodeRecord(fields),
            Bars("Q|010124|080910") + codes::TextToHex("abcdefghijklmn") + "FFFF");
  EXPECT_EQ(BuildTextCodeRecord(fields)->size(), 45u);
  fields.Set(F::RecordToken, "");
  EXPECT_FALSE(BuildTextCodeRecord(fields).has_value());
}

TEST(SheetImportRecords, CodeRecord) {
  EXPECT_FALSE(BuildCodeRecord(Fields({{F::TransponderType, "ISO FDX"}, {F::RetagCounter, "1"}}),
                               ReaderModel::KtrH9V2)
                   .has_value());
  // The sheet shows ISO FDX codes reversed on KtrH9V2: the HEX cell is reversed back.
  EXPECT_EQ(BuildCodeRecord(Fields({{F::Hex, "8080451CBE991A14"}, {F::TransponderType, "ISO FDX"}}),
                            ReaderModel::KtrH9V2),
            "#000000000000F" + codes::ReverseHexBits("8080451CBE991A14") + "1______________");
  EXPECT_EQ(BuildCodeRecord(Fields({{F::Hex, "8080451CBE991A14"}, {F::TransponderType, "ISO FDX"}}),
                            ReaderModel::KtrH9V2Rev5),
            Bars("#000000000000|F|8080451CBE991A14|1|______________"));
  EXPECT_EQ(BuildCodeRecord(Fields({{F::Hex, "ABC"}, {F::TransponderType, "PSK 1"}}),
                            ReaderModel::KtrH9V2),
            Bars("#000000000000|2|ABCFFFFFFFFFFFFF|A|______________"));
  EXPECT_EQ(
      BuildCodeRecord(Fields({{F::Hex, "ABC"}, {F::TransponderType, "UID"}}), ReaderModel::KtrH9V2)
          ->at(30),
      '0')
      << "UID is no code-sheet name";

  // Decoded columns that differ from what the HEX decodes to win over it: BDE, then
  // Industry ISO, then Animal ISO.
  SheetRowFields fields = Fields({{F::Hex, "0"},
                                  {F::RetagCounter, "1"},
                                  {F::UserInformation, "2"},
                                  {F::AnimalIso, "276 123456789012"},
                                  {F::IndustryIso, "999 000000004242"},
                                  {F::Bde, "123 1234567"},
                                  {F::TransponderType, "ISO FDX"}});
  const auto code = [&](ReaderModel model) {
    return BuildCodeRecord(fields, model)->substr(14, 16);
  };
  EXPECT_EQ(code(ReaderModel::KtrH9V2),
            codes::EncodeManufacturerSerial("123 1234567", kTransmission));
  EXPECT_EQ(code(ReaderModel::KtrH9V2Rev5),
            codes::EncodeManufacturerSerial("123 1234567", kNumeric));
  fields.Set(F::Bde, "");
  EXPECT_EQ(code(ReaderModel::KtrH9V2),
            codes::EncodeIsoIndustry("999 000000004242", "1", "2", kTransmission));
  fields.Set(F::IndustryIso, "");
  EXPECT_EQ(code(ReaderModel::KtrH9V2),
            codes::EncodeIsoAnimal("276 123456789012", "1", "2", kTransmission));
  fields.Set(F::TransponderType, "ISO HDX");
  EXPECT_EQ(code(ReaderModel::KtrH9V2),
            codes::EncodeIsoAnimal("276 123456789012", "1", "2", kNumeric));
  fields.Set(F::TransponderType, "BDE FDX");
  EXPECT_EQ(code(ReaderModel::KtrH9V2), "0FFFFFFFFFFFFFFF") << "no ISO columns: the HEX text";
}

TEST(SheetImportRecords, InspectionRecord) {
  SheetRowFields fields = Fields({{F::Uid, "0A1B2C3D"},
                                  {F::InspectionStatus, "12"},
                                  {F::NextInspectionDate, "31.12.2024"},
                                  {F::InspectionDay, "1.6.24"}});
  EXPECT_EQ(BuildInspectionRecord(fields, ReaderModel::Talvikko),
            Bars("0A1B2C3D|1|31122024|00001624"));
  EXPECT_FALSE(BuildInspectionRecord(fields, ReaderModel::Fenra).has_value());
  fields.Set(F::Uid, "E0040100AABBCCDD");
  fields.Set(F::InspectionStatus, "");
  EXPECT_EQ(BuildInspectionRecord(fields, ReaderModel::Fenra),
            Bars("E0040100AABBCCDD|0|311220|00001624"));
  EXPECT_FALSE(BuildInspectionRecord(fields, ReaderModel::Talvikko).has_value());
  fields.Set(F::Uid, "");
  EXPECT_FALSE(BuildInspectionRecord(fields, ReaderModel::Talvikko).has_value());
  EXPECT_EQ(BuildRecord(SheetLayout::SensorSheet, fields, ReaderModel::B21Vip), std::nullopt);
}

// ---------------------------------------------------------------------------------------
// Whole sheets

struct RoundTrip {
  SheetLayout layout;
  ReaderModel model;
  std::vector<TagRecord> records;
};

TagTable TableOf(const std::vector<TagRecord>& records) {
  TagTable table;
  for (const TagRecord& record : records) table.Append(record);
  return table;
}

AttributeList Attributes() {
  AttributeList attributes;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    attributes.Set(i,
                   std::string(1, AttributeList::TokenAt(i)) + "Attr \xE4&<" + std::to_string(i));
  }
  return attributes;
}

TEST(SheetImportRoundTrip, WrittenSheetsReadBackToTheSameRecords) {
  const std::string animalT = codes::EncodeIsoAnimal("276 123456789012", "1", "07", kTransmission);
  const std::string animalN = codes::EncodeIsoAnimal("276 123456789012", "1", "07", kNumeric);
  const std::string bdeT = codes::EncodeManufacturerSerial("123 1234567", kTransmission);
  const std::string bdeN = codes::EncodeManufacturerSerial("123 1234567", kNumeric);
  const std::string text = Bars("M\xFC|ller & <Co>\x80");
  ASSERT_EQ(text.size(), 14u);
  const auto full = [&](char token, std::string code, char type) {
    TagRecord record = std::string(1, token) + "050324143005" +
                       codes::UpperHexDigit(static_cast<unsigned int>(code.size() - 1)) + code;
    record.resize(30, 'F');
    return record + type + text;
  };
  const auto codeSheet = [](std::string code, char type) {
    return "#000000000000F" + code + type + "______________";
  };
  const std::vector<RoundTrip> trips = {
      {SheetLayout::AttributeSheet,
       ReaderModel::KtrH9V3,
       {full('#', animalT, '1'), full('A', bdeT, 'D'), full('Z', animalN, '6'),
        full('B', bdeN, 'E'), full('C', "0123456789", '2'), full('D', "ABC", 'H')}},
      {SheetLayout::AttributeSheet,
       ReaderModel::V26Build18,
       {full('#', animalN, '1'), full('A', bdeN, 'D'), full('Q', "0", 'U')}},
      {SheetLayout::TextCodeSheet,
       ReaderModel::S321,
       {"A050324143005" + codes::TextToHex(text) + "FFFF"}},
      {SheetLayout::CodeSheet,
       ReaderModel::KtrH9V2,
       {codeSheet(animalT, '1'), codeSheet(bdeT, 'D'), codeSheet(animalN, '6'),
        codeSheet("0123456789ABCDEF", '8')}},
      {SheetLayout::CodeSheet,
       ReaderModel::KtrH9V2Rev5,
       {codeSheet(animalN, '1'), codeSheet(bdeN, 'D'), codeSheet(bdeN, 'E')}},
      {SheetLayout::InspectionSheet,
       ReaderModel::Talvikko,
       {Bars("0A1B2C3D|1|31122024|30112023"), Bars("12345678|0|01012025|24122024")}},
      {SheetLayout::InspectionSheet,
       ReaderModel::Fenra,
       {Bars("E0040100AABBCCDD|1|311224|01062024")}},
  };
  for (const RoundTrip& trip : trips) {
    SCOPED_TRACE(std::string(protocol::ReaderModelName(trip.model)));
    const AttributeList written = Attributes();
    const ParsedSheet sheet(WriteSheet(trip.layout, trip.model, TableOf(trip.records), written));
    TagTable table;
    table.Fill(" ");
    AttributeList attributes;
    attributes.Fill(" ");
    std::vector<std::size_t> progress;
    const SheetImportResult result =
        ImportSheetRows(sheet.Rows(), trip.layout, trip.model, false, table, attributes,
                        [&](std::size_t n) { progress.push_back(n); });
    EXPECT_FALSE(result.tableFull);
    ASSERT_EQ(result.recordsStored, trip.records.size());
    for (std::size_t i = 0; i < trip.records.size(); ++i) {
      EXPECT_EQ(table.At(i), trip.records[i]) << i;
      EXPECT_EQ(progress[i], i + 1);
    }
    EXPECT_EQ(table.At(trip.records.size()), " ");
    const bool hasAttributes =
        trip.layout == SheetLayout::AttributeSheet || trip.layout == SheetLayout::TextCodeSheet;
    EXPECT_EQ(result.attributesSet, hasAttributes ? kAttributeCount : 0u);
    for (std::size_t i = 0; i < kAttributeCount; ++i) {
      EXPECT_EQ(attributes.Entry(i), hasAttributes ? std::string(1, AttributeList::TokenAt(i)) +
                                                         " " + written.DepositedText(i)
                                                   : " ");
    }
  }
}

// The element names of a sheet with the spreadsheet namespace's prefix.
std::string Prefixed(std::string text, std::initializer_list<std::string_view> names) {
  for (const std::string_view name : names) {
    for (const std::string_view opener : {"<", "</"}) {
      const std::string plain = std::string(opener) + std::string(name);
      const std::string prefixed = std::string(opener) + "ss:" + std::string(name);
      for (std::size_t at = text.find(plain); at != std::string::npos;
           at = text.find(plain, at + prefixed.size())) {
        const char next = at + plain.size() < text.size() ? text[at + plain.size()] : '\0';
        if (next == ' ' || next == '>' || next == '/') text.replace(at, plain.size(), prefixed);
      }
    }
  }
  return text;
}

TEST(SheetImportRoundTrip, WholeSheetTextsLoadWithEitherWrappers) {
  const std::string animalT = codes::EncodeIsoAnimal("276 123456789012", "1", "07", kTransmission);
  std::vector<TagRecord> records;
  for (int i = 0; i < 30; ++i) {
    records.push_back("A050324143005F" + animalT + "1text " + std::to_string(100000 + i) + "   ");
  }
  const std::string written =
      WriteSheet(SheetLayout::AttributeSheet, ReaderModel::B20, TableOf(records), Attributes());
  const std::string sheets[] = {
      written,
      Prefixed(written, {"Worksheet", "Table"}),
      Prefixed(written, {"Worksheet"}),
      Prefixed(written, {"Table"}),
      Prefixed(written, {"Workbook", "Worksheet", "Table", "Row", "Cell", "Data"}),
  };
  for (const std::string& sheet : sheets) {
    if (&sheet != &sheets[0]) {
      ASSERT_NE(sheet, written);
    }
    TagTable table;
    AttributeList attributes;
    const SheetImportResult result =
        ImportSheetText(sheet, SheetLayout::AttributeSheet, ReaderModel::B20, table, attributes);
    ASSERT_EQ(result.recordsStored, records.size());
    EXPECT_EQ(result.attributesSet, kAttributeCount);
    for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(table.At(i), records[i]) << i;
  }
  // Wrappers with their start tags cut short are left standing: the rows are then not the
  // root's children, and nothing is imported.
  TagTable table;
  AttributeList attributes;
  std::string cut = written;
  cut.erase(cut.find("<Table ") + 6, cut.find('>', cut.find("<Table ")) - cut.find("<Table ") - 6);
  EXPECT_EQ(ImportSheetText(cut, SheetLayout::AttributeSheet, ReaderModel::B20, table, attributes)
                .recordsStored,
            0u);
}

TEST(SheetImportRoundTrip, FdxCodesOfOtherModelsComeBackUnchanged) {
  const std::string animalT = codes::EncodeIsoAnimal("276 123456789012", "1", "07", kTransmission);
  TagRecord record = "A050324143005F" + animalT + "1text          ";
  const ParsedSheet sheet(
      WriteSheet(SheetLayout::AttributeSheet, ReaderModel::B20, TableOf({record}), Attributes()));
  TagTable table;
  AttributeList attributes;
  ImportSheetRows(sheet.Rows(), SheetLayout::AttributeSheet, ReaderModel::B20, false, table,
                  attributes);
  EXPECT_EQ(table.At(0), record);
}

TEST(SheetImportRoundTrip, RowsWithoutRecordsLeaveTheirEntries) {
  SheetWriter writer;
  writer.Open(5031, "Data");
  const auto row = [&](std::string hex) {
    writer.BeginRow(kNoStyle, 12.75);
    writer.WriteCell("", kNoStyle);
    writer.WriteCell(hex, kNoStyle);
    writer.EndRow();
  };
  row("");
  row("Code");
  row("AA");
  row("");
  row("BB");
  writer.Close();
  const ParsedSheet sheet(writer.Text());
  TagTable table;
  table.Fill(" ");
  AttributeList attributes;
  const SheetImportResult result = ImportSheetRows(sheet.Rows(), SheetLayout::CodeSheet,
                                                   ReaderModel::KtrH9V2, false, table, attributes);
  EXPECT_EQ(result.recordsStored, 2u);
  EXPECT_EQ(table.At(0).substr(13, 17), "1AAFFFFFFFFFFFFFF");
  EXPECT_EQ(table.At(1), " ");
  EXPECT_EQ(table.At(2).substr(13, 17), "1BBFFFFFFFFFFFFFF");

  // The sensor sheet has no import.
  const SheetImportResult sensor = ImportSheetRows(sheet.Rows(), SheetLayout::SensorSheet,
                                                   ReaderModel::B21Vip, false, table, attributes);
  EXPECT_EQ(sensor.recordsStored, 0u);
}

TEST(SheetImportRoundTrip, RecordsPastTheTableAreRefusedAndReported) {
  SheetWriter writer;
  writer.Open(5031, "Data");
  for (std::size_t r = 0; r < 2 + 5000 + 2; ++r) {
    writer.BeginRow(kNoStyle, 12.75);
    writer.WriteCell("", kNoStyle);
    writer.WriteCell(r < 2 ? "" : codes::TextToHex(std::to_string(r - 2)), kNoStyle);
    writer.EndRow();
  }
  writer.Close();
  const ParsedSheet sheet(writer.Text());
  ASSERT_EQ(sheet.Rows().size(), 5004u);
  TagTable table;
  AttributeList attributes;
  std::size_t lastProgress = 0;
  const SheetImportResult result =
      ImportSheetRows(sheet.Rows(), SheetLayout::CodeSheet, ReaderModel::KtrH9V2, false, table,
                      attributes, [&](std::size_t n) { lastProgress = n; });
  EXPECT_TRUE(result.tableFull);
  EXPECT_EQ(result.recordsStored, 5000u);
  EXPECT_EQ(lastProgress, 5000u);
  EXPECT_NE(table.At(4999).find(codes::TextToHex("4999")), std::string::npos);
  EXPECT_EQ(table.At(5000), "");

  // Exactly 5000 record rows fit.
  std::vector<const XmlNode*> fitting(sheet.Rows().begin(), sheet.Rows().begin() + 5002);
  TagTable exact;
  EXPECT_FALSE(ImportSheetRows(fitting, SheetLayout::CodeSheet, ReaderModel::KtrH9V2, false, exact,
                               attributes)
                   .tableFull);
}

}  // namespace
}  // namespace tagline::database
