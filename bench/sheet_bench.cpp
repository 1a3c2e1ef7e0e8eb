// Loading and writing a 5000-record sheet, against parsing the same file with pugixml.
//
// Target: loading (wrapper removal, parse, row import) is at most 3 times the time
// pugixml takes to parse the file (counter load_vs_pugixml).
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
  for (const auto& [open, close] :
       {std::pair{"<Worksheet ", "</Worksheet>"}, {"<Table ", "</Table>"}}) {
    const std::size_t start = text.find(open);
    if (start == std::string::npos) continue;
    text.erase(start, text.find('>', start) - start + 1);
    const std::size_t end = text.find(close, start);
    text.erase(end, text.find('>', end) - end + 1);
  }
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

void BM_LoadSheet(benchmark::State& state) {
  const std::string& text = SheetText();
  std::size_t records = 0;
  for (auto _ : state) records = LoadSheet(text);
  if (records != kTagTableSize) state.SkipWithError("not every record was loaded");
  // The same file parsed by pugixml, as the yardstick.
  const double pugi = MeanSeconds(
      [&text] {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
      },
      10);
  const double ours = MeanSeconds([&text] { benchmark::DoNotOptimize(LoadSheet(text)); }, 3);
  state.counters["load_vs_pugixml"] = pugi > 0 ? ours / pugi : 0;
  state.counters["sheet_mb"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_LoadSheet)->Unit(benchmark::kMillisecond);

}  // namespace
