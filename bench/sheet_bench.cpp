// Loading and writing a 5000-record sheet, against parsing the same file with pugixml.
//
// Target: loading (wrapper removal, parse into a flat tree, row import) is at most 3 times the
// time pugixml takes to parse the file (counter load_vs_pugixml of BM_LoadSheet).
// BM_LoadSheetNodeTree loads through an XmlNode tree instead, for comparison.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <chrono>
#include <functional>
#include <string>

#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/layouts_write.h"
#include "database/tag_table.h"
#include "database/xml_node.h"

namespace {

using namespace tagline::database;
using tagline::reader::ReaderModel;

TagTable FullTable() {
  TagTable table;
  for (std::size_t i = 0; i < kTagTableSize; ++i) {
    const std::string number = std::to_string(100000 + i);
    table.Append("A070326101500F" + std::string("9180451CBE9") + number.substr(1) + "6Cow " +
                 number + "    ");
  }
  return table;
}

AttributeList Attributes() {
  AttributeList attributes;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    attributes.Set(i, std::string(1, AttributeList::TokenAt(i)) + " Stall " + std::to_string(i));
  }
  return attributes;
}

const std::string& SheetText() {
  static const std::string text = WriteSheet(
      SheetLayout::AttributeSheet, ReaderModel::KtrH9V43Build54, FullTable(), Attributes());
  return text;
}

void BM_WriteSheet(benchmark::State& state) {
  const TagTable table = FullTable();
  const AttributeList attributes = Attributes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        WriteSheet(SheetLayout::AttributeSheet, ReaderModel::KtrH9V43Build54, table, attributes));
  }
}
BENCHMARK(BM_WriteSheet)->Unit(benchmark::kMillisecond);

// What loading a sheet does: wrappers out, parse, rows into records.
std::size_t LoadSheet(std::string text) {
  RemoveSheetWrappers(text);
  XmlFlatTree tree;
  XmlOptions options = SheetParseOptions();
  ParseDocument(tree, text, options);
  TagTable table;
  AttributeList attributes;
  const auto result = ImportSheetRows(tree, tree.FindChildren(tree.RootElement(), "Row"),
                                      SheetLayout::AttributeSheet, ReaderModel::KtrH9V43Build54,
                                      false, table, attributes);
  return result.recordsStored;
}

// The same through an XmlNode tree, which a reader that changes the tree needs.
std::size_t LoadSheetNodeTree(std::string text) {
  RemoveSheetWrappers(text);
  XmlNode document;
  XmlOptions options = SheetParseOptions();
  ParseDocument(document, text, options);
  const XmlNode* root = RootElement(document);
  TagTable table;
  AttributeList attributes;
  const auto result = ImportSheetRows(FindChildren(*root, "Row"), SheetLayout::AttributeSheet,
                                      ReaderModel::KtrH9V43Build54, false, table, attributes);
  return result.recordsStored;
}

double MeanSeconds(const std::function<void()>& work, int runs) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
}

void RunLoad(benchmark::State& state, std::size_t (*load)(std::string)) {
  const std::string& text = SheetText();
  std::size_t records = 0;
  for (auto _ : state) records = load(text);
  if (records != kTagTableSize) state.SkipWithError("not every record was loaded");
  // The same file parsed by pugixml, as the yardstick.
  const double pugi = MeanSeconds(
      [&text] {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
      },
      10);
  const double ours = MeanSeconds([&] { benchmark::DoNotOptimize(load(text)); }, 3);
  state.counters["load_vs_pugixml"] = pugi > 0 ? ours / pugi : 0;
  state.counters["sheet_mb"] = static_cast<double>(text.size()) / 1e6;
}

void BM_LoadSheet(benchmark::State& state) {
  RunLoad(state, LoadSheet);
}
BENCHMARK(BM_LoadSheet)->Unit(benchmark::kMillisecond);

void BM_LoadSheetNodeTree(benchmark::State& state) {
  RunLoad(state, LoadSheetNodeTree);
}
BENCHMARK(BM_LoadSheetNodeTree)->Unit(benchmark::kMillisecond);

}  // namespace
