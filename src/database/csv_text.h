// SPDX-License-Identifier: Apache-2.0
// CSV as RFC 4180 has it: fields separated by a delimiter, records ended by CR LF, a field
// with the delimiter, a quote or a line break in double quotes (a quote inside doubled).
// Reading also takes what spreadsheet programs write when they save one again: ";" or a
// tab for the delimiter, LF or CR line ends, quotes around any field, a UTF-8 byte-order
// mark.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagline::database {

using CsvRow = std::vector<std::string>;

// One record and its CR LF. A field is quoted when it holds the delimiter, a quote, CR or
// LF, or blanks at either end (which some readers trim).
void AppendCsvRow(std::string& text, const CsvRow& fields, char delimiter = ',');

struct CsvTable {
  std::vector<CsvRow> rows;
  char delimiter = ',';
};

struct CsvParse {
  std::optional<CsvTable> table;
  std::string error;  // "line 7: ..." when the text is no CSV
};

// The delimiter is the one of ",", ";" and tab that the first record holds most often
// outside quotes (","  when it holds none). A quote that is not closed, or text after a
// closing quote, is an error naming the line it began on. Empty lines are skipped.
CsvParse ParseCsv(std::string_view text);

// Windows-1252 text as UTF-8, and back (a character the code page lacks, or a byte that
// is no UTF-8, becomes "?").
std::string Utf8FromWindows1252(std::string_view text);
std::string Windows1252FromUtf8(std::string_view text);

}  // namespace tagline::database
