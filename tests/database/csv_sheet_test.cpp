// SPDX-License-Identifier: Apache-2.0
// The tag database as CSV: written for farm software, and read back from the file or from
// what a spreadsheet program made of it.
#include "database/csv_sheet.h"

#include <gtest/gtest.h>

#include "database/csv_text.h"
#include "sample_records.h"

namespace tagline::database {
namespace {

using protocol::ReaderModel;

constexpr ReaderModel kModel = ReaderModel::B20;  // attribute sheet

class CsvSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::size_t i = 0; i < kSampleRecords.size(); ++i) table.Set(i, kSampleRecords[i]);
    table.Set(kSampleRecords.size(), "_");
    attributes.Set(0, "#Herd");
    attributes.Set(1, "ABarn \xC4");  // Windows-1252 A umlaut
  }
  std::string Csv() const {
    return CsvSheetText(SheetLayout::AttributeSheet, kModel, table, attributes);
  }
  CsvImport Import(std::string_view text) {
    back = TagTable();
    backAttributes = AttributeList();
    return ImportCsvText(text, SheetLayout::AttributeSheet, kModel, back, backAttributes);
  }
  // The sheet's text with every `from` replaced by `to`.
  static std::string Replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
    return text;
  }
  void ExpectSameRecords(const CsvImport& imported) {
    EXPECT_TRUE(imported.error.empty()) << imported.error;
    EXPECT_TRUE(imported.imported.problems.empty())
        << (imported.imported.problems.empty() ? "" : imported.imported.problems.front());
    EXPECT_TRUE(imported.imported.incompleteRows.empty());
    EXPECT_EQ(imported.imported.completeRecords, kSampleRecords.size());
    for (std::size_t i = 0; i < kSampleRecords.size(); ++i) {
      EXPECT_EQ(back.At(i), kSampleRecords[i]) << "record " << i;
    }
    // The attribute entries as the workbook of the same data gives them back.
    TagTable sheetTable;
    AttributeList sheetAttributes;
    ImportSheetText(WriteSheet(SheetLayout::AttributeSheet, kModel, table, attributes),
                    SheetLayout::AttributeSheet, kModel, sheetTable, sheetAttributes);
    for (std::size_t i = 0; i < kAttributeCount; ++i) {
      EXPECT_EQ(backAttributes.Entry(i), sheetAttributes.Entry(i)) << "attribute " << i;
    }
    EXPECT_EQ(backAttributes.Entry(1), "A Barn \xC4");
  }

  TagTable table;
  AttributeList attributes;
  TagTable back;
  AttributeList backAttributes;
};

TEST_F(CsvSheet, AStrictReaderFindsOneHeaderAndEqualRows) {
  const std::string csv = Csv();
  const CsvParse parse = ParseCsv(csv);
  ASSERT_TRUE(parse.table) << parse.error;
  const auto& rows = parse.table->rows;
  ASSERT_GE(rows.size(), 4u);
  for (const CsvRow& row : rows) EXPECT_EQ(row.size(), rows.front().size());
  EXPECT_EQ(rows[0][4], "Date");
  EXPECT_EQ(rows[0][9], "Code Animal ISO");
  EXPECT_EQ(rows[0][10], "Code Animal ISO 15 digits");
  // The HDX cow: texts with their leading zeros, ISO date, both animal number forms.
  EXPECT_EQ(rows[1][4], "2026-03-07");
  EXPECT_EQ(rows[1][5], "10:15:00");
  EXPECT_EQ(rows[1][8], "03");
  EXPECT_EQ(rows[1][9], "276 123456789012");
  EXPECT_EQ(rows[1][10], "276123456789012");
  EXPECT_EQ(rows[2][1], "Barn \xC3\x84") << "UTF-8";
  EXPECT_EQ(csv.find("\r\n\r\n"), std::string::npos) << "no rows of nothing";
}

TEST_F(CsvSheet, ReadBackGivesTheSameRecords) {
  ExpectSameRecords(Import(Csv()));
}

TEST_F(CsvSheet, ASpreadsheetProgramsSaveGivesTheSameRecords) {
  table.Set(0, "#070326091500F9180451CBE991A146Cow 1         ");  // 09:15:00
  const std::string written = Csv();
  // Semicolons and every field quoted, as a German LibreOffice saves it; dates in the
  // program's forms, an hour without its zero, a user information that lost its zero.
  std::string resaved;
  const CsvParse parse = ParseCsv(written);
  for (const CsvRow& row : parse.table->rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      std::string field = row[i];
      if (field == "2026-03-07") field = "07.03.2026";
      if (field == "2026-03-08") field = "3/8/2026";
      if (field == "09:15:00") field = "9:15:00";
      if (i == 8 && field == "03") field = "3";
      resaved += (i ? ";\"" : "\"") + field + "\"";
    }
    resaved += "\n";
  }
  ASSERT_NE(resaved.find("\"9:15:00\";\"9180451CBE991A14\";\"1\";\"3\""), std::string::npos)
      << resaved;
  const CsvImport imported = Import(resaved);
  EXPECT_TRUE(imported.imported.problems.empty())
      << (imported.imported.problems.empty() ? "" : imported.imported.problems.front());
  EXPECT_EQ(back.At(0), table.At(0));
  EXPECT_EQ(back.At(1), table.At(1));
  EXPECT_EQ(back.At(2), table.At(2));
}

TEST_F(CsvSheet, AnIsoHexThatLostItsLeadingZerosComesBack) {
  table.Set(0,
            "#070326101500F0000000000012345"
            "6Cow 1         ");
  const std::string csv = Csv();
  ASSERT_NE(csv.find(",0000000000012345,"), std::string::npos) << csv;
  const CsvImport imported = Import(Replaced(csv, ",0000000000012345,", ",12345,"));
  EXPECT_TRUE(imported.imported.problems.empty())
      << (imported.imported.problems.empty() ? "" : imported.imported.problems.front());
  EXPECT_EQ(back.At(0), table.At(0));
}

TEST_F(CsvSheet, AnExcelFileInWindows1252ReadsTheSame) {
  std::string ansi = Replaced(Csv(), "Barn \xC3\x84", "Barn \xC4");
  ExpectSameRecords(Import(ansi));
}

TEST_F(CsvSheet, AnEditedAnimalNumberIsWrittenFromEitherColumn) {
  constexpr std::string_view kBoth = "276 123456789012,276123456789012";
  ASSERT_TRUE(Import(Replaced(Csv(), kBoth, "276 000000012345,276000000012345")).error.empty());
  const TagRecord edited = back.At(0);
  EXPECT_NE(edited, kSampleRecords[0]);
  // Farm software that keeps only the 15 digits leaves the Animal ISO cell empty.
  ASSERT_TRUE(Import(Replaced(Csv(), kBoth, ",276000000012345")).error.empty());
  EXPECT_EQ(back.At(0), edited);
}

TEST_F(CsvSheet, NumbersASpreadsheetShortenedRefuseTheRow) {
  const CsvImport imported = Import(Replaced(Csv(), "276123456789012", "2.76123E+14"));
  ASSERT_FALSE(imported.imported.problems.empty());
  EXPECT_EQ(imported.imported.problems.front(),
            "Line 2, Code Animal ISO 15 digits: \"2.76123E+14\" is a number a spreadsheet "
            "program shortened; format the column as text");
}

TEST_F(CsvSheet, ProblemsNameTheLineOfTheFile) {
  // Line 3 is the second record: its time is none.
  const CsvImport imported = Import(Replaced(Csv(), "11:15:01", "25:15:01"));
  ASSERT_EQ(imported.imported.problems.size(), 1u);
  EXPECT_EQ(imported.imported.problems.front(), "Row 3, time: \"25:15:01\" is no time of day");
}

TEST_F(CsvSheet, AFileOfAnotherLayoutOrNoCsvIsNotRead) {
  const std::string codeSheet =
      CsvSheetText(SheetLayout::CodeSheet, ReaderModel::KtrH9V2, table, attributes);
  const CsvImport other = Import(codeSheet);
  EXPECT_EQ(other.error,
            "Column 1 of the CSV file's header is \"Code HEX\"; this reader's sheet has "
            "\"Attribute Token\" there. The file was not read.");
  EXPECT_EQ(back.LeadingCount(), 0u);
  EXPECT_EQ(Import("\"open").error,
            "The CSV file does not read as CSV: line 1: a quote is not closed.");
  EXPECT_EQ(Import("").error, "The CSV file is empty: it has not even its header row.");
}

}  // namespace
}  // namespace tagline::database
