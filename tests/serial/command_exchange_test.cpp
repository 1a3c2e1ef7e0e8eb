#include "serial/command_exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "pty_pair.h"
#include "serial/frame.h"
#include "serial/reader_link.h"
#include "serial/serial_port.h"
#include "sim/simulated_reader.h"

namespace tagline::serial {
namespace {

using FrameEnd = CommandExchange::FrameEnd;

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
    exchange.portOpen = 1;
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
  CommandExchange exchange{port};
  ReaderLink link{exchange};
  std::vector<std::string> messages;
  std::string written;
};

TEST_F(ExchangeOnPty, LinkFramesLogsAndClassifiesTheFirstByte) {
  auto device = AnswerWith("\x06");
  const auto result = link.Transact("XT", Options(1, kReplyTimeoutMs), "Communication stopped");
  device.join();
  EXPECT_EQ(written, FrameCommand("XT"));
  EXPECT_TRUE(result.sent);
  EXPECT_EQ(result.cls, ReplyClass::Ack);
  EXPECT_EQ(result.logText(), "// ACK");
  EXPECT_EQ(exchange.sentPane, "XT\r\n");
  EXPECT_EQ(exchange.receivedPane, "// ACK, Communication stopped\r\n");
}

TEST_F(ExchangeOnPty, FirstByteAndLastByteCallersDisagreeOnTrailingAck) {
  auto device = AnswerWith("x\x06");
  auto result = link.Transact("XT", Options(2, kReplyTimeoutMs));
  device.join();
  EXPECT_EQ(result.cls, ReplyClass::Other);
  EXPECT_EQ(exchange.receivedPane, "//\r\n");

  device = AnswerWith("x\x06");
  result = link.Transact("s22400", Options(2, kReplyTimeoutMs, ReplyByte::Last));
  device.join();
  EXPECT_EQ(result.cls, ReplyClass::Ack);
  EXPECT_EQ(exchange.receivedPane, "//\r\n// ACK\r\n");
}

TEST_F(ExchangeOnPty, NoAnswerLeavesOnlyTheLineEnd) {
  const auto result = link.Transact("SV", Options(50, 30), "ignored");
  EXPECT_TRUE(result.sent);
  EXPECT_EQ(result.cls, ReplyClass::NoAnswer);
  EXPECT_TRUE(result.logText().empty());
  EXPECT_EQ(exchange.receivedPane, "\r\n");
  EXPECT_EQ(exchange.sentPane, "SV\r\n");
}

TEST_F(ExchangeOnPty, StaleInputIsFlushedBeforeTheCommand) {
  pty.SendQueued("\x15stale");
  auto device = AnswerWith("\x06");
  const auto result = link.Transact("EC", Options(1, kReplyTimeoutMs));
  device.join();
  EXPECT_EQ(result.cls, ReplyClass::Ack);
  EXPECT_EQ(result.text, "\x06");
}

TEST_F(ExchangeOnPty, NothingIsSentWhileThePortFlagIsClear) {
  exchange.portOpen = 0;
  const auto result = link.Transact("SV", Options(50, 450));
  EXPECT_FALSE(result.sent);
  exchange.sendText = "SV";
  exchange.OnSend(kProtocolFramed);
  EXPECT_FALSE(exchange.PollReceive(0));
  EXPECT_EQ(pty.Receive(50), "");
  EXPECT_TRUE(exchange.sentPane.empty());
  EXPECT_TRUE(exchange.receivedPane.empty());
}

TEST_F(ExchangeOnPty, SendInEachLineProtocol) {
  exchange.sendText = "SV";
  exchange.OnSend(kProtocolFramed);
  EXPECT_EQ(pty.Receive(), FrameCommand("SV"));
  EXPECT_EQ(exchange.sentPane, "SVCE2C");
  exchange.OnSend(kProtocolDataCr);
  EXPECT_EQ(pty.Receive(), "SV\r");
  exchange.OnSend(kProtocolData);
  EXPECT_EQ(pty.Receive(), "SV");
  exchange.OnSend(7);  // unknown values send framed
  EXPECT_EQ(pty.Receive(), FrameCommand("SV"));
  EXPECT_EQ(exchange.sentPane, "SVCE2CSVSVSVCE2C");
  EXPECT_TRUE(exchange.receivedPane.empty());
}

TEST_F(ExchangeOnPty, SendWithEmptyText) {
  exchange.sendText.clear();
  exchange.OnSend(kProtocolFramed);
  EXPECT_EQ(pty.Receive(),
            "\x02"
            "0000\x03");
  exchange.OnSend(kProtocolDataCr);
  EXPECT_EQ(pty.Receive(), "\r");
  exchange.OnSend(kProtocolData);
  EXPECT_EQ(pty.Receive(50), "");
  EXPECT_EQ(exchange.sentPane, "0000");
}

TEST_F(ExchangeOnPty, PollShowsLoneControlBytesAsLogLines) {
  EXPECT_TRUE(PollWith("\x06"));
  EXPECT_TRUE(PollWith("\x02\x15\x03"));
  EXPECT_TRUE(PollWith("\x07"));
  EXPECT_EQ(exchange.receivedPane, "// ACK\r\n// NAK\r\n// BEL\r\n");
  EXPECT_EQ(exchange.sentPane, "\r\n\r\n\r\n");
}

TEST_F(ExchangeOnPty, PollTurnsBareCarriageReturnsIntoLineEnds) {
  EXPECT_TRUE(PollWith("one\rtwo\r"));
  EXPECT_EQ(exchange.receivedPane, "one\r\ntwo\r\n");
  exchange.receivedPane.clear();
  EXPECT_TRUE(PollWith("a\r\nb\rc"));
  EXPECT_EQ(exchange.receivedPane, "a\r\nb\rc");
}

TEST_F(ExchangeOnPty, PollDropsFramingAndZeroBytes) {
  EXPECT_TRUE(
      PollWith(std::string("\x02"
                           "KTR\0H9\x03",
                           8)));
  EXPECT_EQ(exchange.receivedPane, "KTRH9");
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
  EXPECT_EQ(std::count(exchange.receivedPane.begin(), exchange.receivedPane.end(), '\r'), 20);
  // ONLINE mode: what the frame processing shows.
  heard.clear();
  exchange.SetOnlineFrameHandler([](CommandExchange& ex, FrameEnd) {
    ex.receivedPane += ex.onlineBuffer + "\r\n";
    ex.onlineBuffer.clear();
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
  EXPECT_EQ(exchange.portOpen, 0);
  EXPECT_EQ(messages, std::vector<std::string>{"error com port had to be closed"});
  EXPECT_FALSE(exchange.PollReceive(0));
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ExchangeOnPty, OnlineCodeSplitOverTwoPollsIsHandedOnce) {
  std::vector<std::pair<std::string, FrameEnd>> frames;
  exchange.SetOnlineFrameHandler([&](CommandExchange& ex, FrameEnd end) {
    frames.emplace_back(ex.onlineBuffer, end);
    ex.onlineBuffer.clear();
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
  EXPECT_TRUE(exchange.receivedPane.empty());
}

TEST_F(ExchangeOnPty, OnlineBufferSurvivesAModeSwitch) {
  std::vector<std::string> codes;
  exchange.SetOnlineFrameHandler([&](CommandExchange& ex, FrameEnd) {
    codes.push_back(ex.onlineBuffer);
    ex.onlineBuffer.clear();
  });
  EXPECT_TRUE(PollWith("12", 1));
  EXPECT_TRUE(PollWith("AB"));  // terminal mode shows it, the buffer stays
  EXPECT_EQ(exchange.receivedPane, "AB");
  EXPECT_TRUE(PollWith("34\r", 1));
  EXPECT_EQ(codes, std::vector<std::string>{"1234"});
}

TEST(TrimPanes, TwentyFirstLineDropsTheFirstLineOfBothPanes) {
  SerialPort port;
  CommandExchange exchange(port);
  for (int i = 0; i < 20; ++i) {
    exchange.receivedPane += "r" + std::to_string(i) + "\r\n";
    exchange.sentPane += "s" + std::to_string(i) + "\r\n";
  }
  exchange.TrimPanes();
  EXPECT_EQ(exchange.receivedPane.substr(0, 4), "r0\r\n");
  exchange.receivedPane += "r20\r\n";
  exchange.sentPane += "s20\r\n";
  exchange.TrimPanes();
  EXPECT_EQ(exchange.receivedPane.substr(0, 4), "r1\r\n");
  EXPECT_EQ(exchange.sentPane.substr(0, 4), "s1\r\n");
  EXPECT_EQ(std::count(exchange.receivedPane.begin(), exchange.receivedPane.end(), '\r'), 20);
}

TEST(TrimPanes, SentPaneIsCutAsOftenAsTheReceivedPaneHasExtraLines) {
  SerialPort port;
  CommandExchange exchange(port);
  for (int i = 0; i < 23; ++i) exchange.receivedPane += "x\r\n";
  exchange.sentPane = "a\r\nb\r\n";  // fewer lines than there are to cut
  exchange.TrimPanes();
  EXPECT_EQ(std::count(exchange.receivedPane.begin(), exchange.receivedPane.end(), '\r'), 20);
  EXPECT_EQ(exchange.sentPane, "");
  exchange.receivedPane = std::string(21, '\r');  // bare CRs: each cut takes the next CR too
  exchange.TrimPanes();
  EXPECT_EQ(exchange.receivedPane.size(), 19u);
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
  CommandExchange exchange(port);
  ReaderLink link(exchange);
  exchange.portOpen = 1;
  const auto result = link.Transact("SV", Options(50, 450));
  EXPECT_EQ(result.text, FrameCommand("KTR H9 V4.30054"));
  EXPECT_EQ(result.cls, ReplyClass::Other);
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
}

}  // namespace
}  // namespace tagline::serial
