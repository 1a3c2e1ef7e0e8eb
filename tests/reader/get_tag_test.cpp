// SPDX-License-Identifier: Apache-2.0
// Get Tag and continuous reading against the simulated reader.
#include <gtest/gtest.h>

#include "codes/iso_code.h"
#include "dialog_fixture.h"
#include "serial/frame.h"
#include "test_clock.h"

namespace tagline::app {
namespace {

class GetTagTest : public DialogFixture {
 protected:
  void StartWith(const std::string& config) {
    WriteIni("[CONFIG]\r\n" + config);
    StartWithSimulator();
  }
  void Read() { dialog->OnCommand(ctl::kGtOnce); }
};

TEST_F(GetTagTest, HdxCodeInTheReadersOutputFormat) {
  StartWith("fragmentation=4\r\nbeeper=1\r\n");
  device->SetTag('6', "9180451CBE991A14");
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "276 123456789012");
  EXPECT_EQ(Text(ctl::kReceived), "276 123456789012\r\n");
  EXPECT_EQ(Text(ctl::kSent), "GT\r\n");
  EXPECT_EQ(Text(ctl::kToSend), "GT");
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "GT"}));
  EXPECT_EQ(host.beeps(), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{750, 100}}));
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(GetTagTest, TypeWordAndTimeStamp) {
  StartWith("fragmentation=4\r\nonltyp=1\r\ntime=1\r\n");
  dialog->SetLocalClock(December7th2026);
  device->SetTag('6', "9180451CBE991A14");
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "HDX 07.12.26 03:27:00 276 123456789012");
  EXPECT_TRUE(host.beeps().empty());
}

TEST_F(GetTagTest, SameCodeAsFdxIsReadInTransmissionOrder) {
  StartWith("fragmentation=1\r\n");
  device->SetTag('1', "9180451CBE991A14");
  Read();
  const std::string fdx = Text(ctl::kGtResult);
  device->SetTag('6', "9180451CBE991A14");
  Read();
  EXPECT_EQ(fdx, codes::DecodeFullAnimal("9180451CBE991A14", codes::BitOrder::TransmissionOrder));
  EXPECT_NE(fdx, Text(ctl::kGtResult));
}

TEST_F(GetTagTest, NoReadShowsTheReplyWithoutTypeOrBeep) {
  StartWith("fragmentation=4\r\nonltyp=1\r\nbeeper=1\r\n");
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "NoREAD");
  EXPECT_TRUE(host.beeps().empty());
}

TEST_F(GetTagTest, UidShowsItsFirstEightCharacters) {
  StartWith("fragmentation=4\r\n");
  device->SetTag('C', "0123456789ABCDEF");
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "01234567");
}

TEST_F(GetTagTest, FormatErrorShowsTheRawCodeOrClearsThePanes) {
  // An industry code has the animal flag clear: the animal decoder rejects it.
  const std::string industry =
      codes::EncodeIsoIndustry("276 123456789012", "0", "0", codes::BitOrder::TransmissionOrder);
  ASSERT_TRUE(codes::DecodeIsoAnimal(industry, codes::BitOrder::TransmissionOrder).empty());
  StartWith("fragmentation=4\r\nshowbadframe=1\r\nbeeper=1\r\n");
  device->SetTag('1', industry);
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), industry);
  EXPECT_EQ(host.beeps().size(), 3u);
  EXPECT_EQ(host.beeps()[0], (std::pair<std::uint32_t, std::uint32_t>{970, 60}));

  dialog->settings().showbadframe = 0;
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "");
  EXPECT_EQ(Text(ctl::kReceived), "\r\n");
}

TEST_F(GetTagTest, OutputFormatZeroShowsEveryCodeUnchanged) {
  StartWith("fragmentation=0\r\nbeeper=1\r\n");
  device->SetTag('1', "9180451CBE991A14");
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "9180451CBE991A14");
  device->SetTag('3', "ABCDEF");
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "ABCDEF");
  for (const auto& beep : host.beeps()) EXPECT_EQ(beep.first, 750u);
}

TEST_F(GetTagTest, UnframedReplyIsShownAsItIs) {
  StartWith("fragmentation=4\r\n");
  reader->SetHandler("GT", [](std::string_view) { return std::string("plain\r"); });
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "plain\r");
}

TEST_F(GetTagTest, NoReaderSendsNoRequest) {
  StartWith("fragmentation=4\r\n");
  reader->SetHandler("SV", [](std::string_view) { return std::string(); });
  Read();
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
  EXPECT_EQ(Text(ctl::kSent), "");
  EXPECT_TRUE(host.messages().empty());
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(GetTagTest, RestOfALongVersionReplyIsNotTakenForTheTag) {
  // 60 characters: the probe takes 32 bytes, the rest is still on the line.
  const std::string version = "KTR H9 V4.30054 " + std::string(44, 'x');
  WriteIni("[CONFIG]\r\nfragmentation=4\r\n");
  StartWithSimulator(version, true);
  device->SetTag('6', "9180451CBE991A14");
  Read();
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "GT"}));
  EXPECT_EQ(Text(ctl::kGtResult), "276 123456789012");
  EXPECT_EQ(Text(ctl::kReceived), "276 123456789012\r\n");
  EXPECT_TRUE(dialog->LastCommandResult().ok);
}

TEST_F(GetTagTest, OnlyACodeCountsAsATagRead) {
  StartWith("fragmentation=4\r\n");
  Read();  // no tag in the field
  EXPECT_EQ(Text(ctl::kGtResult), "NoREAD");
  EXPECT_FALSE(dialog->LastCommandResult().ok);

  device->SetTag('6', "9180451CBE991A14");
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "276 123456789012");
  EXPECT_TRUE(dialog->LastCommandResult().ok);

  for (const char refusal : {serial::kNak, serial::kBel}) {
    reader->SetHandler("GT", [refusal](std::string_view) { return std::string(1, refusal); });
    Read();
    EXPECT_EQ(Text(ctl::kGtResult), std::string(1, refusal));
    EXPECT_FALSE(dialog->LastCommandResult().ok) << int{refusal};
  }
  reader->SetHandler("GT", [](std::string_view) { return serial::FrameCommand("\x15"); });
  Read();
  EXPECT_FALSE(dialog->LastCommandResult().ok);
  reader->SetHandler("GT", [](std::string_view) { return std::string(); });
  Read();
  EXPECT_EQ(Text(ctl::kGtResult), "");
  EXPECT_FALSE(dialog->LastCommandResult().ok);
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "GT"), 6);
}

TEST_F(GetTagTest, ContinuousReadingStopsWhenTheMouseMovesTooFar) {
  StartWith("fragmentation=4\r\n");
  device->SetTag('6', "9180451CBE991A14");
  host.SetCursor({100, 100});
  dialog->controls().UserSetChecked(ctl::kGt, true);
  dialog->OnCommand(ctl::kGt);
  EXPECT_TRUE(host.TimerActive(timer::kGetTag));
  host.SetCursor({134, 106});  // within 34 and 6 pixels
  host.RunFor(450);
  EXPECT_TRUE(host.TimerActive(timer::kGetTag));
  EXPECT_TRUE(dialog->controls().at(ctl::kGt).checked);
  const auto commands = reader->Commands();
  const auto reads = std::count(commands.begin(), commands.end(), "GT");
  EXPECT_GE(reads, 2);
  host.SetCursor({135, 100});
  host.RunFor(250);
  EXPECT_FALSE(host.TimerActive(timer::kGetTag));
  EXPECT_FALSE(dialog->controls().at(ctl::kGt).checked);
}

}  // namespace
}  // namespace tagline::app
