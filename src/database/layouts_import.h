// SPDX-License-Identifier: Apache-2.0
// Reading a sheet of one of the layouts back into records and attribute entries: the cells
// of a row by column (with "ss:Index" gaps honoured), and the record built from them.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/layouts.h"
#include "database/tag_table.h"
#include "database/xml_node.h"
#include "protocol/reader_model.h"

namespace tagline::database {

// The cell texts of one sheet row, by the field their column holds.
class SheetRowFields {
 public:
  const std::string& Get(SheetField field) const;
  void Set(SheetField field, std::string text);
  // Whether a record cell of the row carries the closing row's style ("s24"): the row that
  // draws the record table's bottom line. Rows after it hold no records.
  bool closesRecords() const { return closesRecords_; }
  void SetClosesRecords() { closesRecords_ = true; }
  // Whether the field's cell is typed as a number (ss:Type="Number").
  bool IsNumber(SheetField field) const;
  void SetNumber(SheetField field);
  // A column the row puts a cell at beyond the layout's columns (with "ss:Index", or a cell
  // with data after the last column); 0 for none. Such a cell's data would be dropped.
  std::int32_t beyondColumns() const { return beyondColumns_; }
  void NoteBeyondColumns(std::int32_t column) {
    if (beyondColumns_ == 0) beyondColumns_ = column;
  }

 private:
  std::array<std::string, kSheetFieldCount> texts_{};
  std::array<bool, kSheetFieldCount> numbers_{};
  bool closesRecords_ = false;
  std::int32_t beyondColumns_ = 0;
};

// Takes the first start tag beginning with `open` (through its ">") out of `text`, and then
// the first `close` after it (through its ">"). Stops without further change where a part is
// missing.
void RemoveSheetWrapper(std::string& text, std::string_view open, std::string_view close);

// The worksheet and table wrappers of a sheet, with or without the "ss:" prefix, taken out so
// that the rows become children of the root element.
void RemoveSheetWrappers(std::string& text);

// The text RemoveSheetWrappers leaves, as a view into `text`, which keeps its size: each tag
// is closed over from its shorter side, in a sheet the head or the tail, so the rows do not
// move. The view lasts as long as `text` is left unchanged.
std::string_view SheetWithoutWrappers(std::string& text);

// Parse options for a sheet whose cell texts are decoded by ReadRowFields: no entity
// decoding and no escape character, so every text reaches DecodeCellText as written.
XmlOptions SheetParseOptions();

// The fields of one "Row" element of a sheet parsed with SheetParseOptions. Each "Cell"
// child ("ss:Cell" where a program prefixed every element) advances the column counter by
// one; an "ss:Index" larger than the counter moves it there. A cell's text is its "Data"
// (or "ss:Data") child's text ("" without one), decoded as
// Windows-1252 (`utf8` clear) or UTF-8 (`utf8` set) with all character references.
SheetRowFields ReadRowFields(const XmlNode& row, SheetLayout layout, bool utf8);
// The same for a row of a sheet parsed into a flat tree.
SheetRowFields ReadRowFields(const XmlFlatTree& tree, XmlFlatTree::Id row, SheetLayout layout,
                             bool utf8);

// A date cell as the record's 6 date digits: a spreadsheet date-time
// ("2024-03-05T00:00:00.000") as "050324"; any other text with its "." removed, cut to 6.
std::string DateCellDigits(std::string_view text);

// A time cell as the record's 6 time digits: a spreadsheet date-time
// ("1899-12-31T14:30:05.000") as "143005"; any other text with its ":" removed, cut to 6.
std::string TimeCellDigits(std::string_view text);

// The attribute entry a row names: its index and the text "<token> <attribute text>".
struct AttributeEntryUpdate {
  std::size_t index;
  std::string entry;
};

// Attribute and text-code sheets: an update when the attribute-token cell holds exactly one
// of "#", "A".."Z".
std::optional<AttributeEntryUpdate> BuildAttributeEntry(const SheetRowFields& fields);

// The record a row holds, or nothing when the row holds none. The result may be shorter
// than the model's record length when a date or time cell is short; such an entry ends the
// records that are written to the reader.
std::optional<TagRecord> BuildAttributeRecord(const SheetRowFields& fields,
                                              protocol::ReaderModel model);
std::optional<TagRecord> BuildTextCodeRecord(const SheetRowFields& fields);
std::optional<TagRecord> BuildCodeRecord(const SheetRowFields& fields, protocol::ReaderModel model);
std::optional<TagRecord> BuildInspectionRecord(const SheetRowFields& fields,
                                               protocol::ReaderModel model);

// The layout's record builder; the sensor sheet has none.
std::optional<TagRecord> BuildRecord(SheetLayout layout, const SheetRowFields& fields,
                                     protocol::ReaderModel model);

// Called after a record of row r (counted from 0) was stored, with r - 1.
using ImportProgress = std::function<void(std::size_t rowNumber)>;

struct SheetImportResult {
  std::size_t recordsStored = 0;
  std::size_t attributesSet = 0;
  // A row past the table's last entry held a record; it and every later row were left
  // unread, and the user should be told.
  bool tableFull = false;
  // Sheet rows (numbered from 1, as a spreadsheet program shows them) that cannot be sent:
  // a record shorter than `recordLength`, or a row without a record before a later record.
  std::vector<std::size_t> incompleteRows;
  // Records of the full length, stored from the first row on without a gap.
  std::size_t completeRecords = 0;
  // What rows hold that a record cannot carry, each naming its row and cell: a record
  // without a code, a date or time that is none, a HEX cell that is no 16 hex digits, a
  // cell beyond the layout's columns.
  std::vector<std::string> problems;
};

// Rows 2 on of a sheet (rows 0 and 1 are the empty row and the header): row r's record goes
// to table entry r - 2, its attribute entry into `attributes`. The sensor sheet imports
// nothing.
SheetImportResult ImportSheetRows(const std::vector<const XmlNode*>& rows, SheetLayout layout,
                                  protocol::ReaderModel model, bool utf8, TagTable& table,
                                  AttributeList& attributes, const ImportProgress& progress = {});
// The same for rows of a sheet parsed into a flat tree, the quicker way to load a sheet.
SheetImportResult ImportSheetRows(const XmlFlatTree& tree, const std::vector<XmlFlatTree::Id>& rows,
                                  SheetLayout layout, protocol::ReaderModel model, bool utf8,
                                  TagTable& table, AttributeList& attributes,
                                  const ImportProgress& progress = {});

// The same for rows of any other source (a CSV file): `fieldsOf(r)` gives row r's fields,
// for r from 2 to `rowCount` - 1; the problems and incomplete rows name row r as
// r + `rowNumberBase` (a sheet's rows count from 1, a CSV file's lines as they are).
SheetImportResult ImportFieldRows(std::size_t rowCount,
                                  const std::function<SheetRowFields(std::size_t)>& fieldsOf,
                                  SheetLayout layout, protocol::ReaderModel model, TagTable& table,
                                  AttributeList& attributes, std::size_t rowNumberBase,
                                  const ImportProgress& progress = {});

// A whole sheet's text (as read from its file) into `table` and `attributes`: the encoding
// it declares (or UTF-8 it holds without a declaration), wrappers skipped, rows imported.
// The text is parsed where it lies, not copied. A text that does not parse gives no rows.
SheetImportResult ImportSheetText(std::string text, SheetLayout layout, protocol::ReaderModel model,
                                  TagTable& table, AttributeList& attributes,
                                  const ImportProgress& progress = {});
// The same, always through the parser and a flat tree: ImportSheetText reads plain markup
// without one, and must give the same result as this for every text.
SheetImportResult ImportSheetTextThroughTree(std::string text, SheetLayout layout,
                                             protocol::ReaderModel model, TagTable& table,
                                             AttributeList& attributes,
                                             const ImportProgress& progress = {});

// Whether a field is part of a record (not of the attribute table).
bool IsRecordField(SheetField field);

// Whether a sheet's text ends with the workbook's end tag: a sheet cut short (a copy that
// stopped, a disk that filled) is not to be written into a reader.
bool SheetIsComplete(std::string_view text);

// Whether a text holds bytes above 0x7F that all form valid UTF-8 sequences.
bool LooksLikeUtf8(std::string_view text);

}  // namespace tagline::database
