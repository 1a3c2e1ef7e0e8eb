// SPDX-License-Identifier: Apache-2.0
// CSV records written and read as RFC 4180 has them, and as spreadsheet programs save them.
#include "database/csv_text.h"

#include <gtest/gtest.h>

namespace tagline::database {
namespace {

std::vector<CsvRow> Rows(std::string_view text) {
  CsvParse parse = ParseCsv(text);
  EXPECT_TRUE(parse.table) << parse.error;
  return parse.table ? parse.table->rows : std::vector<CsvRow>{};
}

TEST(CsvText, FieldsAreQuotedOnlyWhereTheyMustBe) {
  std::string text;
  AppendCsvRow(text, {"plain", "a,b", "say \"hi\"", "two\r\nlines", " padded ", ""});
  EXPECT_EQ(text, "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",\" padded \",\r\n");
  EXPECT_EQ(Rows(text),
            (std::vector<CsvRow>{{"plain", "a,b", "say \"hi\"", "two\r\nlines", " padded ", ""}}));
  std::string semicolons;
  AppendCsvRow(semicolons, {"a,b", "c;d"}, ';');
  EXPECT_EQ(semicolons, "a,b;\"c;d\"\r\n");
}

TEST(CsvText, WhatSpreadsheetProgramsSaveReadsTheSame) {
  const std::vector<CsvRow> expected = {{"Date", "Code"}, {"07.03.2026", "0012"}, {"", "x"}};
  EXPECT_EQ(Rows("Date,Code\r\n07.03.2026,0012\r\n,x\r\n"), expected);
  EXPECT_EQ(Rows("\xEF\xBB\xBF\"Date\";\"Code\"\n\"07.03.2026\";\"0012\"\n;x"), expected);
  EXPECT_EQ(Rows("Date\tCode\r07.03.2026\t0012\r\r\t\"x\"\r"), expected);
  EXPECT_EQ(ParseCsv("a;b,c;d\n").table->delimiter, ';');
  EXPECT_EQ(ParseCsv("\"a;b\",c\n").table->delimiter, ',') << "quoted delimiters do not count";
}

TEST(CsvText, BrokenQuotingIsNamedWithItsLine) {
  EXPECT_EQ(ParseCsv("a,b\nc,\"open\nd,e\n").error, "line 2: a quote is not closed");
  EXPECT_EQ(ParseCsv("a,b\n\"x\"y,z\n").error, "line 2: text after a closing quote");
}

TEST(CsvText, EveryWindows1252ByteComesBackThroughUtf8) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string utf8 = Utf8FromWindows1252(all);
  EXPECT_NE(utf8.find("\xE2\x82\xAC"), std::string::npos) << "0x80 is the euro sign";
  EXPECT_EQ(Windows1252FromUtf8(utf8), all);
  EXPECT_EQ(Windows1252FromUtf8("Pr\xC3\xBC"
                                "f \xE2\x98\x83 \xFF \xC0\xAF"),
            "Pr\xFC"
            "f ? ? ??");
}

}  // namespace
}  // namespace tagline::database
