// SPDX-License-Identifier: Apache-2.0
// ONLINE mode with a reader that cannot be trusted: only whole frames, and of them only tag
// codes, reach the keyboard; the CRC digits never do.
#include <gtest/gtest.h>

#include <string>

#include "codes/online_code_check.h"
#include "online_fixture.h"
#include "serial/frame.h"

namespace tagline::app {
namespace {

using codes::FrameEnd;

std::string WithCrc(const std::string& code) {
  return code + serial::CrcDigits(code);
}

TEST_F(OnlineTest, FramedCodeIsTypedWithoutItsCrc) {
  StartOnline("add_start_1=\"<tab>\"\r\nadd_end_1=\";\"\r\n");
  Receive(WithCrc("1234"), FrameEnd::Etx);
  EXPECT_EQ(keys->characters(), "\t1234\r\n;");
  EXPECT_EQ(dialog->terminal().online.lastCode, "1234\r\n");
  EXPECT_TRUE(dialog->terminal().online.crcSeen);
}

TEST_F(OnlineTest, DamagedFrameIsShownNotTypedAndNotRemembered) {
  StartOnline();
  std::string damaged = WithCrc("1234");
  damaged.back() = damaged.back() == '0' ? '1' : '0';
  Receive(damaged, FrameEnd::Etx);
  EXPECT_EQ(keys->characters(), "");
  EXPECT_EQ(dialog->terminal().panes.received,
            damaged + "\r\n// damaged code (CRC), not typed\r\n");
  EXPECT_EQ(dialog->terminal().online.lastCode, "");
  // The same code arriving whole next is no double of the damaged one.
  Receive(WithCrc("1234"), FrameEnd::Etx);
  EXPECT_EQ(keys->characters(), "1234\r\n");
}

TEST_F(OnlineTest, FrameWithoutCrcIsDamagedOnceTheReaderSentOne) {
  StartOnline();
  Receive("123", FrameEnd::Etx);  // too short to hold a CRC: a reader without them
  EXPECT_EQ(keys->characters(), "123\r\n");
  Receive(WithCrc("4567"), FrameEnd::Etx);
  Receive("123", FrameEnd::Etx);
  EXPECT_EQ(keys->characters(), "123\r\n4567\r\n");
  // CR frames carry no CRC in any case.
  Receive("89");
  EXPECT_EQ(keys->characters(), "123\r\n4567\r\n89\r\n");
}

TEST_F(OnlineTest, TextsThatAreNoTagCodesTypeNothing) {
  StartOnline();
  const std::string hostile[] = {
      "rm -rf ~",
      "touch /tmp/x; echo",
      "\x1b]0;retitled\x07",
      "12\x1b[2J34",
      "00\x08\x08\x08rm -rf .",
      "12\x7f"
      "34",
      std::string(5000, '7'),
      "1234\tA",
      WithCrc("cat /etc/passwd"),
  };
  for (const std::string& text : hostile) {
    Receive(text);
    Receive(text, FrameEnd::Etx);
  }
  EXPECT_EQ(keys->characters(), "");
  EXPECT_TRUE(keys->events().empty());
  EXPECT_EQ(dialog->terminal().online.lastCode, "");
}

TEST_F(OnlineTest, CodesUpToTheLengthLimitAreTyped) {
  StartOnline();
  const std::string longest(codes::kMaxTypedCodeLength, '1');
  Receive(longest + "1");
  Receive(longest);
  EXPECT_EQ(keys->characters(), longest + "\r\n");
  // The decoded forms keep their blank, "_" and ".".
  keys->Clear();
  for (const char* code : {"276 123456789012", "200_1234567", "12.34"}) Receive(code);
  EXPECT_EQ(keys->characters(), "276 123456789012\r\n200_1234567\r\n12.34\r\n");
}

TEST_F(OnlineTest, ConversionsWorkOnTheCodeAlone) {
  struct Case {
    const char* settings;
    const char* code;
    const char* typed;
  };
  for (const Case& c : {Case{"hex2dez=1\r\n", "12345678", "305419896\r\n"},
                        Case{"invert=1\r\n", "12345678", "1E6A2C48\r\n"},
                        Case{"hex210dez=1\r\n", "12345678", "0305419896\r\n"},
                        Case{"hex2iso=1\r\n", "9180451CBE991A14", "276 123456789012\r\n"},
                        Case{"hex2iso=1\r\nadd_start_1=\"ID \"\r\nadd_end_1=\"<tab>\"\r\n",
                             "9180451CBE991A14", "ID 276 123456789012\r\n\t"}}) {
    StartOnline(c.settings);
    Receive(WithCrc(c.code), FrameEnd::Etx);
    EXPECT_EQ(keys->characters(), c.typed) << c.settings;
    dialog.reset();
  }
}

TEST_F(OnlineTest, TypeAnyTextLetsTextsThroughButNoControlBytes) {
  StartOnline({}, "type_any_text=1\r\n");
  Receive("rm -rf ~");
  Receive("a\x1b[2Jb");
  EXPECT_EQ(keys->characters(), "rm -rf ~\r\na[2Jb\r\n");
  // A valid CRC is still taken off.
  keys->Clear();
  Receive(WithCrc("ABC"), FrameEnd::Etx);
  EXPECT_EQ(keys->characters(), "ABC\r\n");
}

TEST_F(OnlineTest, DamagedFrameIsNotAcknowledged) {
  WriteIni("[ONLINE]\r\nonline=1\r\n");
  StartWithSimulator();
  auto recorder = std::make_unique<platform::RecordingKeyboard>();
  keys = recorder.get();
  dialog->SetKeyboard(std::move(recorder));
  std::string damaged = WithCrc("00FF");
  damaged.back() = damaged.back() == '0' ? '1' : '0';
  Receive(damaged, FrameEnd::Etx);
  Receive(WithCrc("00FF"), FrameEnd::Etx);
  ASSERT_TRUE(reader->WaitForCommands(1, 1000));
  host.RunFor(100);
  // One acknowledgement: the whole frame's.
  const std::string raw = reader->RawReceived();
  EXPECT_EQ(raw.find("\x02\x06\x03"), raw.rfind("\x02\x06\x03"));
  EXPECT_NE(raw.find("\x02\x06\x03"), std::string::npos);
  EXPECT_EQ(keys->characters(), "00FF\r\n");
}

}  // namespace
}  // namespace tagline::app
