// SPDX-License-Identifier: Apache-2.0
#include "database/xml_node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace tagline::database {
namespace {

// A sheet as the import sees it once the worksheet and table wrappers are gone.
constexpr std::string_view kSheet =
    "<?xml version=\"1.0\"?>\r\n"
    "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">\r\n"
    " <!-- exported -->\r\n"
    " <Row>\r\n"
    "  <Cell><Data ss:Type=\"String\">#</Data></Cell>\r\n"
    "  <Cell ss:Index=\"5\"><Data ss:Type=\"String\">K&amp;B &lt;1&gt; &ouml;</Data></Cell>\r\n"
    "  <Cell ss:StyleID=\"s1\"/>\r\n"
    " </Row>\r\n"
    " <Row><Cell><Data>2</Data></Cell></Row>\r\n"
    "</Workbook>\r\n";

// The text in a heap block of exactly its size, so AddressSanitizer reports any read past it.
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
  out.reserve(part.size() * count);
  for (std::size_t i = 0; i < count; ++i) out += part;
  return out;
}

// Element names, attributes and the texts of childless nodes, in document order.
std::string Describe(const XmlNode& node) {
  std::string out = "<" + node.name;
  for (const XmlAttribute& attribute : node.attributes) {
    out += " " + attribute.name + "=" + attribute.value;
  }
  out += ">";
  if (node.ChildCount() == 0) out += node.value;
  for (std::size_t i = 0; i < node.ChildCount(); ++i) out += Describe(node.Child(i));
  return out;
}

TEST(XmlParse, SheetRowsCellsAndLookups) {
  XmlOptions options = XmlParseOptions();
  XmlNode root;
  const auto end = ParseElement(root, kSheet, options);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(*end, kSheet.find("</Workbook>") + 11);
  EXPECT_FALSE(options.error.failed);
  EXPECT_EQ(root.name, "Workbook");
  EXPECT_EQ(AttributeValue(root, "xmlns"), "urn:schemas-microsoft-com:office:spreadsheet");
  EXPECT_EQ(root.Parent(), nullptr);

  ASSERT_GE(root.ChildCount(), 1u);
  EXPECT_EQ(root.Child(0).kind, XmlKind::Comment);
  EXPECT_EQ(root.Child(0).name, "#COMMENT");
  EXPECT_EQ(root.Child(0).value, " exported ");

  const auto rows = FindChildren(root, "Row");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(FindChildren(root, "row").empty());
  const auto cells = FindChildren(*rows[0], "Cell");
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0]->Parent(), rows[0]);
  EXPECT_EQ(AttributeValue(*cells[0], "ss:Index"), std::nullopt);
  EXPECT_EQ(AttributeValue(*cells[1], "ss:Index"), "5");
  EXPECT_EQ(ChildText(*cells[0], "Data"), "#");
  EXPECT_EQ(ChildText(*cells[1], "Data"), "K&B <1> &ouml;");
  EXPECT_EQ(ChildText(*cells[2], "Data"), std::nullopt);
  EXPECT_EQ(ChildText(*FindChildren(*rows[1], "Cell").at(0), "Data"), "2");
}

TEST(XmlParse, DocumentHoldsPrologBeforeRoot) {
  XmlOptions options = XmlParseOptions();
  XmlNode document;
  ASSERT_TRUE(ParseDocument(document, kSheet, options).has_value());
  EXPECT_EQ(document.kind, XmlKind::Document);
  ASSERT_EQ(document.ChildCount(), 2u);
  const XmlNode& instruction = document.Child(0);
  EXPECT_EQ(instruction.kind, XmlKind::ProcessingInstruction);
  EXPECT_EQ(instruction.name, "xml");
  EXPECT_EQ(AttributeValue(instruction, "version"), "1.0");
  const XmlNode* root = RootElement(document);
  ASSERT_EQ(root, &document.Child(1));
  EXPECT_EQ(root->Document(), &document);
  EXPECT_EQ(root->Child(0).kind, XmlKind::Comment);  // inside the root: stays with the root
  EXPECT_EQ(FindChildren(*root, "Row").at(0)->Document(), &document);
}

TEST(XmlParse, EntitiesEscapesAndTrim) {
  XmlOptions options = XmlParseOptions();
  XmlNode node;
  ASSERT_TRUE(
      ParseElement(node, "<a b=\"&lt;x&gt;\">&amp;lt; &ouml; &amp, &quot;&apos;</a>", options));
  EXPECT_EQ(node.value, "&lt; &ouml; &amp, \"'");  // one pass, whole entities only
  EXPECT_EQ(AttributeValue(node, "b"), "<x>");

  ASSERT_TRUE(ParseElement(node, R"(<a q="say \"hi\"">C:\db\<x</a>)", options));
  EXPECT_EQ(AttributeValue(node, "q"), "say \"hi\"");
  EXPECT_EQ(node.value, "C:db<x");
  ASSERT_TRUE(ParseElement(node, "<a>x\\", options));
  EXPECT_EQ(node.value, "x");

  XmlOptions raw = XmlParseOptions();
  raw.entities = false;
  raw.escape.reset();
  ASSERT_TRUE(ParseElement(node, R"(<a b="&lt;">C:\db &amp;</a>)", raw));
  EXPECT_EQ(node.value, R"(C:\db &amp;)");
  EXPECT_EQ(AttributeValue(node, "b"), "&lt;");

  ASSERT_TRUE(ParseElement(node, "<a b=\" v \">  <c/> tail </a>", options));
  EXPECT_EQ(node.value, "  ");
  EXPECT_EQ(AttributeValue(node, "b"), " v ");
  XmlOptions trim = XmlParseOptions();
  trim.trim = true;
  ASSERT_TRUE(ParseElement(node, "<a b=\" v \">  <c/> tail </a>", trim));
  EXPECT_EQ(node.value, "tail");  // blank first text: the text after the child is taken
  EXPECT_EQ(AttributeValue(node, "b"), "v");
}

TEST(XmlParse, AttributeFormsKeepOrderAndDuplicates) {
  XmlOptions options = XmlParseOptions();
  XmlNode node;
  ASSERT_TRUE(ParseElement(node, "<a x='1' y=2 z w = \"3\"\tx=\"4\" v>t</a>", options));
  const std::vector<XmlAttribute> expected = {{"x", "1"}, {"y", "2"}, {"z", ""},
                                              {"w", "3"}, {"x", "4"}, {"v", ""}};
  EXPECT_EQ(node.attributes, expected);
  EXPECT_EQ(AttributeValue(node, "x"), "1");
  EXPECT_EQ(node.value, "t");
}

TEST(XmlParse, ErrorCodesAndMessages) {
  struct Case {
    std::string_view text;
    XmlErrorCode code;
    std::string_view message;
    std::size_t position;
  };
  const Case cases[] = {
      {"<a/ >", XmlErrorCode::ElementNotClosed, "Element must be closed.", 2},
      {"<a x=\"1\"", XmlErrorCode::ElementNotClosed, "Element must be closed.", 8},
      {"<a><b></b", XmlErrorCode::EndTagNotClosed, "it must be closed with </b>", 6},
      {"<r><Cell><Data>1</Cell></Data></r>", XmlErrorCode::NotWellFormed,
       "'<Data> ... </Cell>' is not wel-formed.", 16},
      {"<a><b c", XmlErrorCode::AttributeError, "<b> attribute has error ", 6},
      {"<a b=\"x>", XmlErrorCode::AttributeError, "<a> attribute has error ", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    XmlOptions options = XmlParseOptions();
    XmlNode node;
    EXPECT_EQ(ParseElement(node, c.text, options), std::nullopt);
    EXPECT_TRUE(options.error.failed);
    EXPECT_EQ(options.error.code, c.code);
    EXPECT_EQ(options.error.message, c.message);
    EXPECT_EQ(options.error.position, c.position);
  }
}

TEST(XmlParse, FirstErrorStaysUntilCleared) {
  XmlOptions options = XmlParseOptions();
  XmlNode node;
  EXPECT_FALSE(ParseElement(node, "<a b", options));
  EXPECT_FALSE(ParseElement(node, "<a/ >", options));
  EXPECT_EQ(options.error.code, XmlErrorCode::AttributeError);
  EXPECT_TRUE(ParseElement(node, "<a/>", options));  // an old error does not fail a new parse
  options.ClearError();
  EXPECT_FALSE(ParseElement(node, "<a/ >", options));
  EXPECT_EQ(options.error.code, XmlErrorCode::ElementNotClosed);
}

TEST(XmlParse, LenientEnds) {
  XmlOptions options = XmlParseOptions();
  XmlNode node;
  EXPECT_EQ(ParseElement(node, "  </a>", options), 2u);  // the caller's end tag
  EXPECT_TRUE(node.name.empty());
  EXPECT_EQ(ParseElement(node, "no element", options), std::nullopt);
  EXPECT_FALSE(options.error.failed);

  const std::string_view unclosed = "<a><b>x";
  EXPECT_EQ(ParseElement(node, unclosed, options), unclosed.size());
  EXPECT_EQ(ChildText(node, "b"), "x");

  options.tolerateMismatchedEndTag = true;
  ASSERT_TRUE(ParseElement(node, "<a><b>x</c></b><d/></a>", options));
  EXPECT_EQ(Describe(node), "<a><b>x<d>");
  EXPECT_FALSE(options.error.failed);
}

TEST(XmlParse, BlocksInsideElementsBecomeChildren) {
  XmlOptions options = XmlParseOptions();
  XmlNode node;
  ASSERT_TRUE(ParseElement(node, "<a><![cdata[<r&>]]><b/><!--c--><?pi x?><e>t</e></a>", options));
  ASSERT_EQ(node.ChildCount(), 4u);
  EXPECT_EQ(node.Child(0).kind, XmlKind::CharacterData);
  EXPECT_EQ(node.Child(0).name, "#CDATA");
  EXPECT_EQ(node.Child(0).value, "<r&>");
  EXPECT_EQ(node.Child(1).name, "b");
  EXPECT_EQ(node.Child(2).kind, XmlKind::Comment);
  EXPECT_EQ(node.Child(2).value, "c");
  EXPECT_EQ(node.Child(3).value, "t");  // the instruction had no document to go to
}

TEST(XmlParse, HostileNestingFailsCleanly) {
  constexpr std::size_t kDepth = 100000;
  const std::string deep = Repeat("<a>", kDepth) + Repeat("</a>", kDepth);
  for (const std::string& text : {deep, Repeat("<a>", kDepth)}) {
    XmlOptions options = XmlParseOptions();
    XmlNode node;
    EXPECT_EQ(ParseElement(node, text, options), std::nullopt);
    EXPECT_EQ(options.error.code, XmlErrorCode::NestingTooDeep);
    EXPECT_EQ(options.error.message, "<a> is nested too deeply.");
    EXPECT_EQ(options.error.position, 3 * kXmlDefaultMaxDepth);
  }
  XmlOptions options = XmlParseOptions();
  XmlNode node;
  const std::size_t limit = options.maxDepth;
  EXPECT_TRUE(ParseElement(node, Repeat("<a>", limit) + Repeat("</a>", limit), options));
  EXPECT_FALSE(ParseElement(node, Repeat("<a>", limit + 1) + Repeat("</a>", limit + 1), options));
}

TEST(XmlParse, DeepTreeParsesWritesAndDiesWithoutRecursion) {
  constexpr std::size_t kDepth = 100000;
  const std::string text = Repeat("<a>", kDepth) + "x" + Repeat("</a>", kDepth);
  XmlOptions options = XmlParseOptions();
  options.maxDepth = kDepth;
  auto node = std::make_unique<XmlNode>();
  ASSERT_EQ(ParseElement(*node, text, options), text.size());
  XmlOptions plain = XmlWriteOptions();
  plain.trim = false;
  EXPECT_EQ(WriteNode(*node, plain), text);
  node.reset();
}

TEST(XmlParse, CutDocumentsStayInsideTheText) {
  const std::size_t rootEnd = kSheet.find("</Workbook>") + 11;
  for (std::size_t length = 0; length <= kSheet.size(); ++length) {
    SCOPED_TRACE(length);
    const ExactBuffer buffer(kSheet.substr(0, length));
    XmlOptions options = XmlParseOptions();
    XmlNode node;
    const auto end = ParseElement(node, buffer.View(), options);
    if (end) {
      EXPECT_LE(*end, length);
    }
    if (length >= rootEnd) {
      EXPECT_EQ(end, rootEnd);
    }
    XmlNode document;
    const auto documentEnd = ParseDocument(document, buffer.View(), options);
    EXPECT_EQ(documentEnd, end);
  }
}

TEST(XmlParse, ArbitraryMarkupStaysInsideTheText) {
  constexpr std::string_view kAlphabet = "<>/!?-[]=\"'&;\\ \tabCD";
  std::mt19937 random(1234);
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 48);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (std::size_t n = length(random); n > 0; --n) text += kAlphabet[pick(random)];
    const ExactBuffer buffer(text);
    XmlOptions options = XmlParseOptions();
    options.tolerateMismatchedEndTag = round % 2 == 0;
    XmlNode document;
    const auto end = ParseDocument(document, buffer.View(), options);
    if (!end) continue;
    ASSERT_LE(*end, text.size()) << text;
    const ExactBuffer written(WriteNode(document, XmlWriteOptions()));
    XmlNode again;
    ParseDocument(again, written.View(), options);
  }
}

TEST(XmlWrite, ElementsBlocksAndLayout) {
  XmlNode document(XmlKind::Document);
  XmlNode& declaration = document.AppendChild(XmlKind::ProcessingInstruction, "xml");
  declaration.attributes = {{"version", "1.0"}, {"encoding", "x"}};
  XmlNode& row = document.AppendChild(XmlKind::Element, "Row");
  EXPECT_EQ(row.Parent(), &document);
  EXPECT_EQ(row.Document(), &document);
  row.attributes = {{"ss:Index", "<\"2'&>"}};
  row.AppendChild(XmlKind::Comment, "#COMMENT", " c ");
  XmlNode& cell = row.AppendChild(XmlKind::Element, "Cell");
  EXPECT_EQ(cell.Document(), &document);
  cell.AppendChild(XmlKind::Element, "Data", "a<b");
  row.AppendChild(XmlKind::CharacterData, "#CDATA", "<&>");
  row.AppendChild(XmlKind::Element, "Cell");

  EXPECT_EQ(WriteNode(document, XmlWriteOptions()),
            "<?xml version=\"1.0\" encoding=\"x\"?>"
            "<Row ss:Index=\"&lt;&quot;2&apos;&amp;&gt;\">\r\n"
            "\t<!-- c -->\r\n"
            "\t<Cell>\r\n"
            "\t\t<Data>a&lt;b</Data>\r\n"
            "\t</Cell>\r\n"
            "\t<![CDATA[<&>]]>\r\n"
            "\t<Cell/>\r\n"
            "</Row>");

  XmlOptions plain = XmlWriteOptions();
  plain.trim = false;
  plain.entities = false;
  plain.quote = '\'';
  EXPECT_EQ(WriteNode(cell, plain), "<Cell><Data>a<b</Data></Cell>");
  EXPECT_EQ(WriteNode(row.Child(3), plain), "<Cell/>");

  XmlOptions options = XmlParseOptions();
  XmlNode parsed;
  ASSERT_TRUE(ParseElement(parsed, WriteNode(row, XmlWriteOptions()), options));
  EXPECT_EQ(AttributeValue(parsed, "ss:Index"), "<\"2'&>");
  EXPECT_EQ(ChildText(*FindChildren(parsed, "Cell").at(0), "Data"), "a<b");

  parsed.Clear();
  EXPECT_EQ(parsed.ChildCount(), 0u);
  EXPECT_TRUE(parsed.attributes.empty());
  EXPECT_TRUE(parsed.name.empty());
}

TEST(XmlWrite, SheetSurvivesWriteAndParse) {
  XmlOptions options = XmlParseOptions();
  XmlNode first;
  ASSERT_TRUE(ParseElement(first, kSheet, options));
  const std::string written = WriteNode(first, XmlWriteOptions());
  XmlNode second;
  ASSERT_TRUE(ParseElement(second, written, options));
  EXPECT_EQ(Describe(second), Describe(first));
  const XmlNode& data = *FindChildren(*FindChildren(second, "Row")[0], "Cell")[1];
  EXPECT_EQ(ChildText(data, "Data"), "K&B <1> &ouml;");
}

}  // namespace
}  // namespace tagline::database
