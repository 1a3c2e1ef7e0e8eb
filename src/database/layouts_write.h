// SPDX-License-Identifier: Apache-2.0
// Writing a tag database as a sheet: the common frame, the five layouts' cell and end rules,
// and the code columns derived from a record.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "database/layouts.h"
#include "database/sheet_writer.h"
#include "database/tag_table.h"
#include "protocol/reader_model.h"

namespace tagline::database {

// Indices of the four styles every sheet registers, in registration order.
inline constexpr int kTwoLineHeaderStyle = 0;  // s21: all borders, wrap text
inline constexpr int kOneLineHeaderStyle = 1;  // s22: all borders, top aligned
inline constexpr int kDataStyle = 2;           // s23: left and right border
inline constexpr int kClosingStyle = 3;        // s24: top border, the line under a table

// Registers the layout's column widths and the four common styles.
void SetUpSheet(SheetWriter& writer, SheetLayout layout);

// The code columns of a record.
struct CodeCells {
  std::string hex;
  std::string retagCounter;
  std::string userInformation;
  std::string animalIso;
  std::string industryIso;
  std::string bde;
};

// The HEX cell: the record's code, bit-reversed for ISO FDX and BDE FDX records of
// reversed-HEX models. Also the code field of the ".dat" file.
std::string HexCell(std::string_view record, protocol::ReaderModel model);

// Attribute sheet: BDE first, then Industry ISO only where BDE is empty, then Animal ISO
// only where both are empty.
CodeCells AttributeSheetCodeCells(std::string_view record, protocol::ReaderModel model);

// Code sheet: BDE, Industry ISO and Animal ISO each derived on its own.
CodeCells CodeSheetCodeCells(std::string_view record, protocol::ReaderModel model);

// Called before each row that shows a record, with the number of records shown so far,
// that one included.
using SheetProgress = std::function<void(std::size_t recordsShown)>;

// What the rows of a sheet go into: the workbook, or a CSV file.
class SheetRowSink {
 public:
  virtual ~SheetRowSink() = default;
  virtual void BeginRow(int style, double height) = 0;
  virtual void WriteCell(std::string_view text, int style) = 0;
  virtual void EndRow() = 0;
};

// The rows of the sheet of `table` and `attributes` (the empty row and the header row
// first), as WriteSheet lays them out.
void WriteSheetRows(SheetLayout layout, protocol::ReaderModel model, const TagTable& table,
                    const AttributeList& attributes, const SheetProgress& progress,
                    SheetRowSink& sink);

// The complete workbook of `table` and `attributes` in the layout, for a database read
// from `model`. The workbook always ends: at most 5000 records are shown, followed by
// their table's closing row.
std::string WriteSheet(SheetLayout layout, protocol::ReaderModel model, const TagTable& table,
                       const AttributeList& attributes, const SheetProgress& progress = {});

}  // namespace tagline::database
