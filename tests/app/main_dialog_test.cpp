// SPDX-License-Identifier: Apache-2.0
#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include "app/window_environment.h"
#include "dialog_fixture.h"
#include "job/identification.h"
#include "pty_pair.h"
#include "serial/frame.h"

namespace tagline::app {
namespace {

// The question before the window's Clear: erasing cannot be undone.
constexpr const char* kClearQuestion =
    "Erase every record in the reader's database? This cannot be undone.";

using MainDialogTest = DialogFixture;

TEST_F(MainDialogTest, NoSettingsFileOneMessageTerminalOnly) {
  Start();
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "error on open com port");
  EXPECT_EQ(host.messages()[0].caption, "open com port error");
  EXPECT_EQ(host.messages()[0].type, mb::kOk | mb::kIconHand);
  EXPECT_EQ(dialog->portOpen(), 0);
  EXPECT_TRUE(AreaShown(ControlArea::Terminal));
  EXPECT_FALSE(AreaShown(ControlArea::Db));
  EXPECT_FALSE(AreaShown(ControlArea::Config));
  EXPECT_FALSE(AreaShown(ControlArea::Online));
  EXPECT_FALSE(Visible(ctl::kGroupFrame));
  EXPECT_EQ(host.TimerPeriod(timer::kPoll), 250u);
  EXPECT_EQ(host.TimerPeriod(timer::kStartup), 500u);
  EXPECT_FALSE(Enabled(ctl::kFactoryDefault));

  // The first exit writes a complete file.
  EXPECT_FALSE(fs::exists(ini));
  dialog->OnClose();
  EXPECT_EQ(IniValue("COM", "baudrate"), "9600");
  EXPECT_EQ(IniValue("COM", "databits"), "8");
  EXPECT_EQ(IniValue("COM", "parity"), "None");
  EXPECT_EQ(IniValue("ONLINE", "online"), "0");
  EXPECT_EQ(ReadIni().find("[ACCESS]"), std::string::npos);
}

TEST_F(MainDialogTest, StartupTimerPutsTheLoggingPictureOnce) {
  Start();
  host.RunFor(499);
  EXPECT_EQ(dialog->controls().at(ctl::kLogging).image, 0);
  host.RunFor(2);
  EXPECT_EQ(dialog->controls().at(ctl::kLogging).image, 144);
  EXPECT_FALSE(host.TimerActive(timer::kStartup));
}

TEST_F(MainDialogTest, StartupRowsAndCommunicationRow) {
  WriteIni("[ACCESS]\r\ncode=xxxxxxxx47\r\n[CONFIG]\r\nconfig=1\r\n");
  Start();
  EXPECT_TRUE(Enabled(ctl::kFactoryDefault));
  EXPECT_EQ(dialog->configMode, 1);
  EXPECT_TRUE(AreaShown(ControlArea::Config));
  EXPECT_FALSE(Visible(ctl::kGtOnce));
  EXPECT_EQ(Text(ctl::kXt), "s22400");
  EXPECT_EQ(Text(ctl::kCommLabel).substr(0, 25), " Establish Communication ");
  EXPECT_EQ(dialog->controls().at(ctl::kCommandLabel).background, Rgb(197, 56, 48));
  EXPECT_EQ(dialog->controls().at(ctl::kSvLabel).background, Rgb(255, 255, 255));
  EXPECT_EQ(dialog->controls().at(ctl::kGtResult).background, Rgb(156, 156, 156));
  EXPECT_EQ(dialog->controls().at(ctl::kTagTypes).items.size(), 12u);
  EXPECT_EQ(dialog->controls().at(ctl::kTagTypes).items.front(), "Trovan");
  EXPECT_EQ(dialog->controls().at(ctl::kTagTypes).items.back(), "Data/Temp");
}

TEST_F(MainDialogTest, OnlineTwoAtStartHidesTheTerminal) {
  WriteIni("[ONLINE]\r\nonline=2\r\n");
  Start();
  EXPECT_EQ(dialog->onlineMode, 2);
  EXPECT_TRUE(Visible(ctl::kKeyboardField));
  EXPECT_FALSE(Visible(ctl::kToSend));
  EXPECT_FALSE(Visible(ctl::kReceived));
  EXPECT_EQ(dialog->controls().focus(), ctl::kKeyboardField);
  host.ClearMessages();
  dialog->OnCommand(menu::kOnline);
  EXPECT_EQ(dialog->onlineMode, 0);
  EXPECT_TRUE(Visible(ctl::kToSend));
  EXPECT_TRUE(Visible(ctl::kReceived));
  EXPECT_FALSE(AreaShown(ControlArea::Online));
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(MainDialogTest, DbAndOnlineInOneFileShowsDbAndSavesOnlineOff) {
  WriteIni("[DB]\r\ndb=1\r\n[ONLINE]\r\nonline=2\r\n");
  Start();
  EXPECT_EQ(dialog->dbMode, 1);
  EXPECT_EQ(dialog->onlineMode, 0);
  EXPECT_TRUE(Visible(ctl::kToSend));
  dialog->OnClose();
  EXPECT_EQ(IniValue("ONLINE", "online"), "0");
  EXPECT_EQ(IniValue("DB", "db"), "1");
}

TEST_F(MainDialogTest, MenuDbTwice) {
  Start();
  host.ClearMessages();
  dialog->OnCommand(menu::kDb);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Set reader to Database/PC Mode"});
  EXPECT_TRUE(AreaShown(ControlArea::Db));
  EXPECT_TRUE(Visible(ctl::kGroupFrame));
  EXPECT_EQ(dialog->dbMode, 1);
  dialog->OnCommand(menu::kDb);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Set reader to Database/PC Mode",
                                                      "Abort Database/PC Mode of reader"}));
  EXPECT_FALSE(AreaShown(ControlArea::Db));
  EXPECT_FALSE(Visible(ctl::kGroupFrame));
  EXPECT_EQ(dialog->dbMode, 0);
  EXPECT_EQ(host.messages()[0].type, mb::kOk);
}

TEST_F(MainDialogTest, ConfigWhileDbShownSwitchesWithoutMessage) {
  Start();
  dialog->OnCommand(menu::kDb);
  host.ClearMessages();
  dialog->OnCommand(menu::kConfig);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_FALSE(AreaShown(ControlArea::Db));
  EXPECT_TRUE(AreaShown(ControlArea::Config));
  EXPECT_EQ(dialog->configMode, 1);
  EXPECT_EQ(dialog->dbMode, 0);
}

TEST_F(MainDialogTest, OnlineCyclesAndLeavesPcModeWithMessage) {
  Start();
  dialog->OnCommand(menu::kConfig);
  host.ClearMessages();
  dialog->OnCommand(menu::kOnline);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Abort Database/PC Mode of reader"});
  EXPECT_EQ(dialog->onlineMode, 1);
  EXPECT_EQ(dialog->configMode, 0);
  EXPECT_FALSE(AreaShown(ControlArea::Config));
  EXPECT_TRUE(Visible(ctl::kToSend));
  dialog->OnCommand(menu::kOnline);
  EXPECT_EQ(dialog->onlineMode, 2);
  EXPECT_FALSE(Visible(ctl::kToSend));
  EXPECT_TRUE(Visible(ctl::kDoubleCodes));
  dialog->OnCommand(menu::kDb);  // from ONLINE without terminal: terminal back, DB shown
  EXPECT_TRUE(Visible(ctl::kToSend));
  EXPECT_FALSE(AreaShown(ControlArea::Online));
  EXPECT_TRUE(AreaShown(ControlArea::Db));
  EXPECT_EQ(dialog->onlineMode, 0);
}

TEST_F(MainDialogTest, EveryWayOfEndingSavesTheSettings) {
  for (const int how : {0, 1, 2, 3}) {
    fs::remove(ini);
    Start();
    dialog->controls().UserSetText(ctl::kToSend, "typed " + std::to_string(how));
    switch (how) {
      case 0:
        dialog->OnClose();
        break;
      case 1:
        dialog->OnCommand(menu::kQuit);
        break;  // File > Quit, Ctrl+Q
      case 2:
        // Enter and Esc leave the program running; the close box then ends it.
        dialog->OnCommand(ctl::kOk);
        dialog->OnCommand(ctl::kCancel);
        EXPECT_FALSE(dialog->ended());
        dialog->OnClose();
        break;
      case 3:
        dialog.reset();
        break;  // window torn down
    }
    EXPECT_EQ(IniValue("TEST", "send"), "typed " + std::to_string(how)) << how;
    if (dialog) {
      EXPECT_TRUE(dialog->ended());
      EXPECT_TRUE(host.endResult().has_value());
    }
  }
}

TEST_F(MainDialogTest, SavedSettingsKeepOtherContentAndTheAccessCode) {
  WriteIni("; comment\r\n[ACCESS]\r\ncode=  keep me \r\n[Other]\r\nx=1\r\n");
  Start();
  dialog->OnClose();
  const std::string text = ReadIni();
  EXPECT_NE(text.find("; comment\r\n"), std::string::npos);
  EXPECT_NE(text.find("code=  keep me \r\n"), std::string::npos);
  EXPECT_NE(text.find("[Other]\r\nx=1\r\n"), std::string::npos);
}

TEST_F(MainDialogTest, ReadOnlySettingsFileIsReportedAndKept) {
  const std::string before = "[TEST]\r\nsend=old\r\n";
  WriteIni(before);
  fs::permissions(ini, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  Start();
  host.ClearMessages();
  dialog->controls().UserSetText(ctl::kToSend, "new");
  dialog->OnClose();
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"The settings could not be saved to " + ini});
  EXPECT_EQ(ReadIni(), before);
}

TEST_F(MainDialogTest, PortOverrideDoesNotChangeTheSavedPort) {
  WriteIni("[COM]\r\nport=ttyUSB7\r\nbaudrate=9600\r\ndatabits=8\r\n");
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  Start(pty.slavePath());
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_TRUE(host.messages().empty());
  dialog->OnClose();
  EXPECT_EQ(IniValue("COM", "port"), "ttyUSB7");
}

TEST_F(MainDialogTest, EnterInToSendSendsAndKeepsTheWindow) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  Start(pty.slavePath());
  dialog->controls().UserSetText(ctl::kToSend, "SV");
  EXPECT_TRUE(dialog->OnRegisteredMessage(kEditCompleteMessage, ctl::kToSend));
  EXPECT_EQ(pty.Receive(), serial::FrameCommand("SV"));
  EXPECT_EQ(Text(ctl::kSent), "SVCE2C");
  EXPECT_FALSE(dialog->ended());
}

TEST_F(MainDialogTest, PollShowsDataAndEditClearEmptiesThePanes) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  Start(pty.slavePath());
  pty.SendQueued("hello\r");
  host.RunFor(260);
  EXPECT_EQ(Text(ctl::kReceived), "hello\r\n");
  EXPECT_EQ(Text(ctl::kSent), "\r\n");
  dialog->OnCommand(menu::kEditClear);
  EXPECT_EQ(Text(ctl::kReceived), "");
  EXPECT_EQ(Text(ctl::kSent), "");
}

TEST_F(MainDialogTest, LostPortStopsThePolls) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  Start(pty.slavePath());
  pty.Unplug();
  host.RunFor(600);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"error com port had to be closed"});
  EXPECT_EQ(dialog->portOpen(), 0);
}

TEST_F(MainDialogTest, SoftwareVersionButton) {
  StartWithSimulator("KTR H9 V4.30054");
  dialog->OnCommand(ctl::kSv);
  EXPECT_EQ(reader->RawReceived(), "\x02SVCE2C\x03");
  EXPECT_EQ(Text(ctl::kSvResult), "KTR H9 V4.30054");
  EXPECT_EQ(Text(ctl::kReceived), "KTR H9 V4.30054\r\n");
  EXPECT_EQ(Text(ctl::kSent), "SV\r\n");
  EXPECT_EQ(Text(ctl::kToSend), "SV");
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(MainDialogTest, SoftwareVersionWithoutAnswer) {
  StartWithSimulator();
  reader->InjectFault(sim::Fault{.kind = sim::FaultKind::Silence, .count = 2});
  dialog->OnCommand(ctl::kSv);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"No Answer from reader"});
  EXPECT_EQ(Text(ctl::kReceived), "\r\n");
  EXPECT_EQ(Text(ctl::kSvResult), "");
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(MainDialogTest, SoftwareVersionAskedAgainAfterOneSilence) {
  StartWithSimulator("KTR H9 V4.30054");
  reader->InjectFault(sim::Fault{.kind = sim::FaultKind::Silence, .count = 1});
  dialog->OnCommand(ctl::kSv);
  EXPECT_TRUE(MessageTexts().empty());
  EXPECT_EQ(Text(ctl::kSvResult), "KTR H9 V4.30054");
  EXPECT_EQ(Text(ctl::kReceived), "KTR H9 V4.30054\r\n");
}

TEST_F(MainDialogTest, QuietVersionRequestTouchesNothingVisible) {
  StartWithSimulator("V2.60012");
  host.KillTimer(timer::kPoll);
  WindowEnvironment env(*dialog, {});
  EXPECT_EQ(job::RequestSoftwareVersion(env, job::VersionEcho::Quiet), "V2.60012");
  dialog->PushControls();
  EXPECT_FALSE(host.TimerActive(timer::kPoll));
  EXPECT_EQ(Text(ctl::kReceived), "");
  EXPECT_EQ(Text(ctl::kSent), "");
  EXPECT_EQ(Text(ctl::kSvResult), "");
}

TEST_F(MainDialogTest, VersionRequestOnClosedPortSendsNothing) {
  Start();
  host.ClearMessages();
  WindowEnvironment env(*dialog, {});
  EXPECT_EQ(job::RequestSoftwareVersion(env, job::VersionEcho::Shown), "");
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(Text(ctl::kSent), "");
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(MainDialogTest, JobsEndAtStepOneWithoutAReader) {
  PtyPair pty;  // a line with nobody answering
  ASSERT_TRUE(pty.ok());
  WriteIni("[ACCESS]\r\ncode=xxxxxxxx47\r\n");
  Start(pty.slavePath());
  for (const int button : {ctl::kWrite, ctl::kClear, ctl::kFactoryDefault}) {
    host.ClearMessages();
    dialog->OnCommand(button);
    EXPECT_FALSE(host.TimerActive(timer::kPoll)) << button;
    if (button != ctl::kFactoryDefault) {
      EXPECT_FALSE(Enabled(ctl::kRead));
      EXPECT_FALSE(Enabled(ctl::kSend));
    }
    host.RunFor(300);
    std::vector<std::string> expected{"No Answer from reader"};
    // Clear asks first: it cannot be undone.
    if (button == ctl::kClear) expected.insert(expected.begin(), kClearQuestion);
    EXPECT_EQ(MessageTexts(), expected) << button;
    for (const JobKind kind :
         {JobKind::DatabaseWrite, JobKind::DatabaseClear, JobKind::FactoryDefault}) {
      EXPECT_FALSE(dialog->JobRunning(kind)) << button;
    }
    EXPECT_EQ(dialog->lastJobModel(), protocol::ReaderModel::NoReply) << button;
    EXPECT_TRUE(host.TimerActive(timer::kPoll)) << button;
    EXPECT_FALSE(host.TimerActive(timer::kDbWrite));
    EXPECT_FALSE(host.TimerActive(timer::kDbClear));
    EXPECT_FALSE(host.TimerActive(timer::kFactory));
    EXPECT_TRUE(Enabled(ctl::kRead));
    EXPECT_TRUE(Enabled(ctl::kSend));
  }
  EXPECT_EQ(Text(ctl::kFactoryDefault), "VS");
}

TEST_F(MainDialogTest, ClearJobClearsTheReaderDatabase) {
  StartWithSimulator();
  reader->SetHandler("EC", [](std::string_view) { return std::string(1, serial::kAck); });
  dialog->fields().testResult = "occupied";  // a Test pressed before
  dialog->OnCommand(ctl::kClear);
  EXPECT_EQ(Text(ctl::kTestResult), "") << "the Test field's answer is stale now";
  ASSERT_TRUE(host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseClear); }, 10000));
  EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "EC"}));
  EXPECT_NE(Text(ctl::kReceived).find("// ACK, Clear Database successful\r\n"), std::string::npos);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{kClearQuestion});
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
  EXPECT_TRUE(Enabled(ctl::kClear));
}

TEST_F(MainDialogTest, ClearJobGivesUpAfterAHundredPolls) {
  StartWithSimulator();
  reader->SetHandler("EC", [](std::string_view) { return std::string(); });
  dialog->OnCommand(ctl::kClear);
  host.RunFor(250 * 50);
  EXPECT_TRUE(dialog->JobRunning(JobKind::DatabaseClear));
  EXPECT_GT(dialog->controls().at(ctl::kProgress).position, 40);
  ASSERT_TRUE(
      host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseClear); }, 250 * 60));
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{kClearQuestion, "Communication Error with reader"}));
  EXPECT_FALSE(dialog->LastJobResult(JobKind::DatabaseClear)->ok);
  EXPECT_EQ(dialog->controls().at(ctl::kProgress).position, 0);
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(MainDialogTest, ClearJobReportsARefusal) {
  StartWithSimulator();
  reader->SetHandler("EC", [](std::string_view) { return std::string(1, serial::kNak); });
  dialog->OnCommand(ctl::kClear);
  ASSERT_TRUE(host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseClear); }, 10000));
  EXPECT_NE(Text(ctl::kReceived).find("// NAK, EC, Clear Database failed\r\n"), std::string::npos);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{kClearQuestion});
}

TEST_F(MainDialogTest, ClearAnsweredNoErasesNothing) {
  StartWithSimulator();
  host.QueueMessageAnswer(id::kNo);
  dialog->OnCommand(ctl::kClear);
  EXPECT_FALSE(dialog->JobRunning(JobKind::DatabaseClear));
  EXPECT_TRUE(reader->Commands().empty());
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(MainDialogTest, DeviceManagerShowsPortInformation) {
  Start();
  dialog->OnCommand(menu::kDeviceManager);
  EXPECT_FALSE(host.portInformation().empty());
}

}  // namespace
}  // namespace tagline::app

namespace tagline::app {
namespace {

TEST_F(MainDialogTest, TheWritePathIsChosenWithAnOpenDialogTheReadPathWithASaveDialog) {
  Start();
  host.ClearMessages();
  const std::string sheet = (dir / "herd.xml").string();
  host.QueueFileAnswer(sheet);
  dialog->OnCommand(ctl::kWritePathButton);
  host.QueueFileAnswer(std::nullopt);  // cancelled: the read path stays
  dialog->OnCommand(ctl::kReadPathButton);
  EXPECT_EQ(host.fileDialogsShown(), (std::vector<std::string>{"open", "save"}));
  EXPECT_EQ(dialog->settings().write_path, sheet);
  EXPECT_TRUE(host.messages().empty());
}

}  // namespace
}  // namespace tagline::app
