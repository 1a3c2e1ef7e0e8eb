// SPDX-License-Identifier: Apache-2.0
// The terminal on a pseudo-terminal: the reader link with the panes' echo, the Send button,
// the receive poll and its ONLINE frame buffer, and the panes' trim.
#include "app/terminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "fake_line.h"
#include "pty_pair.h"
#include "serial/frame.h"
#include "serial/reader_link.h"
#include "serial/serial_port.h"
#include "sim/simulated_reader.h"

namespace tagline::app {
namespace {

using codes::FrameEnd;
using namespace serial;

ExchangeOptions Options(std::uint32_t wanted, std::uint32_t timeoutMs,
                        ReplyByte which = ReplyByte::First) {
  ExchangeOptions how;
  how.wanted = wanted;
  how.timeoutMs = timeoutMs;
  how.which = which;
  return how;
}

class ExchangeOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    port.SetMessageSink([this](const std::string& text) { messages.push_back(text); });
    port.SetSettings(pty.slavePath(), 19200, 8, 0, 0, 0, 0);
    ASSERT_TRUE(port.Open());
    link.SetOpen(true);
    link.AddObserver(panes);
  }
  void TearDown() override { link.RemoveObserver(panes); }
  // The exchange as a button runs it: the reply's log line and context, the line end, the
  // trim.
  Reply Transact(std::string_view command, const ExchangeOptions& how,
                 std::string_view context = {}) {
    if (!link.open()) return {};
    const Reply reply = link.Exchange(command, how);
    if (reply.answered()) panes.Log(reply.cls, context);
    panes.EndLine();
    panes.Trim();
    return reply;
  }
  // Device bytes that are already queued when the poll runs.
  bool PollWith(const std::string& bytes, int onlineMode = 0) {
    pty.SendQueued(bytes);
    return exchange.PollReceive(onlineMode);
  }
  // Answers the next command with `reply` once it has been written.
  std::thread AnswerWith(std::string reply) {
    return std::thread([this, reply] {
      written = pty.Receive(1000);
      pty.Send(reply);
    });
  }

  PtyPair pty;
  SerialPort port;
  ReaderLink link{port};
  Terminal exchange{link};
  Panes& panes = exchange.panes;
  std::vector<std::string> messages;
  std::string written;
};

TEST_F(ExchangeOnPty, LinkFramesLogsAndClassifiesTheFirstByte) {
  auto device = AnswerWith("\x06");
  const auto result = Transact("XT", Options(1, kReplyTimeoutMs), "Communication stopped");
  device.join();
  EXPECT_EQ(written, FrameCommand("XT"));
  EXPECT_TRUE(result.sent);
  EXPECT_EQ(result.cls, ReplyClass::Ack);
  EXPECT_EQ(panes.sent, "XT\r\n");
  EXPECT_EQ(panes.received, "// ACK, Communication stopped\r\n");
}

TEST_F(ExchangeOnPty, FirstByteAndLastByteCallersDisagreeOnTrailingAck) {
  auto device = AnswerWith("x\x06");
  auto result = Transact("XT", Options(2, kReplyTimeoutMs));
  device.join();
  EXPECT_EQ(result.cls, ReplyClass::Other);
  EXPECT_EQ(panes.received, "//\r\n");

  device = AnswerWith("x\x06");
  result = Transact("s22400", Options(2, kReplyTimeoutMs, ReplyByte::Last));
  device.join();
  EXPECT_EQ(result.cls, ReplyClass::Ack);
  EXPECT_EQ(panes.received, "//\r\n// ACK\r\n");
}

TEST_F(ExchangeOnPty, NoAnswerLeavesOnlyTheLineEnd) {
  const auto result = Transact("SV", Options(50, 30), "ignored");
  EXPECT_TRUE(result.sent);
  EXPECT_EQ(result.cls, ReplyClass::NoAnswer);
  EXPECT_EQ(panes.received, "\r\n");
  EXPECT_EQ(panes.sent, "SV\r\n");
}

TEST_F(ExchangeOnPty, StaleInputIsFlushedBeforeTheCommand) {
  pty.SendQueued("\x15stale");
  auto device = AnswerWith("\x06");
  const auto result = Transact("EC", Options(1, kReplyTimeoutMs));
  device.join();
  EXPECT_EQ(result.cls, ReplyClass::Ack);
  EXPECT_EQ(result.text, "\x06");
}

TEST_F(ExchangeOnPty, NothingIsSentWhileThePortFlagIsClear) {
  link.SetOpen(false);
  const auto result = Transact("SV", Options(50, 450));
  EXPECT_FALSE(result.sent);
  panes.sendText = "SV";
  exchange.OnSend(kProtocolFramed);
  EXPECT_FALSE(exchange.PollReceive(0));
  EXPECT_EQ(pty.Receive(50), "");
  EXPECT_TRUE(panes.sent.empty());
  EXPECT_TRUE(panes.received.empty());
}

TEST_F(ExchangeOnPty, SendInEachLineProtocol) {
  panes.sendText = "SV";
  exchange.OnSend(kProtocolFramed);
  EXPECT_EQ(pty.Receive(), FrameCommand("SV"));
  EXPECT_EQ(panes.sent, "SVCE2C");
  exchange.OnSend(kProtocolDataCr);
  EXPECT_EQ(pty.Receive(), "SV\r");
  exchange.OnSend(kProtocolData);
  EXPECT_EQ(pty.Receive(), "SV");
  exchange.OnSend(7);  // unknown values send framed
  EXPECT_EQ(pty.Receive(), FrameCommand("SV"));
  EXPECT_EQ(panes.sent, "SVCE2CSVSVSVCE2C");
  EXPECT_TRUE(panes.received.empty());
}

TEST_F(ExchangeOnPty, SendWithEmptyText) {
  panes.sendText.clear();
  exchange.OnSend(kProtocolFramed);
  EXPECT_EQ(pty.Receive(),
            "\x02"
            "0000\x03");
  exchange.OnSend(kProtocolDataCr);
  EXPECT_EQ(pty.Receive(), "\r");
  exchange.OnSend(kProtocolData);
  EXPECT_EQ(pty.Receive(50), "");
  EXPECT_EQ(panes.sent, "0000");
}

TEST_F(ExchangeOnPty, PollShowsLoneControlBytesAsLogLines) {
  EXPECT_TRUE(PollWith("\x06"));
  EXPECT_TRUE(PollWith("\x02\x15\x03"));
  EXPECT_TRUE(PollWith("\x07"));
  EXPECT_EQ(panes.received, "// ACK\r\n// NAK\r\n// BEL\r\n");
  EXPECT_EQ(panes.sent, "\r\n\r\n\r\n");
}

TEST_F(ExchangeOnPty, PollTurnsBareCarriageReturnsIntoLineEnds) {
  EXPECT_TRUE(PollWith("one\rtwo\r"));
  EXPECT_EQ(panes.received, "one\r\ntwo\r\n");
  panes.received.clear();
  EXPECT_TRUE(PollWith("a\r\nb\rc"));
  EXPECT_EQ(panes.received, "a\r\nb\rc");
}

TEST_F(ExchangeOnPty, PollDropsFramingAndZeroBytes) {
  EXPECT_TRUE(
      PollWith(std::string("\x02"
                           "KTR\0H9\x03",
                           8)));
  EXPECT_EQ(panes.received, "KTRH9");
  EXPECT_FALSE(exchange.PollReceive(0));  // nothing more: panes not pushed
}

TEST_F(ExchangeOnPty, PollObserverHearsEveryLineBeforeTheTrim) {
  std::string heard;
  exchange.SetPollObserver([&heard](std::string_view added) { heard += added; });
  std::string lines;
  for (int i = 0; i < 30; ++i) lines += "same\r\n";
  EXPECT_TRUE(PollWith(lines));
  EXPECT_TRUE(PollWith("\x06"));
  EXPECT_EQ(heard, lines + "// ACK\r\n");
  EXPECT_EQ(std::count(panes.received.begin(), panes.received.end(), '\r'), 20);
  // ONLINE mode: what the frame processing shows.
  heard.clear();
  exchange.SetOnlineFrameHandler([this](FrameEnd) {
    panes.received += exchange.online.buffer + "\r\n";
    exchange.online.buffer.clear();
  });
  EXPECT_TRUE(PollWith("12\r12\r", 1));
  EXPECT_EQ(heard, "12\r\n12\r\n");
  exchange.SetPollObserver({});
  EXPECT_TRUE(PollWith("34\r", 1));
  EXPECT_EQ(heard, "12\r\n12\r\n");
}

TEST_F(ExchangeOnPty, PollOnLostPortClearsTheFlag) {
  pty.Unplug();
  EXPECT_FALSE(exchange.PollReceive(0));
  EXPECT_FALSE(link.open());
  EXPECT_EQ(messages, std::vector<std::string>{"error com port had to be closed"});
  EXPECT_FALSE(exchange.PollReceive(0));
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ExchangeOnPty, OnlineCodeSplitOverTwoPollsIsHandedOnce) {
  std::vector<std::pair<std::string, FrameEnd>> frames;
  exchange.SetOnlineFrameHandler([&](FrameEnd end) {
    frames.emplace_back(exchange.online.buffer, end);
    exchange.online.buffer.clear();
  });
  EXPECT_TRUE(
      PollWith("\x02"
               "0123",
               1));
  EXPECT_TRUE(frames.empty());
  EXPECT_TRUE(PollWith(std::string("45\0"
                                   "67ABCD\x03",
                                   10),
                       2));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].first,
            "\x02"
            "01234567ABCD");
  EXPECT_EQ(frames[0].second, FrameEnd::Etx);
  EXPECT_TRUE(PollWith("999\r", 1));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1].first, "999");
  EXPECT_EQ(frames[1].second, FrameEnd::Cr);
  EXPECT_TRUE(panes.received.empty());
}

TEST_F(ExchangeOnPty, OnlineBufferSurvivesAModeSwitch) {
  std::vector<std::string> codes;
  exchange.SetOnlineFrameHandler([&](FrameEnd) {
    codes.push_back(exchange.online.buffer);
    exchange.online.buffer.clear();
  });
  EXPECT_TRUE(PollWith("12", 1));
  EXPECT_TRUE(PollWith("AB"));  // terminal mode shows it, the buffer stays
  EXPECT_EQ(panes.received, "AB");
  EXPECT_TRUE(PollWith("34\r", 1));
  EXPECT_EQ(codes, std::vector<std::string>{"1234"});
}

TEST(TrimPanes, TwentyFirstLineDropsTheFirstLineOfBothPanes) {
  Panes panes;
  for (int i = 0; i < 20; ++i) {
    panes.received += "r" + std::to_string(i) + "\r\n";
    panes.sent += "s" + std::to_string(i) + "\r\n";
  }
  panes.Trim();
  EXPECT_EQ(panes.received.substr(0, 4), "r0\r\n");
  panes.received += "r20\r\n";
  panes.sent += "s20\r\n";
  panes.Trim();
  EXPECT_EQ(panes.received.substr(0, 4), "r1\r\n");
  EXPECT_EQ(panes.sent.substr(0, 4), "s1\r\n");
  EXPECT_EQ(std::count(panes.received.begin(), panes.received.end(), '\r'), 20);
}

TEST(TrimPanes, SentPaneIsCutAsOftenAsTheReceivedPaneHasExtraLines) {
  Panes panes;
  for (int i = 0; i < 23; ++i) panes.received += "x\r\n";
  panes.sent = "a\r\nb\r\n";  // fewer lines than there are to cut
  panes.Trim();
  EXPECT_EQ(std::count(panes.received.begin(), panes.received.end(), '\r'), 20);
  EXPECT_EQ(panes.sent, "");
  panes.received = std::string(21, '\r');  // bare CRs: each cut takes the next CR too
  panes.Trim();
  EXPECT_EQ(panes.received.size(), 19u);
}

TEST(ExchangeWithSimulator, VersionRequestGetsTheFramedVersion) {
  sim::SimOptions options;
  options.version = "KTR H9 V4.30054";
  options.latencyMs = 2;
  std::string error;
  auto reader = sim::SimulatedReader::Start(options, error);
  ASSERT_TRUE(reader) << error;
  SerialPort port;
  port.SetSettings(reader->DevicePath(), 19200, 8, 0, 0, 0, 0);
  ASSERT_TRUE(port.Open());
  ReaderLink link(port);
  link.SetOpen(true);
  const auto result = link.Exchange("SV", Options(50, 450));
  EXPECT_EQ(result.text, FrameCommand("KTR H9 V4.30054"));
  EXPECT_EQ(result.cls, ReplyClass::Other);
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

TEST(PaneBounds, OnlineCodeWithoutAnEndStaysBounded) {
  test::FakeLine line;
  serial::ReaderLink link{line};
  link.SetOpen(true);
  Terminal terminal{link};
  line.Push(std::string(kOnlineCodeByteLimit + 100, '7') + "12");
  EXPECT_TRUE(terminal.PollReceive(1));
  EXPECT_EQ(terminal.online.buffer.size(), kOnlineCodeByteLimit);
  EXPECT_EQ(terminal.online.buffer.substr(kOnlineCodeByteLimit - 3), "712");
}

TEST(PaneBounds, TextWithoutLineEndsStaysBounded) {
  Panes panes;
  panes.received = std::string(kPaneByteLimit, 'a');
  panes.received += "tail";
  panes.Trim();
  EXPECT_EQ(panes.received.size(), kPaneByteLimit);
  EXPECT_EQ(panes.received.substr(kPaneByteLimit - 4), "tail");
}

}  // namespace
}  // namespace tagline::app
