// SPDX-License-Identifier: Apache-2.0
// Communication control, database test and the reader's clock against the simulated reader.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/window_environment.h"
#include "dialog_fixture.h"
#include "reader/reader_clock.h"
#include "serial/frame.h"
#include "test_clock.h"

namespace tagline::app {
namespace {

class ReaderCommandsTest : public DialogFixture {
 protected:
  // The factory job's clock step, shown in the factory row as the job's window shows it.
  bool SetClockAsFactoryStep() {
    WindowEnvironment env(*dialog, {ctl::kFactoryDefault, &DialogFields::factoryResult});
    const bool set = reader::SetReaderClock(env);
    dialog->PushControls();
    return set;
  }
};

TEST_F(ReaderCommandsTest, TogglingReaderSwitchesCommunicationBothWays) {
  StartWithSimulator("KTR H9 V4.30054");
  EXPECT_EQ(Text(ctl::kXt), "s22400");
  dialog->OnCommand(ctl::kXt);
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "s22400"}));
  EXPECT_EQ(Text(ctl::kXt), "XT");
  EXPECT_EQ(Text(ctl::kCommLabel).substr(0, 20), " Exit Communication ");
  EXPECT_EQ(Text(ctl::kCommResult), "// ACK");
  EXPECT_EQ(Text(ctl::kToSend), "s22400");
  dialog->OnCommand(ctl::kXt);
  EXPECT_EQ(reader->Commands().back(), "XT");
  EXPECT_EQ(Text(ctl::kXt), "s22400");
  EXPECT_EQ(Text(ctl::kCommLabel).substr(0, 25), " Establish Communication ");
  EXPECT_FALSE(device->CommunicationOpen());
  EXPECT_EQ(Text(ctl::kSent), "s22400\r\nXT\r\n");
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(ReaderCommandsTest, OtherReadersOnlyLogTheFirstPressThenSendXt) {
  StartWithSimulator("V2.60018");
  dialog->OnCommand(ctl::kXt);
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
  EXPECT_EQ(Text(ctl::kSent), "s22400\r\n");
  EXPECT_EQ(Text(ctl::kXt), "XT");
  EXPECT_EQ(Text(ctl::kCommResult), "");
  for (int i = 0; i < 2; ++i) {
    dialog->OnCommand(ctl::kXt);
    EXPECT_EQ(reader->Commands().back(), "XT");
    EXPECT_EQ(Text(ctl::kXt), "XT");
  }
}

TEST_F(ReaderCommandsTest, NamedHalvesGoToTheReaderOnEveryModel) {
  for (const char* version : {"KTR H9 V4.30054", "V2.60018"}) {  // toggling, not toggling
    StartWithSimulator(version);
    dialog->SwitchCommunication(false);
    EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "XT"})) << version;
    EXPECT_FALSE(device->CommunicationOpen());
    EXPECT_TRUE(dialog->LastCommandResult().ok);
    EXPECT_EQ(Text(ctl::kCommResult), "// ACK");
    reader->ClearRecord();
    dialog->SwitchCommunication(true);
    EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "s22400"})) << version;
    EXPECT_TRUE(device->CommunicationOpen());
    EXPECT_TRUE(dialog->LastCommandResult().ok);
    EXPECT_EQ(Text(ctl::kSent), "XT\r\ns22400\r\n");
    EXPECT_EQ(Text(ctl::kXt), "XT");  // the row offers the other half now
    dialog.reset();
    reader.reset();
  }
}

TEST_F(ReaderCommandsTest, RefusedHalfIsReportedAsFailed) {
  StartWithSimulator("V2.60018");
  device->RefuseCell(0x224, serial::kNak);
  dialog->SwitchCommunication(true);
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "s22400"}));
  EXPECT_EQ(Text(ctl::kCommResult), "// NAK");
  EXPECT_FALSE(dialog->LastCommandResult().ok);
}

TEST_F(ReaderCommandsTest, CommunicationReplyIsClassifiedByItsLastByte) {
  StartWithSimulator("KTR H9 V4.30054");
  reader->SetHandler("s2", [](std::string_view) { return std::string("x\x06"); });
  dialog->OnCommand(ctl::kXt);
  EXPECT_EQ(Text(ctl::kCommResult), "// ACK");
  EXPECT_EQ(Text(ctl::kReceived), "// ACK\r\n");
}

TEST_F(ReaderCommandsTest, DatabaseTestShowsOccupiedAndEmpty) {
  StartWithSimulator();
  device->SetDatabaseOccupied(true);
  dialog->OnCommand(ctl::kTest);
  EXPECT_EQ(Text(ctl::kTestResult), "occupied");
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "ET"}));
  EXPECT_NE(Text(ctl::kReceived).find("// ACK\r\n"), std::string::npos);
  EXPECT_EQ(Text(ctl::kToSend), "ET");
  device->SetDatabaseOccupied(false);
  dialog->OnCommand(ctl::kTest);
  EXPECT_EQ(Text(ctl::kTestResult), "empty");
  EXPECT_TRUE(Enabled(ctl::kRead));
  EXPECT_TRUE(Enabled(ctl::kTest));
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(ReaderCommandsTest, DatabaseTestSendsNothingToAReaderWithoutDatabase) {
  StartWithSimulator("KTR H9 HF V1.0 xxxxxxCS3");  // "CS3" at 21 to 23
  dialog->OnCommand(ctl::kTest);
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
}

TEST_F(ReaderCommandsTest, DatabaseTestWithoutAnswer) {
  StartWithSimulator();
  reader->SetHandler("ET", [](std::string_view) { return std::string(); });
  dialog->OnCommand(ctl::kTest);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"No Answer from reader"});
}

TEST_F(ReaderCommandsTest, SettingTheClockSendsTheLocalTime) {
  StartWithSimulator();
  dialog->SetLocalClock(December7th2026);
  dialog->OnCommand(ctl::kClockDirection);
  EXPECT_EQ(Text(ctl::kClockDirection), "write");
  dialog->OnCommand(ctl::kClockSet);
  EXPECT_NE(reader->RawReceived().find("\x02r071226032700D50E\x03"), std::string::npos);
  EXPECT_EQ(Text(ctl::kReceived), "// 07.12.26 03:27:00\r\n// ACK\r\n");
  EXPECT_EQ(Text(ctl::kSent), "r071226032700\r\n\r\n");
  EXPECT_EQ(Text(ctl::kClockSet), "r071226032700");
  EXPECT_EQ(Text(ctl::kClockResult), "// ACK");
  EXPECT_EQ(device->Clock().substr(0, 10), "0712260327");
}

TEST_F(ReaderCommandsTest, ReadingTheClockShowsItAsDateAndTime) {
  StartWithSimulator();
  reader->SetHandler("R", [](std::string_view) { return serial::FrameCommand("071226032700"); });
  dialog->OnCommand(ctl::kClockSet);
  EXPECT_EQ(Text(ctl::kReceived), "071226032700 // 07.12.26 03:27:00\r\n");
  EXPECT_EQ(Text(ctl::kClockResult), "071226032700");
  EXPECT_EQ(Text(ctl::kClockSet), "R");
  dialog->OnCommand(ctl::kClockDirection);
  EXPECT_EQ(Text(ctl::kClockResult), "");
  dialog->OnCommand(ctl::kClockDirection);
  EXPECT_EQ(Text(ctl::kClockDirection), "read");
}

TEST_F(ReaderCommandsTest, ClockReadCountsOnlyTwelveDigits) {
  StartWithSimulator();
  for (const std::string& answer :
       {std::string(1, serial::kNak), std::string(1, serial::kBel), std::string(),
        serial::FrameCommand("07122603270"), serial::FrameCommand("0712260327xx")}) {
    reader->SetHandler("R", [answer](std::string_view) { return answer; });
    dialog->OnCommand(ctl::kClockSet);
    EXPECT_FALSE(dialog->LastCommandResult().ok) << answer;
  }
  reader->SetHandler("R", [](std::string_view) { return serial::FrameCommand("071226032700"); });
  dialog->OnCommand(ctl::kClockSet);
  EXPECT_TRUE(dialog->LastCommandResult().ok);
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "R"), 6);
}

TEST_F(ReaderCommandsTest, ClockStepOfAJob) {
  StartWithSimulator();
  dialog->SetLocalClock(December7th2026);
  EXPECT_TRUE(SetClockAsFactoryStep());
  EXPECT_NE(Text(ctl::kReceived).find("// Set Date/Time -> 07.12.26 03:27:00\r\n"),
            std::string::npos);
  EXPECT_EQ(Text(ctl::kFactoryResult), "// ACK");
  EXPECT_EQ(Text(ctl::kFactoryDefault), "r071226032700");

  reader->SetHandler("r", [](std::string_view) { return std::string(1, serial::kBel); });
  EXPECT_FALSE(SetClockAsFactoryStep());
  EXPECT_EQ(Text(ctl::kFactoryResult), "// BEL");
  reader->SetHandler("r", [](std::string_view) { return std::string(); });
  EXPECT_FALSE(SetClockAsFactoryStep());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Communication Error with reader"});
}

TEST_F(ReaderCommandsTest, ClosedPortSendsNothing) {
  Start();
  host.ClearMessages();
  dialog->OnCommand(ctl::kXt);
  dialog->OnCommand(ctl::kClockSet);
  EXPECT_EQ(Text(ctl::kSent), "");
  EXPECT_TRUE(host.messages().empty());
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
  EXPECT_TRUE(SetClockAsFactoryStep());  // nothing to fail on a closed port
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

// The reply wait is 180 ms: an answer well inside it counts, one well after it does not.
TEST_F(ReaderCommandsTest, AnswerInsideTheReplyTimeOutCountsAndOneAfterItDoesNot) {
  StartWithSimulator("KTR H9 V4.30054");
  const auto answerAfter = [this](int ms) {
    reader->SetHandler("s22400", [ms](std::string_view) {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      return std::string(1, serial::kAck);
    });
  };
  answerAfter(90);
  dialog->OnCommand(ctl::kXt);
  EXPECT_TRUE(dialog->LastCommandResult().ok);
  EXPECT_EQ(Text(ctl::kCommResult), "// ACK");
  dialog->OnCommand(ctl::kXt);  // back to closed ("XT")
  answerAfter(400);
  dialog->OnCommand(ctl::kXt);
  EXPECT_FALSE(dialog->LastCommandResult().ok);
  EXPECT_EQ(Text(ctl::kCommResult), "");
}

}  // namespace
}  // namespace tagline::app
