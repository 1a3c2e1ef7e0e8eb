// SPDX-License-Identifier: Apache-2.0
// Database records of every layout on their way from the reader to a file and back: each
// record reply is checked and stored as the read job does it ("RN" replies: a whole frame
// of the model's record length, not an end marker), the attribute texts are stored as the
// "T" replies give them, the table is written as the model's sheet (and as ".dat" and
// ".db" where the layout has them), and the sheet is read back through the import. The
// written sheet must be complete and well-formed whatever the records hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/layouts_write.h"
#include "database/plain_files.h"
#include "database/read_job.h"
#include "database/tag_table.h"
#include "database/xml_node.h"
#include "serial/frame.h"

namespace {

using namespace tagline;
using database::SheetLayout;

// One "RN" reply taken as the read job takes it; false once the reply ends the read.
bool TakeRecordReply(const database::ReadLoop& loop, const std::string& reply,
                     database::TagTable& table) {
  const auto data = serial::UnframeReply(reply);
  const bool endMarker =
      data && !data->empty() && loop.ends.find(data->front()) != std::string_view::npos;
  if (data && data->size() == loop.kept - 1 && data->front() != '_') {
    if (!table.Append(*data)) return false;
    return !endMarker;
  }
  return !endMarker;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto model = static_cast<protocol::ReaderModel>(
      input.ConsumeIntegralInRange<int>(0, protocol::kReaderModelCount - 1));
  const auto layout = database::LayoutForModel(model);
  const auto loop = database::ReadLoopFor(model);
  if (!layout) return 0;

  // The tables live across runs: building 5000 entries costs more than the rest of a run.
  static database::TagTable table;
  table.Fill("");
  database::AttributeList attributes;
  attributes.Fill("");
  const bool withAttributes =
      layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet;
  // Attribute texts of printable characters, which every sheet carries unchanged.
  const bool attributesSet = withAttributes && input.ConsumeBool();
  if (attributesSet) {
    for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
      std::string text = input.ConsumeRandomLengthString(20);
      for (char& c : text) c = static_cast<char>(' ' + static_cast<unsigned char>(c) % 95);
      attributes.Set(i, database::AttributeList::TokenAt(i) + text);
    }
  }

  const std::size_t length = database::RecordLength(model);
  while (loop && input.remaining_bytes() > 0) {
    std::string record = input.ConsumeRandomLengthString(2 * length + 8);
    // Most replies are whole records in a frame with the right check digits.
    const bool fit = input.ConsumeBool();
    if (fit) record.resize(length, ' ');
    const std::string reply = input.ConsumeBool() ? serial::FrameCommand(record) : record;
    if (!TakeRecordReply(*loop, reply, table)) break;
  }

  // The code columns of every record.
  for (std::size_t i = 0; i < table.Appended(); ++i) {
    database::HexCell(table.At(i), model);
    database::AttributeSheetCodeCells(table.At(i), model);
    database::CodeSheetCodeCells(table.At(i), model);
  }
  if (layout == SheetLayout::AttributeSheet) {
    database::DatFileText(table, attributes, model);
    database::DbFileText(table, attributes);
  }

  std::string sheet = database::WriteSheet(*layout, model, table, attributes);
  if (!database::SheetIsComplete(sheet)) std::abort();

  // Back through the import as the write job reads a sheet.
  database::RemoveSheetWrappers(sheet);
  database::XmlFlatTree tree;
  database::XmlOptions options = database::SheetParseOptions();
  if (!database::ParseDocument(tree, sheet, options)) std::abort();
  const auto root = tree.RootElement();
  if (root == database::XmlFlatTree::kNone) std::abort();
  const auto rows = tree.FindChildren(root, "Row");
  static database::TagTable imported;
  imported.Fill(" ");
  database::AttributeList importedAttributes;
  importedAttributes.Fill(" ");
  const auto result =
      database::ImportSheetRows(tree, rows, *layout, model, false, imported, importedAttributes);
  if (attributesSet) {
    if (result.attributesSet != database::kAttributeCount) std::abort();
    for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
      const std::string expected =
          std::string(1, database::AttributeList::TokenAt(i)) + " " + attributes.DepositedText(i);
      if (importedAttributes.Entry(i) != expected) std::abort();
    }
  }
  return 0;
}
