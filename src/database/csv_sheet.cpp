// SPDX-License-Identifier: Apache-2.0
#include "database/csv_sheet.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "codes/code_text.h"
#include "database/csv_text.h"
#include "database/sheet_checks.h"

namespace tagline::database {

namespace {

using protocol::ReaderModel;

constexpr std::size_t kHexDigits = 16;

struct CsvColumn {
  std::size_t sheetColumn;    // the layout's column (0 = A)
  bool animalNumber = false;  // the 15-digit form of the Animal ISO column
  SheetField field = SheetField::None;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

bool IsIsoType(char type) {
  return type == '1' || type == 'D' || type == '6' || type == 'E';
}

// A header as one line: the sheet's line breaks and runs of blanks as one blank.
std::string OneLine(std::string_view header) {
  std::string line;
  for (const char c : header) {
    const bool blank = c == '\n' || c == '\r' || c == ' ' || c == '\t';
    if (blank) {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string Folded(std::string_view header) {
  std::string folded = OneLine(header);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

std::vector<CsvColumn> Columns(SheetLayout layout) {
  std::vector<CsvColumn> columns;
  const auto sheet = LayoutColumns(layout);
  for (std::size_t i = 0; i < sheet.size(); ++i) {
    if (OneLine(sheet[i].header).empty()) continue;  // column A and the spacer
    columns.push_back({i, false, sheet[i].field});
    if (sheet[i].field == SheetField::AnimalIso) columns.push_back({i, true, SheetField::None});
  }
  return columns;
}

// The header text of a column, Windows-1252.
std::string HeaderOf(SheetLayout layout, const CsvColumn& column) {
  if (column.animalNumber) return std::string(kAnimalNumberHeader);
  return OneLine(LayoutColumns(layout)[column.sheetColumn].header);
}

std::string TwoDigits(int value) {
  const int two = ((value % 100) + 100) % 100;
  return {static_cast<char>('0' + two / 10), static_cast<char>('0' + two % 10)};
}

// "dd.mm.yy" as the sheet shows a record's date, as "20yy-mm-dd".
std::string IsoDate(std::string_view sheetDate) {
  if (sheetDate.size() != 8 || sheetDate[2] != '.' || sheetDate[5] != '.') {
    return std::string(sheetDate);
  }
  return "20" + std::string(sheetDate.substr(6, 2)) + "-" + std::string(sheetDate.substr(3, 2)) +
         "-" + std::string(sheetDate.substr(0, 2));
}

std::vector<int> Numbers(std::string_view text, char separator) {
  std::vector<int> numbers;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t end = std::min(text.find(separator, at), text.size());
    const std::string_view part = text.substr(at, end - at);
    if (!AllDigits(part) || part.size() > 4) return {};
    numbers.push_back(std::stoi(std::string(part)));
    at = end + 1;
  }
  return numbers;
}

// A date cell in any of the forms a spreadsheet program saves, as the sheet's "dd.mm.yy";
// any other text as it is (the import's checks name it).
std::string SheetDate(std::string_view text) {
  // A date-time keeps its date.
  if (const std::size_t cut = text.find_first_of("T "); cut == 10) text = text.substr(0, cut);
  int day = 0;
  int month = 0;
  int year = 0;
  if (const auto iso = Numbers(text, '-'); iso.size() == 3 && text.size() == 10) {
    year = iso[0];
    month = iso[1];
    day = iso[2];
  } else if (const auto european = Numbers(text, '.'); european.size() == 3) {
    day = european[0];
    month = european[1];
    year = european[2];
  } else if (const auto us = Numbers(text, '/'); us.size() == 3) {
    month = us[0];
    day = us[1];
    year = us[2];
  } else {
    return std::string(text);
  }
  // The reader keeps two digits of the year, of this century.
  if (year >= 100 && (year < 2000 || year > 2099)) return std::string(text);
  return TwoDigits(day) + "." + TwoDigits(month) + "." + TwoDigits(year);
}

// "9:05:00" as "09:05:00".
std::string SheetTime(std::string_view text) {
  if (text.size() == 7 && IsDigit(text[0]) && text[1] == ':') return "0" + std::string(text);
  return std::string(text);
}

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

// The rows the sheet's builder gives, as CSV records.
class CsvRows : public SheetRowSink {
 public:
  CsvRows(SheetLayout layout, std::string& text)
      : layout_(layout), columns_(Columns(layout)), text_(text) {
    CsvRow header;
    for (const CsvColumn& column : columns_) {
      header.push_back(Utf8FromWindows1252(HeaderOf(layout_, column)));
    }
    AppendCsvRow(text_, header);
  }

  void BeginRow(int /*style*/, double /*height*/) override { cells_.clear(); }
  void WriteCell(std::string_view text, int /*style*/) override { cells_.emplace_back(text); }
  void EndRow() override {
    // The sheet's empty first row and its header (written above) come first.
    if (rows_++ < kFirstRecordRow) return;
    CsvRow row;
    bool any = false;
    for (const CsvColumn& column : columns_) {
      const std::string cell =
          column.sheetColumn < cells_.size() ? cells_[column.sheetColumn] : std::string();
      std::string text;
      if (column.animalNumber) {
        text = WithoutBlanks(cell);
      } else if (column.field == SheetField::Date) {
        text = IsoDate(cell);
      } else {
        text = Utf8FromWindows1252(cell);
      }
      any = any || !text.empty();
      row.push_back(std::move(text));
    }
    // The table's closing rows hold nothing.
    if (any) AppendCsvRow(text_, row);
  }

 private:
  static constexpr std::size_t kFirstRecordRow = 2;
  const SheetLayout layout_;
  const std::vector<CsvColumn> columns_;
  std::string& text_;
  std::vector<std::string> cells_;
  std::size_t rows_ = 0;
};

bool IsCodeField(SheetField field) {
  switch (field) {
    case SheetField::Hex:
    case SheetField::RetagCounter:
    case SheetField::UserInformation:
    case SheetField::AnimalIso:
    case SheetField::IndustryIso:
    case SheetField::Bde:
    case SheetField::Uid:
      return true;
    default:
      return false;
  }
}

// "2.76E+14": a spreadsheet program showed a long number shortened and saved it so.
bool IsShortenedNumber(std::string_view text) {
  const std::size_t e = text.find_first_of("eE");
  return e != std::string_view::npos && e > 0 && e + 1 < text.size() &&
         (text[e + 1] == '+' || text[e + 1] == '-') && IsDigit(text[0]);
}

// Decoded code cells that a spreadsheet program read as numbers lost their leading zeros:
// where the HEX cell's own decoding shows the same number with them, it is put back. The
// HEX cell of an ISO code is marked a number, which the import pads to its 16 digits.
void RestoreLeadingZeros(SheetRowFields& fields, SheetLayout layout, ReaderModel model) {
  if (layout != SheetLayout::AttributeSheet && layout != SheetLayout::CodeSheet) return;
  const TypeNameColumn names =
      layout == SheetLayout::CodeSheet ? TypeNameColumn::Code : TypeNameColumn::Attribute;
  const char type = TransponderTypeChar(fields.Get(SheetField::TransponderType), names, model);
  std::string hex = fields.Get(SheetField::Hex);
  for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (AllDigits(hex) && hex.size() < kHexDigits) {
    fields.SetNumber(SheetField::Hex);
    if (IsIsoType(type)) hex.insert(0, kHexDigits - hex.size(), '0');
  }
  if (hex.empty() || hex.size() > kHexDigits || !std::all_of(hex.begin(), hex.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
      })) {
    return;
  }
  const auto cellsOf = [&](const std::string& code) {
    std::string record = "#000000000000";
    record += codes::UpperHexDigit(static_cast<unsigned int>(code.size() - 1));
    record += code;
    record.resize(kRecordTypePosition, 'F');
    record += type;
    return layout == SheetLayout::CodeSheet ? CodeSheetCodeCells(record, model)
                                            : AttributeSheetCodeCells(record, model);
  };
  CodeCells shown = cellsOf(hex);
  if (shown.hex != hex) shown = cellsOf(codes::ReverseHexBits(hex));
  if (shown.hex != hex) return;
  const auto stripped = [](const std::string& text) {
    const std::size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? std::string() : text.substr(first);
  };
  for (const auto& [field, shownText] :
       {std::pair{SheetField::RetagCounter, &shown.retagCounter},
        std::pair{SheetField::UserInformation, &shown.userInformation},
        std::pair{SheetField::AnimalIso, &shown.animalIso},
        std::pair{SheetField::IndustryIso, &shown.industryIso},
        std::pair{SheetField::Bde, &shown.bde}}) {
    const std::string& text = fields.Get(field);
    if (AllDigits(text) && AllDigits(*shownText) && text != *shownText &&
        stripped(text) == stripped(*shownText)) {
      fields.Set(field, *shownText);
    }
  }
}

// "276000000012345" as the sheet's "276 000000012345".
std::string AnimalIsoOfNumber(std::string_view number) {
  if (number.size() != 15 || !AllDigits(number)) return {};
  return std::string(number.substr(0, 3)) + " " + std::string(number.substr(3));
}

std::string ColumnName(SheetLayout layout, const CsvColumn& column) {
  return HeaderOf(layout, column);
}

}  // namespace

bool IsCsvPath(std::string_view path) {
  if (path.size() < 4) return false;
  std::string extension(path.substr(path.size() - 4));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".csv";
}

std::string CsvSheetText(SheetLayout layout, ReaderModel model, const TagTable& table,
                         const AttributeList& attributes, const SheetProgress& progress) {
  std::string text;
  CsvRows rows(layout, text);
  WriteSheetRows(layout, model, table, attributes, progress, rows);
  return text;
}

CsvImport ImportCsvText(std::string_view text, SheetLayout layout, ReaderModel model,
                        TagTable& table, AttributeList& attributes,
                        const ImportProgress& progress) {
  CsvImport result;
  const bool utf8 = text.starts_with("\xEF\xBB\xBF") || LooksLikeUtf8(text);
  CsvParse parse = ParseCsv(text);
  if (!parse.table) {
    result.error = "The CSV file does not read as CSV: " + parse.error + ".";
    return result;
  }
  std::vector<CsvRow>& rows = parse.table->rows;
  const auto decoded = [utf8](const std::string& cell) {
    return utf8 ? Windows1252FromUtf8(cell) : cell;
  };
  const std::vector<CsvColumn> columns = Columns(layout);
  if (rows.empty()) {
    result.error = "The CSV file is empty: it has not even its header row.";
    return result;
  }
  const CsvRow& header = rows.front();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::string expected = ColumnName(layout, columns[i]);
    const std::string found = i < header.size() ? decoded(header[i]) : std::string();
    if (Folded(found) != Folded(expected)) {
      result.error = "Column " + std::to_string(i + 1) + " of the CSV file's header is \"" +
                     OneLine(found) + "\"; this reader's sheet has \"" + expected +
                     "\" there. The file was not read.";
      return result;
    }
  }

  std::vector<std::string> shortened;
  const auto fieldsOf = [&](std::size_t r) {
    SheetRowFields fields;
    const CsvRow& row = rows[r - 1];  // row r of the import is line r of the file
    std::string animalNumber;
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::string text = decoded(row[i]);
      if (i >= columns.size()) {
        if (!text.empty()) fields.NoteBeyondColumns(static_cast<std::int32_t>(i + 1));
        continue;
      }
      const CsvColumn& column = columns[i];
      if (IsShortenedNumber(text) && (column.animalNumber || IsCodeField(column.field))) {
        shortened.push_back("Line " + std::to_string(r) + ", " + ColumnName(layout, column) +
                            ": \"" + text +
                            "\" is a number a spreadsheet program shortened; format the column "
                            "as text");
      }
      if (column.animalNumber) {
        animalNumber = text;
      } else if (column.field == SheetField::Date) {
        fields.Set(SheetField::Date, SheetDate(text));
      } else if (column.field == SheetField::Time) {
        fields.Set(SheetField::Time, SheetTime(text));
      } else if (column.field != SheetField::None) {
        fields.Set(column.field, text);
      }
    }
    if (fields.Get(SheetField::AnimalIso).empty() && !animalNumber.empty()) {
      fields.Set(SheetField::AnimalIso, AnimalIsoOfNumber(animalNumber));
    }
    RestoreLeadingZeros(fields, layout, model);
    return fields;
  };
  // The sheet's import counts an empty row and the header before the records: its row r
  // is line r of the file, and named so.
  result.imported =
      ImportFieldRows(rows.size() + 1, fieldsOf, layout, model, table, attributes, 0, progress);
  result.imported.problems.insert(result.imported.problems.begin(), shortened.begin(),
                                  shortened.end());
  return result;
}

}  // namespace tagline::database
