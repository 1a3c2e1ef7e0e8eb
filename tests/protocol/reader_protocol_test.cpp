// SPDX-License-Identifier: Apache-2.0
// The reader's commands as typed calls: what each sends, how long it collects, and what it
// makes of the reply.
#include "protocol/reader_protocol.h"

#include <gtest/gtest.h>

#include "fake_line.h"
#include "serial/frame.h"

namespace tagline::protocol {
namespace {

using serial::kAck;
using serial::kBel;
using serial::kNak;
using test::Byte;
using test::FakeLine;
using test::Framed;

class ReaderProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override { link.SetOpen(true); }
  test::FakeLine line;
  serial::ReaderLink link{line};
  ReaderProtocol reader{link};
};

TEST_F(ReaderProtocolTest, VersionPayloadDropsTheFrameByPosition) {
  line.On("SV", Framed("B2.1 VIP"));
  const Reply reply = reader.RequestVersion(serial::Echo::None);
  EXPECT_EQ(reply.payload, "B2.1 VIP");
  EXPECT_TRUE(reply.wholeFrame);
  EXPECT_EQ(reply.cls, serial::ReplyClass::Other);
}

TEST_F(ReaderProtocolTest, DamagedFrameIsNoWholeFrameButKeepsItsPositions) {
  std::string frame = serial::FrameCommand("B2.0");
  frame[4] = '1';  // one character off: the CRC digits no longer match
  line.On("SV", [frame](std::string_view) { return frame; });
  const Reply reply = reader.RequestVersion(serial::Echo::None);
  EXPECT_FALSE(reply.wholeFrame);
  EXPECT_EQ(reply.payload, "B2.1");
}

TEST_F(ReaderProtocolTest, CellReadTakesTheTwoValueCharacters) {
  line.On("S004", Framed("03"));
  const Reply reply = reader.ReadCell("004");
  EXPECT_EQ(line.commands(), std::vector<std::string>{"S004"});
  EXPECT_EQ(reply.payload, "03");
}

TEST_F(ReaderProtocolTest, CommunicationIsClassedByItsLastByte) {
  line.On("XT", [](std::string_view) { return std::string{'x', kAck}; });
  EXPECT_TRUE(reader.SwitchCommunication("XT", true).ack());
  // Shown only: nothing goes out.
  EXPECT_FALSE(reader.SwitchCommunication("s22400", false).answered());
  EXPECT_EQ(line.commands(), std::vector<std::string>{"XT"});
}

TEST_F(ReaderProtocolTest, AttributeRepeatsAfterBelAreBoundedAndReported) {
  line.On("tA", Byte(kBel));
  const TokenReply reply = reader.WriteAttribute("tA___", 5);
  EXPECT_EQ(reply.last, kBel);
  EXPECT_EQ(line.Count("tA"), 6u);
  EXPECT_EQ(reply.repeated.size(), 5u);
}

TEST_F(ReaderProtocolTest, FirstAttributeIsNotRepeated) {
  line.On("t#", Byte(kBel));
  const TokenReply reply = reader.WriteAttribute("t#___", 0);
  EXPECT_EQ(reply.last, kBel);
  EXPECT_EQ(line.Count("t#"), 1u);
  EXPECT_TRUE(reply.repeated.empty());
}

TEST_F(ReaderProtocolTest, AttributeAnsweredAfterARepeatOfAnUnexpectedByte) {
  int calls = 0;
  line.On("tC", [&calls](std::string_view) { return std::string(1, ++calls < 3 ? 'x' : kAck); });
  EXPECT_EQ(reader.WriteAttribute("tC___", 5).last, kAck);
  EXPECT_EQ(calls, 3);
}

TEST_F(ReaderProtocolTest, NextRecordGivesTheDataOfAWholeFrameOnly) {
  line.On("RN", Framed("0123456789"));
  Reply reply = reader.ReadNext(51);
  EXPECT_TRUE(reply.wholeFrame);
  EXPECT_EQ(reply.payload, "0123456789");
  line.On("RN", Byte(kNak));
  reply = reader.ReadNext(51);
  EXPECT_FALSE(reply.wholeFrame);
  EXPECT_TRUE(reply.payload.empty());
  EXPECT_EQ(reply.cls, serial::ReplyClass::Nak);
}

// A collected reply ends with its ETX or NAK: a refusal is not waited after.
TEST_F(ReaderProtocolTest, CollectionEndsAtTheEtxOrNak) {
  const auto readsFor = [this](FakeLine::Answer answer, const auto& call) {
    line.On("RN", answer);
    line.On("T", answer);
    const std::size_t before = line.reads();
    call();
    return line.reads() - before;
  };
  const auto next = [this] { reader.ReadNext(0); };
  const auto attribute = [this] { reader.ReadAttribute('A'); };
  const std::size_t frame = readsFor(Framed("0123456789"), next);
  EXPECT_LE(frame, 2u);  // the drain, then the reply
  EXPECT_EQ(readsFor(Byte(kNak), next), frame);
  EXPECT_EQ(readsFor(Framed("Herd"), attribute), 1u);
  EXPECT_EQ(readsFor(Byte(kNak), attribute), 1u);
  // Anything else is waited after, to the chunk limit.
  EXPECT_GT(readsFor(Byte(kBel), next), 100u);
}

TEST_F(ReaderProtocolTest, EraseIsPolledWithoutWaiting) {
  reader.StartErase();
  EXPECT_FALSE(reader.PollErase().answered());
  line.Push(std::string(1, kAck));
  EXPECT_TRUE(reader.PollErase().ack());
  EXPECT_EQ(line.commands(), std::vector<std::string>{"EC"});
}

}  // namespace
}  // namespace tagline::protocol
