// SPDX-License-Identifier: Apache-2.0
// The reader link over an in-process line: framing, the reports to its observers, and the
// bounds of a collected reply.
#include "serial/reader_link.h"

#include <gtest/gtest.h>

#include "fake_line.h"
#include "serial/frame.h"

namespace tagline::serial {
namespace {

using test::FakeLine;
using test::Framed;

// Everything the link reports, as one text: "cmd:SV/1", "w:<bytes>", "r:<bytes>", "lost".
class RecordingObserver : public LinkObserver {
 public:
  void OnCommand(std::string_view command, Echo echo) override {
    events.push_back("cmd:" + std::string(command) + "/" + std::to_string(static_cast<int>(echo)));
  }
  void OnWritten(std::string_view bytes) override { events.push_back("w:" + std::string(bytes)); }
  void OnRead(std::string_view bytes) override { events.push_back("r:" + std::string(bytes)); }
  void OnLost() override { events.push_back("lost"); }
  std::vector<std::string> events;
};

class ReaderLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link.SetOpen(true);
    link.AddObserver(observer);
  }
  FakeLine line;
  ReaderLink link{line};
  RecordingObserver observer;
};

TEST_F(ReaderLinkTest, ExchangeFramesClassifiesAndReportsEveryByte) {
  line.On("XT", test::Byte(kAck));
  ExchangeOptions how;
  how.echo = Echo::SendField;
  const Reply reply = link.Exchange("XT", how);
  EXPECT_TRUE(reply.sent);
  EXPECT_TRUE(reply.ack());
  EXPECT_EQ(line.commands(), std::vector<std::string>{"XT"});
  EXPECT_EQ(observer.events, (std::vector<std::string>{"w:" + FrameCommand("XT"), "cmd:XT/2",
                                                       "r:" + std::string(1, kAck)}));
}

TEST_F(ReaderLinkTest, QuietEchoIsReportedAsSuch) {
  line.On("SV", Framed("B2.0"));
  ExchangeOptions how;
  how.wanted = 50;
  how.echo = Echo::None;
  const Reply reply = link.Exchange("SV", how);
  EXPECT_EQ(reply.text, FrameCommand("B2.0"));
  EXPECT_EQ(reply.cls, ReplyClass::Other);
  EXPECT_EQ(observer.events.at(1), "cmd:SV/0");
}

TEST_F(ReaderLinkTest, RemovedObserverHearsNothingMore) {
  link.RemoveObserver(observer);
  link.Send("SV");
  EXPECT_TRUE(observer.events.empty());
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
  EXPECT_EQ(observer.events, std::vector<std::string>{"lost"});
}

}  // namespace
}  // namespace tagline::serial
