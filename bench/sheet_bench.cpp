// SPDX-License-Identifier: Apache-2.0
// Loading and writing a 5000-record sheet, against parsing the same file with pugixml.
//
// Target: loading as the write job does (ImportSheetText: encoding check, wrappers skipped,
// rows read without a tree where the markup is plain, else parsed into a flat tree, row
// import) is at most 2 times the time pugixml takes to parse the file (counter
// load_vs_pugixml of BM_LoadSheet: the fastest of 15 runs of each, in turns). Both are
// handed a copy of the text, as pugixml's load_buffer makes one. BM_LoadSheetNodeTree loads
// through an XmlNode tree instead, for comparison; BM_ScanSheet times the reading without a
// tree alone.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/layouts_write.h"
#include "database/sheet_rows.h"
#include "database/tag_table.h"
#include "database/xml_node.h"

namespace {

using namespace tagline::database;
using tagline::protocol::ReaderModel;

TagTable FullTable(std::size_t records = kTagTableSize) {
  TagTable table;
  for (std::size_t i = 0; i < records; ++i) {
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

std::string SheetOf(std::size_t records) {
  return WriteSheet(SheetLayout::AttributeSheet, ReaderModel::KtrH9V43Build54, FullTable(records),
                    Attributes());
}

const std::string& SheetText() {
  static const std::string text = SheetOf(kTagTableSize);
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

// What the write job does with the sheet's text: encoding, wrappers, parse, rows into records.
std::size_t LoadSheet(std::string text) {
  TagTable table;
  AttributeList attributes;
  return ImportSheetText(std::move(text), SheetLayout::AttributeSheet, ReaderModel::KtrH9V43Build54,
                         table, attributes)
      .recordsStored;
}

// Only the parse into the flat tree.
std::size_t ParseSheet(std::string text) {
  const std::string_view body = SheetWithoutWrappers(text);
  XmlFlatTree tree;
  XmlOptions options = SheetParseOptions();
  ParseDocument(tree, body, options);
  return tree.FindChildren(tree.RootElement(), "Row").size();
}

// Only the rows read from the text without a tree, as the load does for plain markup.
std::size_t ScanSheet(std::string text) {
  const std::optional<ScannedSheet> sheet =
      ScanSheetRows(SheetWithoutWrappers(text), SheetLayout::AttributeSheet);
  return sheet ? sheet->rows.size() : 0;
}

// Only the rows into records, from a tree parsed beforehand.
struct ParsedSheet {
  explicit ParsedSheet(std::string sheet) : text(std::move(sheet)) {
    XmlOptions options = SheetParseOptions();
    ParseDocument(tree, SheetWithoutWrappers(text), options);
  }
  std::size_t Import() const {
    TagTable table;
    AttributeList attributes;
    return ImportSheetRows(tree, tree.FindChildren(tree.RootElement(), "Row"),
                           SheetLayout::AttributeSheet, ReaderModel::KtrH9V43Build54, false, table,
                           attributes)
        .recordsStored;
  }
  std::string text;
  XmlFlatTree tree;
};

// The same through an XmlNode tree, which a reader that changes the tree needs.
std::size_t LoadSheetNodeTree(std::string text) {
  XmlNode document;
  XmlOptions options = SheetParseOptions();
  ParseDocument(document, SheetWithoutWrappers(text), options);
  const XmlNode* root = RootElement(document);
  TagTable table;
  AttributeList attributes;
  const auto result = ImportSheetRows(FindChildren(*root, "Row"), SheetLayout::AttributeSheet,
                                      ReaderModel::KtrH9V43Build54, false, table, attributes);
  return result.recordsStored;
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest of `rounds` runs of each, taken in turns, so that a busy moment of the
// machine falls on neither side alone.
std::pair<double, double> FastestInTurns(const std::function<void()>& first,
                                         const std::function<void()>& second, int rounds) {
  double a = 1e9;
  double b = 1e9;
  for (int i = 0; i < rounds; ++i) {
    a = std::min(a, Seconds(first));
    b = std::min(b, Seconds(second));
  }
  return {a, b};
}

// The yardstick: pugixml parsing the same text.
void PugixmlParse(const std::string& text) {
  pugi::xml_document doc;
  benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
}

void RunLoad(benchmark::State& state, std::size_t (*load)(std::string)) {
  const std::string& text = SheetText();
  std::size_t records = 0;
  for (auto _ : state) records = load(text);
  if (records != kTagTableSize) state.SkipWithError("not every record was loaded");
  const auto [pugi, ours] = FastestInTurns([&text] { PugixmlParse(text); },
                                           [&] { benchmark::DoNotOptimize(load(text)); }, 15);
  state.counters["load_vs_pugixml"] = pugi > 0 ? ours / pugi : 0;
  state.counters["sheet_mb"] = static_cast<double>(text.size()) / 1e6;
}

// The yardstick alone, to read the counters against.
void BM_PugixmlParse(benchmark::State& state) {
  const std::string& text = SheetText();
  for (auto _ : state) PugixmlParse(text);
}
BENCHMARK(BM_PugixmlParse)->Unit(benchmark::kMillisecond);

void BM_LoadSheet(benchmark::State& state) {
  RunLoad(state, LoadSheet);
}
BENCHMARK(BM_LoadSheet)->Unit(benchmark::kMillisecond);

void BM_LoadSheetNodeTree(benchmark::State& state) {
  RunLoad(state, LoadSheetNodeTree);
}
BENCHMARK(BM_LoadSheetNodeTree)->Unit(benchmark::kMillisecond);

// The parse alone, against pugixml's: the part of loading that pugixml does too.
void BM_ParseSheet(benchmark::State& state) {
  const std::string& text = SheetText();
  for (auto _ : state) benchmark::DoNotOptimize(ParseSheet(text));
  const auto [pugi, ours] = FastestInTurns([&text] { PugixmlParse(text); },
                                           [&] { benchmark::DoNotOptimize(ParseSheet(text)); }, 15);
  state.counters["parse_vs_pugixml"] = pugi > 0 ? ours / pugi : 0;
}
BENCHMARK(BM_ParseSheet)->Unit(benchmark::kMillisecond);

void BM_ScanSheet(benchmark::State& state) {
  const std::string& text = SheetText();
  for (auto _ : state) benchmark::DoNotOptimize(ScanSheet(text));
  const auto [pugi, ours] = FastestInTurns([&text] { PugixmlParse(text); },
                                           [&] { benchmark::DoNotOptimize(ScanSheet(text)); }, 15);
  state.counters["scan_vs_pugixml"] = pugi > 0 ? ours / pugi : 0;
}
BENCHMARK(BM_ScanSheet)->Unit(benchmark::kMillisecond);

// Linear in the rows: the time a record takes in a 5000-record sheet over the time it
// takes in a 1000-record one (counters load_per_record_5000_vs_1000 for the whole load,
// import_per_record_5000_vs_1000 for the import of rows already parsed). 1 is linear; a
// re-parse per row that grew with the sheet would show as about 5.
void BM_LoadLinearity(benchmark::State& state) {
  const std::string small = SheetOf(1000);
  const std::string& large = SheetText();
  const ParsedSheet smallTree(small);
  const ParsedSheet largeTree(large);
  for (auto _ : state) benchmark::DoNotOptimize(LoadSheet(small));
  if (smallTree.Import() != 1000 || largeTree.Import() != kTagTableSize) {
    state.SkipWithError("not every record was imported");
    return;
  }
  const auto [load1000, load5000] =
      FastestInTurns([&] { benchmark::DoNotOptimize(LoadSheet(small)); },
                     [&] { benchmark::DoNotOptimize(LoadSheet(large)); }, 10);
  const auto [import1000, import5000] =
      FastestInTurns([&] { benchmark::DoNotOptimize(smallTree.Import()); },
                     [&] { benchmark::DoNotOptimize(largeTree.Import()); }, 10);
  state.counters["load_per_record_5000_vs_1000"] = (load5000 / 5000) / (load1000 / 1000);
  state.counters["import_per_record_5000_vs_1000"] = (import5000 / 5000) / (import1000 / 1000);
}
BENCHMARK(BM_LoadLinearity)->Unit(benchmark::kMillisecond);

}  // namespace
