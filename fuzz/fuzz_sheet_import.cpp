// SPDX-License-Identifier: Apache-2.0
// A sheet file as the write job loads it: the first byte picks the reader (by its version
// reply), the rest is the file. The job identifies the reader and loads the sheet with
// every check it makes before anything is written. The same text then goes through the
// node-tree reader, which must agree with the flat tree the job uses: same parse outcome,
// same rows, same records and attributes; and the load's reading without a tree must agree
// with the tree's.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/tag_table.h"
#include "database/write_job.h"
#include "database/xml_node.h"
#include "fuzz_context.h"
#include "protocol/classify_reader_version.h"

namespace {

using namespace tagline;
using database::SheetImportResult;
using database::XmlFlatTree;

// Version replies of readers with and without a sheet layout, one per model group.
constexpr std::array<std::string_view, 41> kVersions = {
    "KTR H9 V2.40",
    "KTR H9 V2.50",
    "KTR H9 V3.01",
    "Talvikko 1.0",
    "KTR H9 V4.00",
    "KTR H9 V4.20",
    "KTR H9 V4.30039",
    "KTR H9 V4.30054",
    "600",
    "LMW 1H V1.0036",
    "LMW 1H V4.3",
    "Fenra 2.1",
    "KTR H9 HF V1.1",
    "KTR H9 HF V1.2",
    "KTR H9 HF V1.3",
    "KTR H9 HF V4.30039",
    "KTR H9 HF V4.30027",
    "V2.0",
    "B2.0",
    "V2.1",
    "V2.20011",
    "V2.2",
    "V2.40000",
    "V2.4",
    "V2.5",
    "V2.60000",
    "V2.60005",
    "V2.60012",
    "V2.60014",
    "V2.60018",
    "V2.7",
    "V2.8",
    "V2.9",
    "V2.90005",
    "V2.90009",
    "B2.1 VIP",
    "B2.1",
    "640",
    "S3 2.0",
    "S3 2.1",
    "KTR H9 HF V1.0 ABCDEFCS3X",
};

const std::string& SheetPath() {
  static const std::string path = fuzz::ScratchPath("sheet.xml");
  return path;
}

bool SameImport(const SheetImportResult& a, const SheetImportResult& b) {
  return a.recordsStored == b.recordsStored && a.attributesSet == b.attributesSet &&
         a.tableFull == b.tableFull && a.incompleteRows == b.incompleteRows &&
         a.completeRecords == b.completeRecords;
}

// The job's own load, driven through its first two steps with the reader answering "SV".
void RunWriteJobLoad(std::string_view version, std::string_view sheet) {
  {
    std::ofstream out(SheetPath(), std::ios::binary | std::ios::trunc);
    out.write(sheet.data(), static_cast<std::streamsize>(sheet.size()));
  }
  fuzz::FuzzEnvironment env;
  env.line().On("SV", serial::FrameCommand(version));
  // The job fills the table when it begins; it lives across runs, since building its 5000
  // entries costs more than most runs.
  static database::TagTable table;
  database::AttributeList attributes;
  database::WriteJob write(table, attributes, SheetPath());
  write.Begin(env);
  if (write.Step(env) == job::Tick::Next) write.Step(env);
  write.Finish(env);
}

// Both tree kinds read the same sheet the same way.
void CompareTrees(protocol::ReaderModel model, std::string text) {
  const auto layout = database::LayoutForModel(model);
  if (!layout) return;
  database::RemoveSheetWrappers(text);

  XmlFlatTree flat;
  database::XmlOptions flatOptions = database::SheetParseOptions();
  const auto flatEnd = database::ParseDocument(flat, text, flatOptions);

  database::XmlNode document(database::XmlKind::Document);
  database::XmlOptions nodeOptions = database::SheetParseOptions();
  const auto nodeEnd = database::ParseDocument(document, text, nodeOptions);

  if (flatEnd != nodeEnd || flatOptions.error.failed != nodeOptions.error.failed ||
      flatOptions.error.code != nodeOptions.error.code ||
      flatOptions.error.position != nodeOptions.error.position) {
    std::abort();
  }
  if (!flatEnd) return;

  std::vector<XmlFlatTree::Id> flatRows;
  if (const auto root = flat.RootElement(); root != XmlFlatTree::kNone) {
    flatRows = flat.FindChildren(root, "Row");
    if (flatRows.empty()) flatRows = flat.FindChildren(root, "ss:Row");
  }
  std::vector<const database::XmlNode*> nodeRows;
  if (const database::XmlNode* root = database::RootElement(document); root != nullptr) {
    nodeRows = database::FindChildren(*root, "Row");
    if (nodeRows.empty()) nodeRows = database::FindChildren(*root, "ss:Row");
  }
  if (flatRows.size() != nodeRows.size()) std::abort();

  const bool utf8 = database::LooksLikeUtf8(text);
  static database::TagTable flatTable;
  flatTable.Fill("");
  database::AttributeList flatAttributes;
  const SheetImportResult a =
      database::ImportSheetRows(flat, flatRows, *layout, model, utf8, flatTable, flatAttributes);
  static database::TagTable nodeTable;
  nodeTable.Fill("");
  database::AttributeList nodeAttributes;
  const SheetImportResult b =
      database::ImportSheetRows(nodeRows, *layout, model, utf8, nodeTable, nodeAttributes);
  if (!SameImport(a, b)) std::abort();
  for (std::size_t i = 0; i < database::TagTable::Capacity(); ++i) {
    if (flatTable.At(i) != nodeTable.At(i)) std::abort();
  }
  for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
    if (flatAttributes.Entry(i) != nodeAttributes.Entry(i)) std::abort();
  }
}

// The load reads plain markup without a tree: it must give what the tree gives, progress
// calls and problems included.
void CompareQuickLoad(protocol::ReaderModel model, const std::string& text) {
  const auto layout = database::LayoutForModel(model);
  if (!layout) return;
  struct Load {
    SheetImportResult result;
    std::vector<std::size_t> progress;
    database::AttributeList attributes;
  };
  static database::TagTable quickTable;
  static database::TagTable treeTable;
  quickTable.Fill("");
  treeTable.Fill("");
  Load quick;
  Load tree;
  quick.result =
      database::ImportSheetText(text, *layout, model, quickTable, quick.attributes,
                                [&quick](std::size_t row) { quick.progress.push_back(row); });
  tree.result = database::ImportSheetTextThroughTree(
      text, *layout, model, treeTable, tree.attributes,
      [&tree](std::size_t row) { tree.progress.push_back(row); });
  if (!SameImport(quick.result, tree.result) || quick.result.problems != tree.result.problems ||
      quick.progress != tree.progress) {
    std::abort();
  }
  for (std::size_t i = 0; i < database::TagTable::Capacity(); ++i) {
    if (quickTable.At(i) != treeTable.At(i)) std::abort();
  }
  for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
    if (quick.attributes.Entry(i) != tree.attributes.Entry(i)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view version = kVersions[data[0] % kVersions.size()];
  const std::string sheet(reinterpret_cast<const char*>(data + 1), size - 1);
  RunWriteJobLoad(version, sheet);
  CompareTrees(protocol::ClassifyReaderVersion(version), sheet);
  CompareQuickLoad(protocol::ClassifyReaderVersion(version), sheet);
  return 0;
}
