// SPDX-License-Identifier: Apache-2.0
// The SpreadsheetML (Excel 2003 XML) workbook writer: one worksheet, registered styles and
// column widths, rows of string cells. The workbook is built in memory, byte for byte and
// with CR LF line ends on every platform; the caller saves Text() in one piece, so a failed
// save never leaves half a sheet behind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tagline::database {

// A style's alignment, number format, borders and font, as bits.
using StyleFlags = std::uint16_t;

namespace style_flags {
inline constexpr StyleFlags kHorizontalCenter = 0x0001;
inline constexpr StyleFlags kHorizontalLeft = 0x0002;
inline constexpr StyleFlags kHorizontalRight = 0x0004;
inline constexpr StyleFlags kVerticalTop = 0x0008;
inline constexpr StyleFlags kVerticalCenter = 0x0010;
inline constexpr StyleFlags kVerticalBottom = 0x0020;
inline constexpr StyleFlags kWrapText = 0x0040;
inline constexpr StyleFlags kBorderAll = 0x0080;
inline constexpr StyleFlags kBold = 0x0100;
inline constexpr StyleFlags kUnderline = 0x0200;
inline constexpr StyleFlags kItalic = 0x0400;
inline constexpr StyleFlags kShortDate = 0x0800;
inline constexpr StyleFlags kShortTime = 0x1000;
inline constexpr StyleFlags kCurrency = 0x2000;
inline constexpr StyleFlags kBorderLeftRight = 0x4000;
inline constexpr StyleFlags kBorderTop = 0x8000;
}  // namespace style_flags

// Style argument meaning "no style".
inline constexpr int kNoStyle = -1;
// Style index i is written as the style id "s" followed by i + 21.
inline constexpr int kStyleIdBase = 21;

// Call order: AddColumn / AddStyle, Open, rows (BeginRow, WriteCell..., EndRow), Close.
// Calls out of that order write nothing.
class SheetWriter {
 public:
  // Width 0 means auto-fit; any other width is written with two decimals.
  void AddColumn(double width);

  // Returns the new style's index (0 for the first).
  int AddStyle(StyleFlags flags, std::string fontSize = {});

  // Starts the workbook: everything up to and including the column lines. `rowCount` is
  // the row count the table claims. False for an empty sheet name.
  bool Open(int rowCount, std::string_view sheetName);

  // Negative style: none. Height 0: the default height.
  void BeginRow(int style, double height);

  // A string cell. The text is Windows-1252 and is written as well-formed XML, so that every
  // byte of it comes back when the sheet is read (control characters other than TAB, LF
  // and CR, which XML cannot hold, become "?").
  void WriteCell(std::string_view text, int style);

  void EndRow();

  // Ends the table, worksheet and workbook.
  void Close();

  bool IsOpen() const { return state_ == State::Open; }
  bool IsClosed() const { return state_ == State::Closed; }

  // Room for a workbook of about `bytes`, so that a large one is not copied as it grows.
  void Reserve(std::size_t bytes) { text_.reserve(bytes); }

  // The workbook written so far.
  const std::string& Text() const { return text_; }
  // The workbook, handed over; the writer is left empty.
  std::string TakeText() { return std::move(text_); }

 private:
  struct Style {
    StyleFlags flags;
    std::string fontSize;
  };

  enum class State { Setup, Open, Closed };

  void WriteStyle(std::size_t index, const Style& style);

  std::vector<Style> styles_;
  std::vector<std::string> columnWidths_;
  std::vector<std::string> styleAttributes_;  // ` ss:StyleID="s21"` for each style
  std::string text_;
  State state_ = State::Setup;
};

// "%.2f" of `value` in the C locale, whatever locale the process runs in.
std::string FormatTwoDecimals(double value);

}  // namespace tagline::database
