// SPDX-License-Identifier: Apache-2.0
#include "database/sheet_checks.h"

#include <algorithm>
#include <cctype>

namespace tagline::database {

namespace {

constexpr std::size_t kHexDigits = 16;

// FDX and HDX: ISO 11784 codes of 64 bits.
bool IsIsoType(char type) {
  return type == '1' || type == 'D' || type == '6' || type == 'E';
}

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

int Number(std::string_view two) {
  return (two[0] - '0') * 10 + (two[1] - '0');
}

std::string Cell(std::size_t row, const char* name) {
  return "Row " + std::to_string(row) + ", " + name + ": ";
}

// The text as the message quotes it: printable, and not without end.
std::string Quoted(const std::string& text) {
  std::string shown;
  for (const char c : text.substr(0, 24)) {
    const auto byte = static_cast<unsigned char>(c);
    shown += byte >= 0x20 && byte != 0x7F ? c : '?';
  }
  return "\"" + shown + (text.size() > 24 ? "...\"" : "\"");
}

bool HoldsCode(const SheetRowFields& fields, SheetLayout layout) {
  if (layout == SheetLayout::TextCodeSheet) return !fields.Get(SheetField::CodeText).empty();
  for (const SheetField field :
       {SheetField::Hex, SheetField::AnimalIso, SheetField::IndustryIso, SheetField::Bde}) {
    if (!fields.Get(field).empty()) return true;
  }
  return false;
}

void CheckDateAndTime(const SheetRowFields& fields, std::size_t row,
                      std::vector<std::string>& problems) {
  // A cell shorter than its six digits leaves the record short, which is named as such.
  const std::string& date = fields.Get(SheetField::Date);
  const std::string dateDigits = DateCellDigits(date);
  if (dateDigits.size() == 6 && !IsRealDate(dateDigits)) {
    problems.push_back(Cell(row, "date") + Quoted(date) + " is no date");
  }
  const std::string& time = fields.Get(SheetField::Time);
  const std::string timeDigits = TimeCellDigits(time);
  if (timeDigits.size() == 6 && !IsRealTime(timeDigits)) {
    problems.push_back(Cell(row, "time") + Quoted(time) + " is no time of day");
  }
}

}  // namespace

bool IsRealDate(std::string_view digits) {
  if (digits.size() != 6 || !AllDigits(digits)) return false;
  const int day = Number(digits.substr(0, 2));
  const int month = Number(digits.substr(2, 2));
  const int year = 2000 + Number(digits.substr(4, 2));
  constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return !(month == 2 && day == 29 && !leap);
}

bool IsRealTime(std::string_view digits) {
  if (digits.size() != 6 || !AllDigits(digits)) return false;
  return Number(digits.substr(0, 2)) < 24 && Number(digits.substr(2, 2)) < 60 &&
         Number(digits.substr(4, 2)) < 60;
}

void NormaliseHexCell(SheetRowFields& fields) {
  // Digits and capitals are their own upper case in every locale; only other bytes are asked.
  const auto upper = [](char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return c;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  };
  const std::string& shown = fields.Get(SheetField::Hex);
  // Nearly every HEX cell is upper case already and is left as it is, uncopied.
  if (std::all_of(shown.begin(), shown.end(), [&upper](char c) { return upper(c) == c; })) return;
  std::string hex = shown;
  for (char& c : hex) c = upper(c);
  fields.Set(SheetField::Hex, std::move(hex));
}

bool RestoreNumberHexCell(SheetRowFields& fields, char transponderType) {
  std::string hex = fields.Get(SheetField::Hex);
  if (!IsIsoType(transponderType) || !fields.IsNumber(SheetField::Hex) || hex.empty() ||
      !AllDigits(hex) || hex.size() >= kHexDigits) {
    return false;
  }
  hex.insert(0, kHexDigits - hex.size(), '0');
  fields.Set(SheetField::Hex, std::move(hex));
  return true;
}

std::vector<std::string> RecordRowProblems(const SheetRowFields& fields, SheetLayout layout,
                                           std::size_t row, char transponderType) {
  std::vector<std::string> problems;
  if (fields.beyondColumns() != 0) {
    problems.push_back("Row " + std::to_string(row) + ": a cell at column " +
                       std::to_string(fields.beyondColumns()) +
                       " lies beyond the sheet's columns, and its data would be lost");
  }
  if (layout == SheetLayout::AttributeSheet || layout == SheetLayout::CodeSheet) {
    const std::string& hex = fields.Get(SheetField::Hex);
    // isxdigit does not depend on the locale; the test is spelled out to save a call a byte.
    const bool hexDigits = std::all_of(hex.begin(), hex.end(), [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
    const bool length =
        IsIsoType(transponderType) ? hex.size() == kHexDigits : hex.size() <= kHexDigits;
    if (!hex.empty() && (!length || !hexDigits)) {
      problems.push_back(Cell(row, "HEX") + Quoted(hex) + " is no code of " +
                         (IsIsoType(transponderType) ? "16" : "up to 16") + " hex digits");
    }
  }
  if (layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet) {
    if (!HoldsCode(fields, layout)) {
      problems.push_back("Row " + std::to_string(row) + ": the record holds no code");
    }
    CheckDateAndTime(fields, row, problems);
  }
  if (layout == SheetLayout::InspectionSheet) {
    for (const auto& [field, name] : {std::pair{SheetField::NextInspectionDate, "next inspection"},
                                      std::pair{SheetField::InspectionDay, "inspection day"}}) {
      std::string digits = fields.Get(field);
      std::erase(digits, '.');
      if (!AllDigits(digits)) {
        problems.push_back(Cell(row, name) + Quoted(fields.Get(field)) + " is no date");
      }
    }
  }
  return problems;
}

}  // namespace tagline::database
