// SPDX-License-Identifier: Apache-2.0
#include "database/xml_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "database/xml_node.h"

namespace tagline::database {
namespace {

bool AllowedInXml(unsigned char byte) {
  return byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\r';
}

TEST(Windows1252, CodePoints) {
  EXPECT_EQ(Windows1252ToCodePoint(0x41), U'A');
  EXPECT_EQ(Windows1252ToCodePoint(0x80), U'\u20AC');
  EXPECT_EQ(Windows1252ToCodePoint(0x8A), U'\u0160');
  EXPECT_EQ(Windows1252ToCodePoint(0x96), U'\u2013');
  EXPECT_EQ(Windows1252ToCodePoint(0x9F), U'\u0178');
  EXPECT_EQ(Windows1252ToCodePoint(0x81), 0x81u);
  EXPECT_EQ(Windows1252ToCodePoint(0xFC), U'\u00FC');
  for (unsigned byte = 1; byte <= 0xFF; ++byte) {
    EXPECT_EQ(CodePointToWindows1252(Windows1252ToCodePoint(static_cast<unsigned char>(byte))),
              byte);
  }
  for (const char32_t none : {0x0u, 0x100u, 0x20ADu, 0xD800u, 0xFFFDu, 0x1F600u, 0x110000u}) {
    EXPECT_EQ(CodePointToWindows1252(none), std::nullopt) << static_cast<unsigned>(none);
  }
}

TEST(DecodeCellText, XmlEntitiesAndCharacterReferences) {
  EXPECT_EQ(DecodeCellText("&amp;&lt;&gt;&quot;&apos;", false), "&<>\"'");
  EXPECT_EQ(DecodeCellText("&amp;lt;", false), "&lt;");
  EXPECT_EQ(DecodeCellText("M&#252;ller &#xFC;&#XfC; &#8364;&#x20ac; &#65;&#10;", false),
            "M\xFCller \xFC\xFC \x80\x80 A\n");
  EXPECT_EQ(DecodeCellText("&#x100;|&#0;|&#xD800;|&#99999999999999999999;|&#x110000;", false),
            "?|?|?|?|?");
}

TEST(DecodeCellText, HtmlNamedEntities) {
  EXPECT_EQ(DecodeCellText("&auml;&ouml;&uuml;&Auml;&Ouml;&Uuml;&szlig;&eacute;", false),
            "\xE4\xF6\xFC\xC4\xD6\xDC\xDF\xE9");
  EXPECT_EQ(DecodeCellText("&nbsp;&iexcl;&shy;&frac34;&iquest;&Aring;&ETH;&times;", false),
            "\xA0\xA1\xAD\xBE\xBF\xC5\xD0\xD7");
  EXPECT_EQ(DecodeCellText("&THORN;&aelig;&eth;&divide;&oslash;&thorn;&yuml;", false),
            "\xDE\xE6\xF0\xF7\xF8\xFE\xFF");
  EXPECT_EQ(DecodeCellText("&euro;&OElig;&scaron;&ndash;&mdash;&lsquo;&rsquo;&ldquo;&rdquo;"
                           "&bdquo;&dagger;&hellip;&permil;&trade;",
                           false),
            "\x80\x8C\x9A\x96\x97\x91\x92\x93\x94\x84\x86\x85\x89\x99");
  EXPECT_EQ(DecodeCellText("&sbquo;&fnof;&Dagger;&circ;&Scaron;&lsaquo;&Zcaron;&bull;", false),
            "\x82\x83\x87\x88\x8A\x8B\x8E\x95");
  EXPECT_EQ(DecodeCellText("&tilde;&rsaquo;&oelig;&zcaron;&Yuml;", false), "\x98\x9B\x9C\x9E\x9F");
}

TEST(DecodeCellText, UnknownAndIncompleteEntitiesStayLiteral) {
  for (const std::string_view text :
       {"&foo;", "&amp", "&amp,", "&Ouml", "&OUML;", "&#;", "&#x;", "&#12", "&#1a;", "& ;", "&;",
        "&", "a & b", "&verylongname;", "&alpha;"}) {
    EXPECT_EQ(DecodeCellText(text, false), text);
    EXPECT_EQ(DecodeCellText(text, true), text);
  }
  EXPECT_EQ(DecodeCellText("&&amp;&#38;", false), "&&&");
}

TEST(DecodeCellText, Utf8) {
  EXPECT_EQ(DecodeCellText("M\xC3\xBCller \xE2\x82\xAC\xE2\x84\xA2 \xC5\x93 \xC2\x81", true),
            "M\xFCller \x80\x99 \x9C \x81");
  EXPECT_EQ(DecodeCellText("M\xC3\xBCller", false), "M\xC3\xBCller");
  EXPECT_EQ(DecodeCellText("&ouml;\xC3\xB6&#246;", true), "\xF6\xF6\xF6");
  // Each invalid sequence gives one "?": its longest valid beginning goes with it.
  EXPECT_EQ(DecodeCellText("a\xC3", true), "a?");
  EXPECT_EQ(DecodeCellText("\xC3(", true), "?(");
  EXPECT_EQ(DecodeCellText("\xE2\x82x", true), "?x");
  EXPECT_EQ(DecodeCellText("\xC0\xAF", true), "??");                        // overlong
  EXPECT_EQ(DecodeCellText("\xE0\x80\xAF", true), "???");                   // overlong
  EXPECT_EQ(DecodeCellText("\xED\xA0\x80", true), "???");                   // surrogate
  EXPECT_EQ(DecodeCellText("\xF4\x90\x80\x80", true), "????");              // beyond U+10FFFF
  EXPECT_EQ(DecodeCellText("\xF0\x9F\x98\x80|\xE4\xB8\xAD", true), "?|?");  // no such byte
  EXPECT_EQ(DecodeCellText("\xFF\xFE", true), "??");
}

TEST(EncodeCellText, AsciiOnlyAndWellFormed) {
  EXPECT_EQ(EncodeCellText("a&b<c>\"'"), "a&amp;b&lt;c&gt;&quot;&apos;");
  EXPECT_EQ(EncodeCellText("\t\n\r\x7F"), "&#9;&#10;&#13;&#127;");
  EXPECT_EQ(EncodeCellText(std::string("\x01\x1F\x00|", 4)), "???|");
  EXPECT_EQ(EncodeCellText("M\xFCller \x80\x81\x9F\xFF"), "M&#252;ller &#8364;&#129;&#376;&#255;");
  for (unsigned byte = 0; byte <= 0xFF; ++byte) {
    for (const char c : EncodeCellText(std::string(1, static_cast<char>(byte)))) {
      EXPECT_TRUE(c >= 0x20 && c < 0x7F) << byte;
    }
  }
}

TEST(EncodeCellText, DecodeGivesBackEveryAllowedText) {
  std::string every;
  for (unsigned byte = 0; byte <= 0xFF; ++byte) {
    if (AllowedInXml(static_cast<unsigned char>(byte))) every += static_cast<char>(byte);
  }
  EXPECT_EQ(DecodeCellText(EncodeCellText(every), false), every);
  EXPECT_EQ(DecodeCellText(EncodeCellText(every), true), every);

  std::mt19937 random(99);
  std::uniform_int_distribution<std::size_t> pick(0, every.size() - 1);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int n = round % 24; n > 0; --n) text += every[pick(random)];
    ASSERT_EQ(DecodeCellText(EncodeCellText(text), round % 2 == 0), text);
  }
}

TEST(EncodeCellText, SurvivesTheXmlReader) {
  std::string every;
  for (unsigned byte = 0; byte <= 0xFF; ++byte) {
    if (AllowedInXml(static_cast<unsigned char>(byte))) every += static_cast<char>(byte);
  }
  const std::string encoded = EncodeCellText(every);
  const std::string sheet =
      "<Cell title=\"" + encoded + "\"><Data ss:Type=\"String\">" + encoded + "</Data></Cell>";
  XmlOptions raw = XmlParseOptions();
  raw.entities = false;
  raw.escape.reset();
  XmlNode cell;
  ASSERT_EQ(ParseElement(cell, sheet, raw), sheet.size());
  EXPECT_EQ(DecodeCellText(ChildText(cell, "Data").value_or(""), false), every);
  EXPECT_EQ(DecodeCellText(AttributeValue(cell, "title").value_or(""), true), every);
}

}  // namespace
}  // namespace tagline::database
