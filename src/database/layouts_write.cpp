// SPDX-License-Identifier: Apache-2.0
// The five sheet layouts: row by row, cell by cell.
#include "database/layouts_write.h"

#include <initializer_list>
#include <optional>
#include <span>

#include "codes/code_text.h"
#include "codes/iso_code.h"

namespace tagline::database {

namespace {

using codes::BitOrder;
using protocol::ReaderModel;

// The attribute table has 27 entries and a closing row, so 28 data rows at least.
constexpr std::size_t kAttributeRows = kAttributeCount + 1;
// A cell of a full sheet with its markup, rounded up.
constexpr std::size_t kCellBytes = 96;

bool IsFdx(char type) {
  return type == '1' || type == 'D';
}
bool IsHdx(char type) {
  return type == '6' || type == 'E';
}

bool EndsDatabase(std::string_view record) {
  return record.empty() || record.front() == '_';
}

int HeaderCellStyle(HeaderStyle style) {
  switch (style) {
    case HeaderStyle::TwoLine:
      return kTwoLineHeaderStyle;
    case HeaderStyle::OneLine:
      return kOneLineHeaderStyle;
    case HeaderStyle::None:
      break;
  }
  return kNoStyle;
}

CodeCells DeriveCodeCells(std::string_view record, ReaderModel model, bool prioritised) {
  const std::string_view code = RecordCode(record);
  const char type = RecordCharAt(record, kRecordTypePosition);
  const BitOrder fdxOrder = FdxOrder(model);
  constexpr BitOrder kHdxOrder = BitOrder::NumericOrder;

  CodeCells cells;
  cells.hex = HexCell(record, model);

  // The ISO fields: ISO FDX in the model's order, ISO HDX always numeric.
  std::optional<BitOrder> isoOrder;
  if (type == '1') isoOrder = fdxOrder;
  if (type == '6') isoOrder = kHdxOrder;
  std::optional<BitOrder> bdeOrder;
  if (IsFdx(type)) bdeOrder = fdxOrder;
  if (IsHdx(type)) bdeOrder = kHdxOrder;

  if (isoOrder) {
    cells.retagCounter = codes::DecodeRetagCounter(code, *isoOrder);
    cells.userInformation = codes::DecodeUserInformation(code, *isoOrder);
  }
  if (bdeOrder) cells.bde = codes::DecodeManufacturerSerial(code, *bdeOrder);
  if (isoOrder && (!prioritised || cells.bde.empty())) {
    cells.industryIso = codes::DecodeIsoIndustry(code, *isoOrder);
  }
  if (isoOrder && (!prioritised || (cells.bde.empty() && cells.industryIso.empty()))) {
    cells.animalIso = codes::DecodeIsoAnimal(code, *isoOrder);
  }
  return cells;
}

class SheetBuilder {
 public:
  SheetBuilder(SheetLayout layout, ReaderModel model, const TagTable& table,
               const AttributeList& attributes, const SheetProgress& progress, SheetRowSink& writer)
      : layout_(layout),
        model_(model),
        table_(table),
        attributes_(attributes),
        progress_(progress),
        columns_(LayoutColumns(layout)),
        writer_(writer) {}

  void Build() {
    WriteFrameRows();
    switch (layout_) {
      case SheetLayout::AttributeSheet:
      case SheetLayout::TextCodeSheet:
        WriteAttributeTableRows();
        break;
      case SheetLayout::InspectionSheet:
      case SheetLayout::CodeSheet:
      case SheetLayout::SensorSheet:
        WriteRecordRows();
        break;
    }
  }

 private:
  void WriteFrameRows() {
    writer_.BeginRow(kNoStyle, kRowHeight);
    for (std::size_t i = 0; i < columns_.size(); ++i) writer_.WriteCell("", kNoStyle);
    writer_.EndRow();

    writer_.BeginRow(kNoStyle, HeaderRowHeight(layout_));
    for (const SheetColumn& column : columns_) {
      writer_.WriteCell(column.header, HeaderCellStyle(column.headerStyle));
    }
    writer_.EndRow();
  }

  void ReportRecord() {
    ++recordsShown_;
    if (progress_) progress_(recordsShown_);
  }

  // The closing row's cells from `firstColumn` (0 = column A) to the last column.
  void WriteClosingCells(std::size_t firstColumn) {
    for (std::size_t i = firstColumn; i < columns_.size(); ++i)
      writer_.WriteCell("", kClosingStyle);
  }

  // Attribute and text-code sheets: the attribute table in columns B-C and the record
  // table from column E share the data rows.
  void WriteAttributeTableRows() {
    bool recordTableClosed = false;
    for (std::size_t k = 0;; ++k) {
      // The attribute table always completes; past it the record table runs to its first
      // end marker (entries past the table read as "", so this also ends a full table).
      if (k >= kAttributeRows && EndsDatabase(table_.At(k - 1))) break;
      const TagRecord& record = table_.At(k);
      const bool shown = record.size() >= kFullRecordLength && record.front() != '_';
      if (shown) ReportRecord();

      writer_.BeginRow(kNoStyle, kRowHeight);
      writer_.WriteCell("", kNoStyle);
      if (k < kAttributeCount) {
        writer_.WriteCell(std::string(1, AttributeList::TokenAt(k)), kDataStyle);
        writer_.WriteCell(attributes_.DepositedText(k), kDataStyle);
      } else {
        const int style = k == kAttributeCount ? kClosingStyle : kNoStyle;
        writer_.WriteCell("", style);
        writer_.WriteCell("", style);
      }
      if (shown) {
        writer_.WriteCell("", kNoStyle);
        WriteAttributeRecordCells(record);
      } else if (!recordTableClosed) {
        writer_.WriteCell("", kNoStyle);
        WriteClosingCells(4);
        recordTableClosed = true;
      }
      writer_.EndRow();
    }
  }

  // Columns E on of a shown record.
  void WriteAttributeRecordCells(std::string_view record) {
    const char token = record.front();
    writer_.WriteCell(record.substr(0, 1), kDataStyle);
    writer_.WriteCell(attributes_.DepositedText(AttributeList::LookupIndex(token)), kDataStyle);
    writer_.WriteCell(RecordDate(record), kDataStyle);
    writer_.WriteCell(RecordTime(record), kDataStyle);
    if (layout_ == SheetLayout::TextCodeSheet) {
      writer_.WriteCell(codes::HexToText(RecordPart(record, kRecordCodeLengthPosition, 28)),
                        kDataStyle);
      return;
    }
    const CodeCells code = AttributeSheetCodeCells(record, model_);
    for (const std::string* cell : {&code.hex, &code.retagCounter, &code.userInformation,
                                    &code.animalIso, &code.industryIso, &code.bde}) {
      writer_.WriteCell(*cell, kDataStyle);
    }
    const char type = RecordCharAt(record, kRecordTypePosition);
    writer_.WriteCell(TransponderTypeName(type, TypeNameColumn::Attribute, model_), kDataStyle);
    writer_.WriteCell(RecordText(record), kDataStyle);
  }

  bool ShowsRecord(std::string_view record) const {
    if (record.empty()) return false;
    // Inspection readers end their database with a stored "X" record.
    return record.front() != (layout_ == SheetLayout::InspectionSheet ? 'X' : '_');
  }

  // Inspection, code and sensor sheets: one record table from column B.
  void WriteRecordRows() {
    bool closed = false;
    for (std::size_t k = 0;; ++k) {
      const TagRecord& record = table_.At(k);
      if (ShowsRecord(record)) {
        ReportRecord();
        writer_.BeginRow(kNoStyle, kRowHeight);
        writer_.WriteCell("", kNoStyle);
        WriteRecordCells(record);
        writer_.EndRow();
      } else if (!closed) {
        writer_.BeginRow(kNoStyle, kRowHeight);
        writer_.WriteCell("", kNoStyle);
        WriteClosingCells(1);
        writer_.EndRow();
        closed = true;
      }
      // Entries past the table read as "", so a full table ends here too.
      if (EndsDatabase(record)) break;
    }
  }

  void WriteRecordCells(std::string_view record) {
    switch (layout_) {
      case SheetLayout::InspectionSheet: {
        const InspectionRecordLayout fields = InspectionLayoutFor(model_);
        writer_.WriteCell(RecordPart(record, 0, fields.uidLength), kDataStyle);
        writer_.WriteCell(RecordPart(record, fields.StatusPosition(), 1), kDataStyle);
        writer_.WriteCell(RecordPart(record, fields.NextDatePosition(), fields.nextDateLength),
                          kDataStyle);
        writer_.WriteCell(
            RecordPart(record, fields.DayPosition(), InspectionRecordLayout::kDayLength),
            kDataStyle);
        break;
      }
      case SheetLayout::CodeSheet: {
        const CodeCells code = CodeSheetCodeCells(record, model_);
        for (const std::string* cell : {&code.hex, &code.retagCounter, &code.userInformation,
                                        &code.animalIso, &code.industryIso, &code.bde}) {
          writer_.WriteCell(*cell, kDataStyle);
        }
        const char type = RecordCharAt(record, kRecordTypePosition);
        writer_.WriteCell(TransponderTypeName(type, TypeNameColumn::Code, model_), kDataStyle);
        break;
      }
      case SheetLayout::SensorSheet:
        writer_.WriteCell(RecordPart(record, 1, 8), kDataStyle);
        writer_.WriteCell(RecordPart(record, 9, 4), kDataStyle);
        writer_.WriteCell(RecordPart(record, 13, 6), kDataStyle);
        break;
      case SheetLayout::AttributeSheet:
      case SheetLayout::TextCodeSheet:
        break;
    }
  }

  const SheetLayout layout_;
  const ReaderModel model_;
  const TagTable& table_;
  const AttributeList& attributes_;
  const SheetProgress& progress_;
  const std::span<const SheetColumn> columns_;
  SheetRowSink& writer_;
  std::size_t recordsShown_ = 0;
};

}  // namespace

void SetUpSheet(SheetWriter& writer, SheetLayout layout) {
  for (const SheetColumn& column : LayoutColumns(layout)) writer.AddColumn(column.width);
  writer.AddStyle(style_flags::kBorderAll | style_flags::kWrapText);
  writer.AddStyle(style_flags::kBorderAll | style_flags::kVerticalTop);
  writer.AddStyle(style_flags::kBorderLeftRight);
  writer.AddStyle(style_flags::kBorderTop);
}

std::string HexCell(std::string_view record, ReaderModel model) {
  const std::string_view code = RecordCode(record);
  if (IsFdx(RecordCharAt(record, kRecordTypePosition)) && IsReversedHexModel(model)) {
    return codes::ReverseHexBits(code);
  }
  return std::string(code);
}

CodeCells AttributeSheetCodeCells(std::string_view record, ReaderModel model) {
  return DeriveCodeCells(record, model, true);
}

CodeCells CodeSheetCodeCells(std::string_view record, ReaderModel model) {
  return DeriveCodeCells(record, model, false);
}

void WriteSheetRows(SheetLayout layout, ReaderModel model, const TagTable& table,
                    const AttributeList& attributes, const SheetProgress& progress,
                    SheetRowSink& sink) {
  SheetBuilder(layout, model, table, attributes, progress, sink).Build();
}

std::string WriteSheet(SheetLayout layout, ReaderModel model, const TagTable& table,
                       const AttributeList& attributes, const SheetProgress& progress) {
  // The workbook's rows, straight into its writer.
  class WorkbookRows : public SheetRowSink {
   public:
    explicit WorkbookRows(SheetWriter& writer) : writer_(writer) {}
    void BeginRow(int style, double height) override { writer_.BeginRow(style, height); }
    void WriteCell(std::string_view text, int style) override { writer_.WriteCell(text, style); }
    void EndRow() override { writer_.EndRow(); }

   private:
    SheetWriter& writer_;
  };
  SheetWriter writer;
  SetUpSheet(writer, layout);
  // Rows of a full table come to some 1300 bytes; room that is never written is never
  // touched either, so the estimate errs on the large side.
  writer.Reserve((table.LeadingCount() + kAttributeRows + 8) * LayoutColumns(layout).size() *
                 kCellBytes);
  writer.Open(kSheetRowCount, kSheetName);
  WorkbookRows rows(writer);
  WriteSheetRows(layout, model, table, attributes, progress, rows);
  writer.Close();
  return writer.TakeText();
}

}  // namespace tagline::database
