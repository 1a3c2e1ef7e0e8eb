// SPDX-License-Identifier: Apache-2.0
// Flat trees against XmlNode trees, the node store, sheet wrappers and the flat
// sheet import.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "database/layouts_import.h"
#include "database/layouts_write.h"
#include "database/xml_node.h"

namespace tagline::database {
namespace {

using protocol::ReaderModel;

constexpr std::string_view kSheet =
    "<?xml version=\"1.0\"?>\r\n"
    "<!-- before -->"
    "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">\r\n"
    " <!-- exported -->\r\n"
    " <Row>\r\n"
    "  <Cell><Data ss:Type=\"String\">#</Data></Cell>\r\n"
    "  <Cell ss:Index=\"5\"><Data ss:Type=\"String\">K&amp;B &lt;1&gt; "
    "&ouml;</Data></Cell>\r\n"
    "  <Cell ss:StyleID=\"s1\"/><![CDATA[<raw>]]>\r\n"
    " </Row>\r\n"
    " <Row><Cell><Data>2</Data></Cell></Row>\r\n"
    "</Workbook>\r\n";

// The text in a heap block of exactly its size, so AddressSanitizer reports any
// read past it.
class ExactBuffer {
 public:
  explicit ExactBuffer(std::string_view text)
      : size_(text.size()), data_(std::make_unique<char[]>(text.size())) {
    if (size_ > 0) std::memcpy(data_.get(), text.data(), size_);
  }
  std::string_view View() const { return {data_.get(), size_}; }

 private:
  std::size_t size_;
  std::unique_ptr<char[]> data_;
};

std::string Repeat(std::string_view part, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += part;
  return out;
}

// Kinds, names, values, attributes and parent links in document order, for both
// trees.
std::string Describe(const XmlNode& node) {
  std::string out = std::to_string(static_cast<int>(node.kind)) + "<" + node.name;
  for (const XmlAttribute& attribute : node.attributes) {
    out += " " + attribute.name + "=" + attribute.value;
  }
  out += ">" + node.value;
  for (std::size_t i = 0; i < node.ChildCount(); ++i) {
    if (node.Child(i).Parent() != &node) out += "!parent";
    out += Describe(node.Child(i));
  }
  return out + "/";
}

std::string Describe(const XmlFlatTree& tree, XmlFlatTree::Id node) {
  std::string out =
      std::to_string(static_cast<int>(tree.Kind(node))) + "<" + std::string(tree.Name(node));
  for (std::size_t i = 0; i < tree.AttributeCount(node); ++i) {
    out += " " + std::string(tree.AttributeName(node, i)) + "=" +
           std::string(tree.AttributeValue(node, i));
  }
  out += ">" + std::string(tree.Value(node));
  for (XmlFlatTree::Id child = tree.FirstChild(node); child != XmlFlatTree::kNone;
       child = tree.NextSibling(child)) {
    if (tree.Parent(child) != node) out += "!parent";
    out += Describe(tree, child);
  }
  return out + "/";
}

struct Parsed {
  std::optional<std::size_t> end;
  XmlError error;
  std::string tree;
};

Parsed AsNodes(std::string_view text, XmlOptions options) {
  XmlNode document;
  const auto end = ParseDocument(document, text, options);
  return {end, options.error, Describe(document)};
}

Parsed AsFlat(std::string_view text, XmlOptions options) {
  XmlFlatTree tree;
  const auto end = ParseDocument(tree, text, options);
  return {end, options.error, Describe(tree, XmlFlatTree::kDocument)};
}

void ExpectSame(const Parsed& flat, const Parsed& nodes) {
  EXPECT_EQ(flat.end, nodes.end);
  EXPECT_EQ(flat.error.failed, nodes.error.failed);
  EXPECT_EQ(flat.error.code, nodes.error.code);
  EXPECT_EQ(flat.error.position, nodes.error.position);
  EXPECT_EQ(flat.error.message, nodes.error.message);
  EXPECT_EQ(flat.tree, nodes.tree);
}

TEST(XmlFlatTree, SheetAndLookupsAsInNodeTrees) {
  XmlOptions options = XmlParseOptions();
  XmlFlatTree tree;
  EXPECT_TRUE(tree.Empty());
  EXPECT_EQ(tree.RootElement(), XmlFlatTree::kNone);
  ASSERT_EQ(ParseDocument(tree, kSheet, options), kSheet.find("</Workbook>") + 11);
  ExpectSame(AsFlat(kSheet, XmlParseOptions()), AsNodes(kSheet, XmlParseOptions()));

  const XmlFlatTree::Id root = tree.RootElement();
  ASSERT_NE(root, XmlFlatTree::kNone);
  EXPECT_EQ(tree.Name(root), "Workbook");
  EXPECT_EQ(tree.Parent(root), XmlFlatTree::kDocument);
  EXPECT_EQ(tree.Name(tree.FirstChild(XmlFlatTree::kDocument)), "xml");
  const std::vector<XmlFlatTree::Id> rows = tree.FindChildren(root, "Row");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(tree.FindChildren(root, "row").empty());
  const std::vector<XmlFlatTree::Id> cells = tree.FindChildren(rows[0], "Cell");
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(tree.AttributeValue(cells[1], "ss:Index"), "5");
  EXPECT_EQ(tree.AttributeValue(cells[0], "ss:Index"), std::nullopt);
  // Entities are decoded into the tree's own copy; plain texts stay views of
  // the text.
  EXPECT_EQ(tree.Value(tree.FirstChildNamed(cells[1], "Data")), "K&B <1> &ouml;");
  EXPECT_EQ(tree.Value(tree.FirstChildNamed(cells[0], "Data")), "#");
  EXPECT_EQ(tree.FirstChildNamed(cells[2], "Data"), XmlFlatTree::kNone);
  EXPECT_EQ(tree.Name(tree.NextSibling(cells[2])), "#CDATA");
  EXPECT_THROW(tree.AttributeName(cells[0], 0), std::out_of_range);
  EXPECT_THROW(tree.Kind(XmlFlatTree::kNone), std::out_of_range);
}

TEST(XmlFlatTree, OptionsAndErrorsAsInNodeTrees) {
  const std::string_view texts[] = {
      "<a b=\"&lt;x&gt;\">&amp;lt; &ouml; &amp, &quot;&apos;</a>",
      R"(<a q="say \"hi\"">C:\db\<x</a>)",
      "<a b=\" v \">  <c/> tail </a>",
      "<a x='1' y=2 z w = \"3\"\tx=\"4\" v>t</a>",
      "<a/ >",
      "<a><b></b",
      "<r><Cell><Data>1</Cell></Data></r>",
      "<a><b c",
      "<a b=\"x>",
      "<a><b>x</c></b><d/></a>",
      "<a><?pi x='1' y?><!--c--><>lost<b/></></a>",
      "<a><>open<b>",
  };
  for (const std::string_view text : texts) {
    SCOPED_TRACE(std::string(text));
    for (int variant = 0; variant < 4; ++variant) {
      XmlOptions options = XmlParseOptions();
      options.trim = variant & 1;
      options.tolerateMismatchedEndTag = variant & 2;
      if (variant == 3) options = SheetParseOptions();
      const ExactBuffer buffer(text);
      ExpectSame(AsFlat(buffer.View(), options), AsNodes(buffer.View(), options));
    }
  }
}

TEST(XmlFlatTree, ArbitraryMarkupAsInNodeTrees) {
  constexpr std::string_view kAlphabet = "<>/!?-[]=\"'&;\\ \tabCD";
  std::mt19937 random(4321);
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 48);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (std::size_t n = length(random); n > 0; --n) text += kAlphabet[pick(random)];
    const ExactBuffer buffer(text);
    XmlOptions options = XmlParseOptions();
    options.trim = round % 3 == 0;
    options.tolerateMismatchedEndTag = round % 2 == 0;
    options.maxDepth = 1 + round % 4;
    const Parsed flat = AsFlat(buffer.View(), options);
    const Parsed nodes = AsNodes(buffer.View(), options);
    ASSERT_EQ(flat.tree, nodes.tree) << text;
    ASSERT_EQ(flat.error.position, nodes.error.position) << text;
    ASSERT_EQ(flat.end, nodes.end) << text;
  }
}

TEST(XmlFlatTree, DeepAndCutTextsStayInBounds) {
  constexpr std::size_t kDepth = 100000;
  XmlOptions options = XmlParseOptions();
  XmlFlatTree tree;
  EXPECT_EQ(ParseDocument(tree, Repeat("<a>", kDepth), options), std::nullopt);
  EXPECT_EQ(options.error.code, XmlErrorCode::NestingTooDeep);

  const std::string deep = Repeat("<a>", kDepth) + "x" + Repeat("</a>", kDepth);
  options = XmlParseOptions();
  options.maxDepth = kDepth;
  ASSERT_EQ(ParseDocument(tree, deep, options), deep.size());
  XmlFlatTree::Id node = tree.RootElement();
  for (std::size_t depth = 1; depth < kDepth; ++depth) node = tree.FirstChild(node);
  EXPECT_EQ(tree.Value(node), "x");

  for (std::size_t length = 0; length <= kSheet.size(); ++length) {
    const ExactBuffer buffer(kSheet.substr(0, length));
    ExpectSame(AsFlat(buffer.View(), XmlParseOptions()), AsNodes(buffer.View(), XmlParseOptions()));
  }
}

TEST(XmlNodeStore, TreesGrowShrinkAndParseAgain) {
  XmlNode document;
  XmlOptions options = XmlParseOptions();
  ASSERT_TRUE(ParseDocument(document, kSheet, options));
  ASSERT_EQ(document.ChildCount(), 3u);  // declaration, comment, root
  XmlNode& root = document.Child(2);
  EXPECT_EQ(&root, RootElement(document));
  EXPECT_THROW(document.Child(3), std::out_of_range);
  XmlNode& added = root.AppendChild(XmlKind::Element, "Row", "new");
  EXPECT_EQ(added.Parent(), &root);
  EXPECT_EQ(added.Document(), &document);
  EXPECT_EQ(FindChildren(root, "Row").size(), 3u);

  // An inner node parsed again, then the whole document.
  XmlNode& row = *const_cast<XmlNode*>(FindChildren(root, "Row")[0]);
  ASSERT_TRUE(ParseElement(row, "<Row><Cell>1</Cell><Cell>2</Cell></Row>", options));
  EXPECT_EQ(row.Parent(), &root);
  ASSERT_EQ(row.ChildCount(), 2u);
  EXPECT_EQ(row.Child(1).value, "2");
  EXPECT_EQ(row.Child(1).Document(), &document);
  row.Clear();
  EXPECT_EQ(row.ChildCount(), 0u);
  EXPECT_EQ(row.Parent(), &root);
  ASSERT_TRUE(ParseDocument(document, "<r><s/></r>", options));
  ASSERT_EQ(document.ChildCount(), 1u);
  EXPECT_EQ(document.Child(0).Child(0).name, "s");
}

// ---------------------------------------------------------------------------------------
// Sheets

TEST(SheetWrappers, TagsComeOutAsTheImportExpects) {
  struct Case {
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {"<W><Worksheet a=\"1\"><Table b><Row/></Table></Worksheet></W>",
       "<W><Table b><Row/></Table></W>"},
      {"<Worksheet a><Row/>", "<Row/>"},                            // no end tag
      {"</Worksheet><Worksheet a>x</Worksheet>", "</Worksheet>x"},  // end tag before start
      {"<Worksheet a", "<Worksheet a"},                             // start tag not closed
      {"<Worksheet a>x</Worksheet", "x</Worksheet"},                // end tag not closed
      {"<Table>no space</Table>", "<Table>no space</Table>"},       // not the wrapper's start
      {"", ""},
  };
  for (const Case& c : cases) {
    std::string text(c.text);
    RemoveSheetWrapper(text, "<Worksheet ", "</Worksheet>");
    EXPECT_EQ(text, c.expected) << c.text;
  }
  std::string both =
      "<B><ss:Worksheet n=\"1\"><ss:Table "
      "t=\"2\"><ss:Row/></ss:Table></ss:Worksheet></B>";
  RemoveSheetWrappers(both);
  EXPECT_EQ(both, "<B><ss:Row/></B>");
}

TEST(SheetWrappers, SkippedWhereTheyLieAsTheyWouldBeTakenOut) {
  const std::string rows = Repeat("<Row><Cell><Data>1</Data></Cell></Row>", 20);
  const std::string longHead(2000, ' ');
  const std::string longTail(2000, ' ');
  const std::string cases[] = {
      "<W><Worksheet a=\"1\"><Table b>" + rows + "</Table></Worksheet></W>",
      "<B><ss:Worksheet n=\"1\"><ss:Table t=\"2\">" + rows + "</ss:Table></ss:Worksheet></B>",
      "<B><Worksheet n><ss:Table t>" + rows + "</ss:Table></Worksheet></B>",
      // A head or tail longer than what lies on the other side of a tag: that side moves.
      "<W>" + longHead + "<Worksheet a><Table b><Row/></Table></Worksheet></W>",
      "<W><Worksheet a><Table b><Row/></Table></Worksheet>" + longTail + "</W>",
      "<Worksheet a>" + rows,                    // no end tag
      "</Worksheet><Worksheet a>x</Worksheet>",  // end tag before start
      "<Worksheet a",                            // start tag not closed
      "<Worksheet a>x</Worksheet",               // end tag not closed
      "<Table>" + rows + "</Table>",             // not the wrapper's start
      "<Worksheet a><Worksheet b>" + rows + "</Worksheet></Worksheet>",
      "",
  };
  for (const std::string& c : cases) {
    std::string removed = c;
    RemoveSheetWrappers(removed);
    std::string text = c;
    const std::string_view body = SheetWithoutWrappers(text);
    EXPECT_EQ(body, removed) << c;
    EXPECT_EQ(text.size(), c.size()) << c;
  }
  // In a sheet's shape, a short head and tail around the rows, the rows stay where they are.
  for (const std::string_view prefix : {"", "ss:"}) {
    std::string text = "<?xml?><Workbook><" + std::string(prefix) + "Worksheet n><" +
                       std::string(prefix) + "Table t>" + rows + "</" + std::string(prefix) +
                       "Table></" + std::string(prefix) + "Worksheet></Workbook>";
    const std::size_t rowsAt = text.find("<Row>");
    const std::string_view body = SheetWithoutWrappers(text);
    EXPECT_EQ(body, "<?xml?><Workbook>" + rows + "</Workbook>");
    EXPECT_EQ(body.data() + body.find("<Row>"), text.data() + rowsAt) << prefix;
  }
}

TEST(SheetImportFlat, WrittenSheetsReadBackAsThroughNodeTrees) {
  TagTable written;
  for (std::size_t i = 0; i < 40; ++i) {
    const std::string number = std::to_string(100000 + i);
    written.Append("A070326101500F9180451CBE9" + number.substr(1) + "6Cow \xFC" + number + "   ");
  }
  AttributeList attributes;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    attributes.Set(i, std::string(1, AttributeList::TokenAt(i)) + " A&<\xE4" + std::to_string(i));
  }
  for (const SheetLayout layout : {SheetLayout::AttributeSheet, SheetLayout::TextCodeSheet,
                                   SheetLayout::CodeSheet, SheetLayout::SensorSheet}) {
    std::string text = WriteSheet(layout, ReaderModel::KtrH9V43Build54, written, attributes);
    RemoveSheetWrappers(text);
    XmlOptions nodeOptions = SheetParseOptions();
    XmlNode document;
    ASSERT_TRUE(ParseDocument(document, text, nodeOptions));
    XmlOptions flatOptions = SheetParseOptions();
    XmlFlatTree tree;
    ASSERT_TRUE(ParseDocument(tree, text, flatOptions));

    TagTable fromNodes;
    AttributeList nodeAttributes;
    std::vector<std::size_t> nodeProgress;
    const SheetImportResult nodes = ImportSheetRows(
        FindChildren(*RootElement(document), "Row"), layout, ReaderModel::KtrH9V43Build54, false,
        fromNodes, nodeAttributes, [&](std::size_t row) { nodeProgress.push_back(row); });
    TagTable fromFlat;
    AttributeList flatAttributes;
    std::vector<std::size_t> flatProgress;
    const SheetImportResult flat = ImportSheetRows(
        tree, tree.FindChildren(tree.RootElement(), "Row"), layout, ReaderModel::KtrH9V43Build54,
        false, fromFlat, flatAttributes, [&](std::size_t row) { flatProgress.push_back(row); });

    EXPECT_EQ(flat.recordsStored, layout == SheetLayout::SensorSheet ? 0u : written.Appended());
    EXPECT_EQ(flat.recordsStored, nodes.recordsStored);
    EXPECT_EQ(flat.attributesSet, nodes.attributesSet);
    EXPECT_EQ(flatProgress, nodeProgress);
    for (std::size_t i = 0; i < kTagTableSize; ++i) ASSERT_EQ(fromFlat.At(i), fromNodes.At(i));
    for (std::size_t i = 0; i < kAttributeCount; ++i) {
      EXPECT_EQ(flatAttributes.Entry(i), nodeAttributes.Entry(i));
    }
  }
}

TEST(SheetImportFlat, RowFieldsFollowCellsIndexesAndPrefixes) {
  const std::string text =
      "<Workbook><Row><ss:Cell><ss:Data>skipped</ss:Data></ss:Cell>"
      "<Cell "
      "ss:Index=\"3\"><ss:Data>A</ss:Data><Data>t</Data></Cell><Cell/></Row>"
      "<Row><ss:Cell "
      "ss:Index=\"3\"><ss:Data>B</ss:Data></ss:Cell></Row></Workbook>";
  XmlOptions options = SheetParseOptions();
  XmlFlatTree tree;
  ASSERT_TRUE(ParseDocument(tree, text, options));
  XmlNode document;
  ASSERT_TRUE(ParseDocument(document, text, options));
  const auto flatRows = tree.FindChildren(tree.RootElement(), "Row");
  const auto nodeRows = FindChildren(*RootElement(document), "Row");
  ASSERT_EQ(flatRows.size(), 2u);
  for (std::size_t r = 0; r < flatRows.size(); ++r) {
    const SheetRowFields flat =
        ReadRowFields(tree, flatRows[r], SheetLayout::AttributeSheet, false);
    const SheetRowFields nodes = ReadRowFields(*nodeRows[r], SheetLayout::AttributeSheet, false);
    for (std::size_t f = 0; f < kSheetFieldCount; ++f) {
      EXPECT_EQ(flat.Get(static_cast<SheetField>(f)), nodes.Get(static_cast<SheetField>(f)));
    }
    EXPECT_EQ(flat.Get(FieldAtColumn(SheetLayout::AttributeSheet, 3)), r == 0 ? "t" : "B");
  }
}

}  // namespace
}  // namespace tagline::database
