// SPDX-License-Identifier: Apache-2.0
#include "database/sheet_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/layouts_write.h"
#include "database/tag_table.h"

namespace tagline::database {
namespace {

using protocol::ReaderModel;

struct Load {
  SheetImportResult result;
  std::vector<std::size_t> progress;
  TagTable table;
  AttributeList attributes;
};

Load LoadWith(bool scan, const std::string& text, SheetLayout layout, ReaderModel model) {
  Load load;
  const ImportProgress progress = [&load](std::size_t row) { load.progress.push_back(row); };
  load.result =
      scan ? ImportSheetText(text, layout, model, load.table, load.attributes, progress)
           : ImportSheetTextThroughTree(text, layout, model, load.table, load.attributes, progress);
  return load;
}

// The quick load and the tree's agree on everything a load reports or stores.
void ExpectSameLoad(const std::string& text, SheetLayout layout, ReaderModel model) {
  const Load quick = LoadWith(true, text, layout, model);
  const Load tree = LoadWith(false, text, layout, model);
  EXPECT_EQ(quick.result.recordsStored, tree.result.recordsStored);
  EXPECT_EQ(quick.result.attributesSet, tree.result.attributesSet);
  EXPECT_EQ(quick.result.tableFull, tree.result.tableFull);
  EXPECT_EQ(quick.result.incompleteRows, tree.result.incompleteRows);
  EXPECT_EQ(quick.result.completeRecords, tree.result.completeRecords);
  EXPECT_EQ(quick.result.problems, tree.result.problems);
  EXPECT_EQ(quick.progress, tree.progress);
  for (std::size_t i = 0; i < TagTable::Capacity(); ++i) {
    ASSERT_EQ(quick.table.At(i), tree.table.At(i)) << "entry " << i;
  }
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    EXPECT_EQ(quick.attributes.Entry(i), tree.attributes.Entry(i)) << "attribute " << i;
  }
}

TagTable SomeRecords() {
  TagTable table;
  table.Append("A070326101500F9180451CBE9000016Cow 1     ");
  table.Append("B080326111500F9180451CBE9000026K\xE4lber & <Co>");
  table.Append("C090326121500F00000000000004246Calf      ");
  return table;
}

AttributeList SomeAttributes() {
  AttributeList attributes;
  attributes.Set(0, "A Stall \xE4&<1>");
  attributes.Set(25, "Z \x80 5");
  return attributes;
}

std::string Sheet(ReaderModel model) {
  return WriteSheet(*LayoutForModel(model), model, SomeRecords(), SomeAttributes());
}

const std::vector<ReaderModel> kModels = {ReaderModel::B20,     ReaderModel::KtrH9V2,
                                          ReaderModel::KtrH9V3, ReaderModel::Talvikko,
                                          ReaderModel::Fenra,   ReaderModel::KtrH9V43Build54};

// Some text replaced, the first time it occurs; nothing when it does not.
std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(SheetRowScan, WrittenSheetsAreReadWithoutTheTree) {
  for (const ReaderModel model : kModels) {
    std::string text = Sheet(model);
    const std::string_view body = SheetWithoutWrappers(text);
    EXPECT_TRUE(ScanSheetRows(body, *LayoutForModel(model)).has_value());
  }
}

TEST(SheetRowScan, MarkupTheScanLeavesToTheTree) {
  std::string text = Sheet(ReaderModel::B20);
  for (const std::string& changed :
       {Replaced(text, "</Row>", "<!-- x --></Row>"), Replaced(text, "</Cell>", "<?pi?></Cell>"),
        Replaced(text, "<Data", "<![CDATA[<Row>]]><Data"), Replaced(text, "</Row>", "</Row >"),
        Replaced(text, "<Cell>", "<Cell ss:Index=3>"), Replaced(text, "</Data>", "</Cell>"),
        Replaced(text, "</Data></Cell>", "</Data><ss:Data>x</ss:Data></Cell>"),
        Replaced(text, "<Cell>", "<ss:Cell/><Cell>"), text.substr(0, text.size() - 30)}) {
    std::string copy = changed;
    EXPECT_FALSE(ScanSheetRows(SheetWithoutWrappers(copy), SheetLayout::AttributeSheet)) << changed;
  }
}

TEST(SheetRowScan, LoadsAsTheTreeDoes) {
  for (const ReaderModel model : kModels) {
    const SheetLayout layout = *LayoutForModel(model);
    const std::string text = Sheet(model);
    std::vector<std::string> variants = {
        text,
        Replaced(text, "<Row", "<Other/><Row"),
        Replaced(text, "</Data>", "<Font>x</Font>more</Data>"),
        Replaced(text, "<Data ss:Type=\"String\">", "<Data ss:Type=\"Number\">"),
        Replaced(text, "<Data ss:Type=\"String\"></Data>", "<Data ss:Type='String'/>"),
        Replaced(text, "<Cell ss:StyleID=\"s23\">", "<Cell ss:Index=\"40\" ss:StyleID=\"s23\">"),
        Replaced(text, "<Cell ss:StyleID=\"s23\">", "<Cell ss:Index=\"3\"\tss:Index=\"9\">"),
        Replaced(text, "<Cell ss:StyleID=\"s23\">", "<Cell ss:StyleID=\"s24\">"),
        Replaced(text, "</Data></Cell>", "</Data><Data>second</Data></Cell>"),
        Replaced(text, "</Row>", "<Cell><Data>beyond</Data></Cell></Row>"),
        Replaced(text, "</Workbook>", "</Workbook><!-- after --><"),
        Replaced(text, "</Row>", "</Row><!-- x -->"),
        Replaced(text, "</Workbook>", "</Workbook "),
        Replaced(text, "<Row", "<ss:Row><ss:Cell><ss:Data>x</ss:Data></ss:Cell></ss:Row><Row"),
        Replaced(text, "</Data>", "&#252;&amp;&lt;</Data>"),
        text.substr(0, text.size() / 2),
    };
    // Rows held without a tree would take far more memory than their text.
    std::string emptyRows;
    for (int i = 0; i < 5000; ++i) emptyRows += "<Row/>";
    variants.push_back(Replaced(text, "</Table>", emptyRows + "</Table>"));
    // Every element prefixed, as some programs write them.
    std::string prefixed = text;
    for (const std::string_view name : {"Row", "Cell", "Data"}) {
      for (const std::string_view form : {"<", "</"}) {
        const std::string from = std::string(form) + std::string(name);
        const std::string to = std::string(form) + "ss:" + std::string(name);
        for (std::size_t at = prefixed.find(from); at != std::string::npos;
             at = prefixed.find(from, at + to.size())) {
          prefixed.replace(at, from.size(), to);
        }
      }
    }
    variants.push_back(prefixed);
    variants.push_back(Replaced(prefixed, "</ss:Row>", "<Cell><Data>A</Data></Cell></ss:Row>"));
    for (const std::string& variant : variants) {
      SCOPED_TRACE(static_cast<int>(model));
      ExpectSameLoad(variant, layout, model);
    }
  }
}

TEST(SheetRowScan, EveryCutOfASmallSheetLoadsAsTheTreeDoes) {
  const std::string text = Sheet(ReaderModel::B20);
  for (std::size_t size = 0; size < text.size(); size += 37) {
    ExpectSameLoad(text.substr(0, size) + text.substr(size + size % 5), SheetLayout::AttributeSheet,
                   ReaderModel::B20);
  }
}

}  // namespace
}  // namespace tagline::database
