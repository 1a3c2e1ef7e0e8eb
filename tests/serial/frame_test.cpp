// SPDX-License-Identifier: Apache-2.0
#include "serial/frame.h"

#include <gtest/gtest.h>

#include "serial/reply.h"

namespace tagline::serial {
namespace {

TEST(Crc16, KnownCheckValues) {
  EXPECT_EQ(Crc16("123456789"), 0x2189u);
  EXPECT_EQ(Crc16("abc"), 0x58E9u);
  EXPECT_EQ(Crc16(""), 0u);
}

TEST(Crc16, UpdateIsBytewiseAndStaysSixteenBits) {
  unsigned crc = 0;
  for (unsigned char c : std::string("\xff\x80\x01\xfe", 4)) {
    Crc16Update(crc, c);
    EXPECT_LE(crc, 0xFFFFu);
  }
  EXPECT_EQ(crc, Crc16(std::string("\xff\x80\x01\xfe", 4)));
}

TEST(HexDigit, AllSixteenValues) {
  EXPECT_EQ(std::string(1, HexDigit(0)), "0");
  EXPECT_EQ(HexDigit(9), '9');
  EXPECT_EQ(HexDigit(10), 'A');
  EXPECT_EQ(HexDigit(15), 'F');
}

TEST(FrameCommand, ReferenceFrames) {
  EXPECT_EQ(FrameCommand("SV"), std::string("\x02SVCE2C\x03"));
  EXPECT_EQ(FrameCommand("XT"), std::string("\x02XT0996\x03"));
  EXPECT_EQ(FrameCommand("EC"), std::string("\x02"
                                            "EC4841\x03"));
  EXPECT_EQ(FrameCommand(""), std::string("\x02"
                                          "0000\x03"));
}

TEST(FrameCommand, HighBytesAreCoveredByTheCrc) {
  const std::string frame = FrameCommand("\xE4\xF6");
  ASSERT_EQ(frame.size(), 8u);
  EXPECT_EQ(frame.substr(3, 4), CrcDigits("\xE4\xF6"));
  EXPECT_NE(CrcDigits("\xE4\xF6"), CrcDigits("\x64\x76"));
}

TEST(ClassifyReply, FirstAndLastByte) {
  EXPECT_EQ(ClassifyReply(""), ReplyClass::NoAnswer);
  EXPECT_EQ(ClassifyReply("\x06"), ReplyClass::Ack);
  EXPECT_EQ(ClassifyReply("\x15"), ReplyClass::Nak);
  EXPECT_EQ(ClassifyReply("\x07"), ReplyClass::Bel);
  EXPECT_EQ(ClassifyReply("x\x06"), ReplyClass::Other);
  EXPECT_EQ(ClassifyReply("x\x06", ReplyByte::Last), ReplyClass::Ack);
  EXPECT_EQ(ClassifyReply("\x06x", ReplyByte::Last), ReplyClass::Other);
  EXPECT_EQ(ClassifyReply("", ReplyByte::Last), ReplyClass::NoAnswer);
}

TEST(ClassifyReply, LogTexts) {
  EXPECT_EQ(ReplyLogText(ReplyClass::Ack), "// ACK");
  EXPECT_EQ(ReplyLogText(ReplyClass::Nak), "// NAK");
  EXPECT_EQ(ReplyLogText(ReplyClass::Bel), "// BEL");
  EXPECT_EQ(ReplyLogText(ReplyClass::Other), "//");
  EXPECT_TRUE(ReplyLogText(ReplyClass::NoAnswer).empty());
}

}  // namespace
}  // namespace tagline::serial
