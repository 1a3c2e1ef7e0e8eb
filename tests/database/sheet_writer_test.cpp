// SPDX-License-Identifier: Apache-2.0
#include "database/sheet_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "database/xml_node.h"
#include "database/xml_text.h"

namespace tagline::database {
namespace {

namespace sf = style_flags;

constexpr std::string_view kWorkbookStart =
    "<?xml version=\"1.0\"?>\r\n"
    "<?mso-application progid=\"Excel.Sheet\"?>\r\n"
    "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"\r\n"
    " xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n"
    " xmlns:x=\"urn:schemas-microsoft-com:office:excel\"\r\n"
    " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">\r\n"
    " <Styles>\r\n"
    "  <Style ss:ID=\"Default\" ss:Name=\"Normal\">\r\n"
    "   <Alignment ss:Vertical=\"Bottom\"/>\r\n"
    "  </Style>\r\n";

// The text of a workbook with the one style `flags` (font size `size`).
std::string StyleText(StyleFlags flags, std::string size = {}) {
  SheetWriter writer;
  EXPECT_EQ(writer.AddStyle(flags, std::move(size)), 0);
  EXPECT_TRUE(writer.Open(1, "S"));
  const std::string& text = writer.Text();
  const std::size_t begin = text.find("  <Style ss:ID=\"s21\">\r\n");
  const std::size_t end = text.find(" </Styles>");
  if (begin == std::string::npos || end == std::string::npos) return {};
  return text.substr(begin, end - begin);
}

std::string Borders(std::initializer_list<std::string_view> positions) {
  std::string text = "   <Borders>\r\n";
  for (const std::string_view position : positions) {
    text += "    <Border ss:Position=\"";
    text += position;
    text += "\" ss:LineStyle=\"Continuous\" ss:Weight=\"1\"/>\r\n";
  }
  return text + "   </Borders>\r\n";
}

TEST(SheetWriterStyles, AlignmentPrecedence) {
  EXPECT_EQ(StyleText(0),
            "  <Style ss:ID=\"s21\">\r\n   <Alignment/>\r\n   <Font x:Family=\"Swiss\"/>\r\n"
            "  </Style>\r\n");
  EXPECT_NE(StyleText(sf::kHorizontalCenter).find("<Alignment ss:Horizontal=\"Center\"/>"),
            std::string::npos);
  EXPECT_NE(StyleText(sf::kHorizontalCenter | sf::kHorizontalLeft)
                .find("<Alignment ss:Horizontal=\"Left\"/>"),
            std::string::npos);
  EXPECT_NE(StyleText(sf::kHorizontalCenter | sf::kHorizontalRight)
                .find("<Alignment ss:Horizontal=\"Right\"/>"),
            std::string::npos);
  EXPECT_NE(StyleText(sf::kHorizontalLeft | sf::kHorizontalRight)
                .find("<Alignment ss:Horizontal=\"Right\"/>"),
            std::string::npos);
  EXPECT_NE(StyleText(sf::kVerticalCenter).find("<Alignment ss:Vertical=\"Center\"/>"),
            std::string::npos);
  EXPECT_NE(
      StyleText(sf::kVerticalCenter | sf::kVerticalTop).find("<Alignment ss:Vertical=\"Top\"/>"),
      std::string::npos);
  EXPECT_NE(
      StyleText(sf::kVerticalTop | sf::kVerticalBottom).find("<Alignment ss:Vertical=\"Bottom\"/>"),
      std::string::npos);
  EXPECT_NE(StyleText(sf::kHorizontalLeft | sf::kVerticalCenter | sf::kWrapText)
                .find("   <Alignment ss:Horizontal=\"Left\" ss:Vertical=\"Center\" "
                      "ss:WrapText=\"1\"/>\r\n"),
            std::string::npos);
}

TEST(SheetWriterStyles, NumberFormatsBordersAndFont) {
  EXPECT_EQ(StyleText(sf::kShortDate | sf::kShortTime | sf::kCurrency | sf::kBorderAll |
                          sf::kBorderLeftRight | sf::kBorderTop | sf::kBold | sf::kUnderline |
                          sf::kItalic,
                      "10"),
            "  <Style ss:ID=\"s21\">\r\n   <Alignment/>\r\n"
            "  <NumberFormat ss:Format=\"Short Date\"/>"
            "  <NumberFormat ss:Format=\"Short Time\"/>"
            "  <NumberFormat ss:Format=\"Currency\"/>" +
                Borders({"Bottom", "Left", "Right", "Top"}) + Borders({"Left", "Right"}) +
                Borders({"Top"}) +
                "   <Font x:Family=\"Swiss\" ss:Size=\"10\" ss:Bold=\"1\" "
                "ss:Underline=\"Single\" ss:Italic=\"1\"/>\r\n"
                "  </Style>\r\n");
  EXPECT_EQ(StyleText(sf::kBorderLeftRight), "  <Style ss:ID=\"s21\">\r\n   <Alignment/>\r\n" +
                                                 Borders({"Left", "Right"}) +
                                                 "   <Font x:Family=\"Swiss\"/>\r\n  </Style>\r\n");
}

TEST(SheetWriterStyles, IdsCountFromTwentyOne) {
  SheetWriter writer;
  EXPECT_EQ(writer.AddStyle(sf::kBold), 0);
  EXPECT_EQ(writer.AddStyle(sf::kItalic), 1);
  EXPECT_EQ(writer.AddStyle(sf::kUnderline), 2);
  ASSERT_TRUE(writer.Open(3, "S"));
  const std::string& text = writer.Text();
  const std::size_t s21 = text.find("<Style ss:ID=\"s21\">");
  const std::size_t s22 = text.find("<Style ss:ID=\"s22\">");
  const std::size_t s23 = text.find("<Style ss:ID=\"s23\">");
  ASSERT_NE(s23, std::string::npos);
  EXPECT_LT(s21, s22);
  EXPECT_LT(s22, s23);
  EXPECT_LT(s21, text.find("ss:Bold"));
  EXPECT_LT(text.find("ss:Bold"), s22);
  EXPECT_EQ(writer.AddStyle(sf::kBold), kNoStyle) << "styles are fixed once the sheet is open";
}

TEST(SheetWriterFrame, OpenWritesEverythingUpToTheColumns) {
  SheetWriter writer;
  writer.AddColumn(12.75);
  writer.AddColumn(100);
  writer.AddColumn(0);
  writer.AddColumn(38.5);
  ASSERT_TRUE(writer.Open(5031, "Data"));
  EXPECT_EQ(writer.Text(),
            std::string(kWorkbookStart) +
                " </Styles>\r\n"
                " <Worksheet ss:Name=\"Data\">\r\n"
                "  <Table ss:ExpandedColumnCount=\"4\" ss:ExpandedRowCount=\"5031\">\r\n"
                "   <Column ss:Width=\"12.75\"/>\r\n"
                "   <Column ss:Width=\"100.00\"/>\r\n"
                "   <Column ss:AutoFitWidth=\"1\"/>\r\n"
                "   <Column ss:Width=\"38.50\"/>\r\n");
  EXPECT_TRUE(writer.IsOpen());
}

TEST(SheetWriterFrame, RowsCellsAndClose) {
  SheetWriter writer;
  writer.AddColumn(10);
  ASSERT_TRUE(writer.Open(3, "Data"));
  const std::size_t start = writer.Text().size();
  writer.BeginRow(kNoStyle, 12.75);
  writer.WriteCell("", kNoStyle);
  writer.WriteCell("x", 0);
  writer.EndRow();
  writer.BeginRow(2, 38.5);
  writer.EndRow();
  writer.BeginRow(kNoStyle, 0);
  writer.WriteCell("y", 3);
  writer.EndRow();
  writer.Close();
  EXPECT_TRUE(writer.IsClosed());
  EXPECT_EQ(writer.Text().substr(start),
            "   <Row ss:Height=\"12.75\">\r\n"
            "    <Cell><Data ss:Type=\"String\"></Data></Cell>\r\n"
            "    <Cell ss:StyleID=\"s21\"><Data ss:Type=\"String\">x</Data></Cell>\r\n"
            "   </Row>\r\n"
            "   <Row ss:StyleID=\"s23\" ss:Height=\"38.50\">\r\n"
            "   </Row>\r\n"
            "   <Row>\r\n"
            "    <Cell ss:StyleID=\"s24\"><Data ss:Type=\"String\">y</Data></Cell>\r\n"
            "   </Row>\r\n"
            "  </Table>\r\n"
            " </Worksheet>\r\n"
            "</Workbook>\r\n");
}

TEST(SheetWriterFrame, CallsOutOfOrderWriteNothing) {
  SheetWriter writer;
  writer.BeginRow(kNoStyle, 12.75);
  writer.WriteCell("early", kNoStyle);
  writer.EndRow();
  writer.Close();
  EXPECT_EQ(writer.Text(), "");
  EXPECT_FALSE(writer.Open(5031, "")) << "a sheet needs a name";
  EXPECT_EQ(writer.Text(), "");
  EXPECT_FALSE(writer.IsOpen());

  ASSERT_TRUE(writer.Open(1, "Data"));
  EXPECT_FALSE(writer.Open(1, "Data")) << "opened once only";
  writer.AddColumn(99);
  EXPECT_EQ(writer.Text().find("99.00"), std::string::npos);
  writer.Close();
  const std::string closed = writer.Text();
  writer.WriteCell("late", kNoStyle);
  writer.Close();
  EXPECT_EQ(writer.Text(), closed);
}

TEST(SheetWriterText, TwoDecimalsAsTheCLocaleWritesThem) {
  EXPECT_EQ(FormatTwoDecimals(12.75), "12.75");
  EXPECT_EQ(FormatTwoDecimals(100), "100.00");
  EXPECT_EQ(FormatTwoDecimals(38.5), "38.50");
  EXPECT_EQ(FormatTwoDecimals(0.125), "0.12");  // exactly half: to even, as printf does
  EXPECT_EQ(FormatTwoDecimals(2.675), "2.67");  // 2.67499999... in binary
  EXPECT_EQ(FormatTwoDecimals(-1.5), "-1.50");
}

TEST(SheetWriterText, CellTextsAreWellFormedAndExact) {
  SheetWriter writer;
  ASSERT_TRUE(writer.Open(1, "Data"));
  const std::size_t start = writer.Text().size();
  writer.WriteCell("M\xFCller & <Co> \"x\" 'y'", kNoStyle);
  writer.WriteCell("Zeile 1\nZeile 2", kNoStyle);
  EXPECT_EQ(writer.Text().substr(start),
            "    <Cell><Data ss:Type=\"String\">M&#252;ller &amp; &lt;Co&gt; &quot;x&quot; "
            "&apos;y&apos;</Data></Cell>\r\n"
            "    <Cell><Data ss:Type=\"String\">Zeile 1&#10;Zeile 2</Data></Cell>\r\n");
}

// Every Windows-1252 text that XML can hold comes back byte for byte, as cell and as sheet
// name, when the workbook is read with the project's XML reader.
TEST(SheetWriterText, EveryWindows1252CharacterReadsBack) {
  std::string every;
  for (unsigned byte = 0x20; byte <= 0xFF; ++byte) every += static_cast<char>(byte);
  every += "\t\r\n";
  const std::string umlauts = "\xF6\xE4\xFC\xD6\xC4\xDC\xDF";

  SheetWriter writer;
  writer.AddColumn(0);
  ASSERT_TRUE(writer.Open(5031, every));
  writer.BeginRow(kNoStyle, 12.75);
  writer.WriteCell(every, 0);
  writer.WriteCell(umlauts, kNoStyle);
  for (unsigned byte = 0x20; byte <= 0xFF; ++byte) {
    writer.WriteCell(std::string(1, static_cast<char>(byte)), kNoStyle);
  }
  writer.EndRow();
  writer.Close();

  XmlNode document(XmlKind::Document);
  XmlOptions options = XmlParseOptions();
  options.entities = false;
  options.escape.reset();
  ASSERT_TRUE(ParseDocument(document, writer.Text(), options).has_value()) << options.error.message;
  const XmlNode* workbook = RootElement(document);
  ASSERT_NE(workbook, nullptr);
  const auto worksheets = FindChildren(*workbook, "Worksheet");
  ASSERT_EQ(worksheets.size(), 1u);
  EXPECT_EQ(DecodeCellText(AttributeValue(*worksheets[0], "ss:Name").value_or(""), false), every);
  const auto tables = FindChildren(*worksheets[0], "Table");
  ASSERT_EQ(tables.size(), 1u);
  const auto rows = FindChildren(*tables[0], "Row");
  ASSERT_EQ(rows.size(), 1u);
  const auto cells = FindChildren(*rows[0], "Cell");
  ASSERT_EQ(cells.size(), 2u + 0xE0u);
  const auto text = [&](std::size_t i) {
    return DecodeCellText(ChildText(*cells[i], "Data").value_or("?"), false);
  };
  EXPECT_EQ(text(0), every);
  EXPECT_EQ(text(1), umlauts);
  for (unsigned byte = 0x20; byte <= 0xFF; ++byte) {
    EXPECT_EQ(text(2 + byte - 0x20), std::string(1, static_cast<char>(byte))) << byte;
  }
  // No named HTML entity reaches the file: a spreadsheet program knows none of them.
  EXPECT_EQ(writer.Text().find("&ouml;"), std::string::npos);
  EXPECT_EQ(writer.Text().find("&uuml;"), std::string::npos);
  EXPECT_EQ(writer.Text().find("&szlig;"), std::string::npos);
}

}  // namespace
}  // namespace tagline::database
