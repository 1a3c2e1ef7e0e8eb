// SPDX-License-Identifier: Apache-2.0
// A sheet's rows read straight from its text, without building a tree: the quick way to load
// the plain markup that this program and spreadsheet programs write. A text holding anything
// else is left to the parser and the tree, so that both ways give the same rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "database/layouts.h"
#include "database/layouts_import.h"

namespace tagline::database {

// What the import takes from one "Cell" element: its first "ss:Index" and "ss:StyleID", and
// the text (as written) and first "ss:Type" of its data child, if it has one.
struct SheetCell {
  std::optional<std::string_view> index;
  std::optional<std::string_view> style;
  bool hasData = false;
  std::string_view raw;
  std::optional<std::string_view> type;
};

// What a row's cells tell of the row beyond their texts.
struct SheetRowNotes {
  bool closesRecords = false;
  std::int32_t beyondColumns = 0;

  void NoteBeyondColumns(std::int32_t column) {
    if (beyondColumns == 0) beyondColumns = column;
  }
  void ApplyTo(SheetRowFields& fields) const;
};

// The columns the cells of one row take, in document order.
class SheetColumns {
 public:
  explicit SheetColumns(SheetLayout layout);

  // The field of the next cell's column; None when its text is dropped. Notes the closing
  // style and cells beyond the layout's columns.
  SheetField Place(const SheetCell& cell, SheetRowNotes& notes);
  void Restart() { column_ = 0; }

 private:
  SheetLayout layout_;
  std::int32_t columns_;
  std::int32_t column_ = 0;
};

// A cell's text as written, for the field its column holds.
struct ScannedCell {
  std::string_view raw;
  SheetField field;
  bool number;  // typed ss:Type="Number"
};

struct ScannedRow {
  std::uint32_t firstCell;
  std::uint32_t cellCount;
  SheetRowNotes notes;
};

// The rows of a sheet as read without a tree; the texts are views into the scanned text.
struct ScannedSheet {
  std::vector<ScannedRow> rows;
  std::vector<ScannedCell> cells;

  // Row r's fields, as ReadRowFields gives them: the texts decoded as Windows-1252 (`utf8`
  // clear) or UTF-8 (`utf8` set).
  SheetRowFields Fields(std::size_t row, bool utf8) const;
};

// The rows ReadRowFields would be given for a text parsed with SheetParseOptions (the
// root's "Row" children, or its "ss:Row" ones when it has no "Row"), all rows counted.
// Nothing when the text holds markup this reader does not take exactly as the parser does:
// comments, character data or instructions after the prolog, an end tag that is not plainly
// the open element's, an attribute other than name="value", an unclosed element, a row or
// cell mixing prefixed and plain children, deep nesting, more rows or cells than the text's
// size justifies holding.
std::optional<ScannedSheet> ScanSheetRows(std::string_view text, SheetLayout layout);

}  // namespace tagline::database
