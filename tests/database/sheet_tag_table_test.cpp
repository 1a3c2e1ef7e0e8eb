// SPDX-License-Identifier: Apache-2.0
#include "database/tag_table.h"

#include <gtest/gtest.h>

#include <string>

namespace tagline::database {
namespace {

TEST(TagTable, HoldsFiveThousandRecordsAndRefusesMore) {
  TagTable table;
  EXPECT_EQ(TagTable::Capacity(), 5000u);
  for (std::size_t i = 0; i < 5000; ++i) {
    ASSERT_TRUE(table.Append("r" + std::to_string(i))) << i;
  }
  EXPECT_EQ(table.Appended(), 5000u);
  EXPECT_FALSE(table.Append("one too many"));
  EXPECT_EQ(table.Appended(), 5000u);
  EXPECT_EQ(table.At(0), "r0");
  EXPECT_EQ(table.At(4999), "r4999");
  EXPECT_EQ(table.At(5000), "") << "past the end reads as empty";
  EXPECT_EQ(table.At(static_cast<std::size_t>(-1)), "");
  EXPECT_EQ(table.LeadingCount(), 5000u);
}

TEST(TagTable, SetStoresByIndexWithinTheTableOnly) {
  TagTable table;
  EXPECT_TRUE(table.Set(4999, "last"));
  EXPECT_FALSE(table.Set(5000, "beyond"));
  EXPECT_FALSE(table.Set(static_cast<std::size_t>(-1), "far beyond"));
  EXPECT_EQ(table.At(4999), "last");
  EXPECT_EQ(table.At(5000), "");
  EXPECT_EQ(table.LeadingCount(), 0u);
}

TEST(TagTable, FillResetsEveryEntryAndTheAppendPosition) {
  TagTable table;
  table.Append("a");
  table.Append("b");
  table.Fill(" ");
  EXPECT_EQ(table.Appended(), 0u);
  EXPECT_EQ(table.At(0), " ");
  EXPECT_EQ(table.At(4999), " ");
  EXPECT_EQ(table.LeadingCount(), 5000u);
  table.Fill("");
  table.Append("x");
  table.Append("y");
  table.Set(3, "z");  // a gap at 2 ends the leading records
  EXPECT_EQ(table.At(0), "x");
  EXPECT_EQ(table.LeadingCount(), 2u);
}

TEST(AttributeList, TokensAndLookup) {
  EXPECT_EQ(AttributeList::TokenAt(0), '#');
  EXPECT_EQ(AttributeList::TokenAt(1), 'A');
  EXPECT_EQ(AttributeList::TokenAt(26), 'Z');
  EXPECT_EQ(AttributeList::TokenAt(27), '#');
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    EXPECT_EQ(AttributeList::IndexOfToken(AttributeList::TokenAt(i)), i);
    EXPECT_EQ(AttributeList::LookupIndex(AttributeList::TokenAt(i)), i);
  }
  for (const char other : {'a', 'z', '0', ' ', '_', '@', '[', '\0', '\xC4'}) {
    EXPECT_EQ(AttributeList::IndexOfToken(other), std::nullopt) << other;
    EXPECT_EQ(AttributeList::LookupIndex(other), 0u) << "any other token names entry 0";
  }
}

TEST(AttributeList, DepositedTextIsCharactersOneToFourteen) {
  AttributeList attributes;
  EXPECT_TRUE(attributes.Set(0, "#"));
  EXPECT_TRUE(attributes.Set(1, "Ax"));
  EXPECT_TRUE(attributes.Set(2, "Bxy"));
  EXPECT_TRUE(attributes.Set(3, "C12345678901234567"));
  EXPECT_TRUE(attributes.Set(26, "Z 5"));
  EXPECT_FALSE(attributes.Set(27, "?beyond"));
  EXPECT_EQ(attributes.DepositedText(0), "");
  EXPECT_EQ(attributes.DepositedText(1), "") << "an entry of two characters has no text";
  EXPECT_EQ(attributes.DepositedText(2), "xy");
  EXPECT_EQ(attributes.DepositedText(3), "12345678901234");
  EXPECT_EQ(attributes.DepositedText(26), " 5");
  EXPECT_EQ(attributes.DepositedText(4), "");
  EXPECT_EQ(attributes.DepositedText(27), "");
  EXPECT_EQ(attributes.Entry(27), "");
  attributes.Fill(" ");
  EXPECT_EQ(attributes.Entry(3), " ");
}

TEST(RecordFields, CodeLengthDigit) {
  //                      0123456789012345678901234567890
  const std::string base = "A050324143005?0123456789ABCDEF1Text          ";
  ASSERT_EQ(base.size(), 45u);
  const auto withDigit = [&](char digit) {
    std::string record = base;
    record[13] = digit;
    return record;
  };
  EXPECT_EQ(RecordCode(withDigit('0')), "0");
  EXPECT_EQ(RecordCode(withDigit('4')), "01234");
  EXPECT_EQ(RecordCode(withDigit('9')), "0123456789");
  EXPECT_EQ(RecordCode(withDigit('A')), "0123456789A");
  EXPECT_EQ(RecordCode(withDigit('F')), "0123456789ABCDEF");
  for (const char other : {'a', 'f', 'G', ' ', 'x', '\xFF'}) {
    EXPECT_EQ(RecordCode(withDigit(other)), "0") << other;
  }
  EXPECT_EQ(CodeLengthDigitValue('F'), 15u);
  EXPECT_EQ(CodeLengthDigitValue('f'), 0u);
}

TEST(RecordFields, DateTimeTypeAndText) {
  const std::string record = "A050324143005F0123456789ABCDEF1Text of record";
  EXPECT_EQ(RecordDate(record), "05.03.24");
  EXPECT_EQ(RecordTime(record), "14:30:05");
  EXPECT_EQ(RecordCharAt(record, kRecordTypePosition), '1');
  EXPECT_EQ(RecordText(record), "Text of record");
  EXPECT_EQ(RecordText(record + "xy"), "xt of recordxy") << "the last 14 characters";
}

TEST(RecordFields, ShortRecordsAreReadSafely) {
  EXPECT_EQ(RecordCode(""), "");
  EXPECT_EQ(RecordCode("A0503241430059012"), "012");
  EXPECT_EQ(RecordCode("A050324143005F01"), "01");
  EXPECT_EQ(RecordCharAt("A05", 30), '\0');
  EXPECT_EQ(RecordDate("A0503"), "05.03.");
  EXPECT_EQ(RecordTime("A05"), "::");
  EXPECT_EQ(RecordText("short"), "short");
  EXPECT_EQ(RecordPart("abc", 1, 10), "bc");
  EXPECT_EQ(RecordPart("abc", 3, 1), "");
  EXPECT_EQ(RecordPart("abc", 99, 1), "");
}

}  // namespace
}  // namespace tagline::database
