// The reader link's skeleton over an in-process line.
#include "serial/reader_link.h"

#include <gtest/gtest.h>

#include "fake_job_context.h"

namespace tagline::serial {
namespace {

using app::Byte;
using app::FakeLine;

class ReaderLinkTest : public ::testing::Test {
 protected:
  void SetUp() override { exchange.portOpen = 1; }
  FakeLine line;
  CommandExchange exchange{line};
  ReaderLink link{exchange};
};

TEST_F(ReaderLinkTest, TransactLogsTheReplyWithItsContext) {
  line.On("XT", Byte(kAck));
  exchange.sendText = "old";
  ExchangeOptions how;
  how.echo = Echo::SendField;
  const Reply reply = link.Transact("XT", how, "Communication stopped");
  EXPECT_TRUE(reply.sent);
  EXPECT_TRUE(reply.ack());
  EXPECT_EQ(reply.logText(), "// ACK");
  EXPECT_EQ(exchange.sentPane, "XT\r\n");
  EXPECT_EQ(exchange.sendText, "XT");
  EXPECT_EQ(exchange.receivedPane, "// ACK, Communication stopped\r\n");
}

TEST_F(ReaderLinkTest, ClosedPortSendsAndLogsNothing) {
  exchange.portOpen = 0;
  const Reply reply = link.Transact("SV");
  EXPECT_FALSE(reply.sent);
  EXPECT_TRUE(line.commands().empty());
  EXPECT_TRUE(exchange.sentPane.empty());
  EXPECT_TRUE(exchange.receivedPane.empty());
}

TEST_F(ReaderLinkTest, QuietEchoLeavesThePanesAlone) {
  line.On("SV", app::Framed("B2.0"));
  ExchangeOptions how;
  how.wanted = 50;
  how.echo = Echo::None;
  const Reply reply = link.Exchange("SV", how);
  EXPECT_EQ(reply.text, FrameCommand("B2.0"));
  EXPECT_EQ(reply.cls, ReplyClass::Other);
  EXPECT_TRUE(exchange.sentPane.empty());
}

TEST_F(ReaderLinkTest, TokenRepeatsAreBoundedAndLogged) {
  line.On("tA", Byte(kBel));
  EXPECT_EQ(link.SendToken("tA___", 5, true), kBel);
  EXPECT_EQ(line.Count("tA"), 6u);
  // The five repeated replies are logged; the last one is the caller's.
  EXPECT_EQ(exchange.receivedPane, "// BEL\r\n// BEL\r\n// BEL\r\n// BEL\r\n// BEL\r\n");
}

TEST_F(ReaderLinkTest, FirstTokenIsNotRepeated) {
  line.On("t#", Byte(kBel));
  EXPECT_EQ(link.SendToken("t#___", 0, true), kBel);
  EXPECT_EQ(line.Count("t#"), 1u);
  EXPECT_TRUE(exchange.receivedPane.empty());
}

TEST_F(ReaderLinkTest, TokenAnsweredAfterARepeat) {
  int calls = 0;
  line.On("tC", [&calls](std::string_view) { return std::string(1, ++calls < 3 ? 'x' : kAck); });
  EXPECT_EQ(link.SendToken("tC___", 5, false), kAck);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(exchange.receivedPane.empty());
}

TEST_F(ReaderLinkTest, CollectUntilStopsAtAnEndByte) {
  line.On("RN", [](std::string_view) {
    return std::string(
        "\x02"
        "abc\x03"
        "rest");
  });
  link.Send("RN", Echo::None);
  EXPECT_EQ(link.CollectUntil(std::string{kEtx, kNak}, 500),
            "\x02"
            "abc\x03"
            "rest");
  EXPECT_EQ(link.CollectUntil(std::string{kEtx, kNak}, 3), "");
}

}  // namespace
}  // namespace tagline::serial

namespace tagline::serial {
namespace {

TEST_F(ReaderLinkTest, EndlessReplyIsCutAtItsBound) {
  line.On("TA", [](std::string_view) { return std::string(1 << 20, 'x'); });
  link.Send("TA", Echo::None);
  EXPECT_EQ(link.CollectUntil(std::string{kEtx, kNak}, 500).size(), 4096u);
}

TEST_F(ReaderLinkTest, LostLineEndsTheCollectionAtOnce) {
  line.Unplug();
  const int before = link.lostReads();
  EXPECT_EQ(link.CollectUntil(std::string{kEtx}, 500), "");
  EXPECT_EQ(link.lostReads(), before + 1);
}

TEST(PaneBounds, OnlineCodeWithoutAnEndStaysBounded) {
  FakeLine line;
  CommandExchange exchange{line};
  exchange.portOpen = 1;
  line.Push(std::string(kOnlineCodeByteLimit + 100, '7') + "12");
  EXPECT_TRUE(exchange.PollReceive(1));
  EXPECT_EQ(exchange.onlineBuffer.size(), kOnlineCodeByteLimit);
  EXPECT_EQ(exchange.onlineBuffer.substr(kOnlineCodeByteLimit - 3), "712");
}

TEST(PaneBounds, TextWithoutLineEndsStaysBounded) {
  FakeLine line;
  CommandExchange exchange{line};
  exchange.portOpen = 1;
  exchange.receivedPane = std::string(kPaneByteLimit, 'a');
  exchange.receivedPane += "tail";
  exchange.TrimPanes();
  EXPECT_EQ(exchange.receivedPane.size(), kPaneByteLimit);
  EXPECT_EQ(exchange.receivedPane.substr(kPaneByteLimit - 4), "tail");
}

}  // namespace
}  // namespace tagline::serial
