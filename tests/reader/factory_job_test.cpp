// SPDX-License-Identifier: Apache-2.0
// The factory-default job against the simulated reader.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "reader/factory_plan.h"
#include "serial/frame.h"
#include "sim/reader_database.h"

namespace tagline::app {
namespace {

class FactoryJobTest : public DialogFixture {
 protected:
  void StartReader(const std::string& version) {
    WriteIni("[ACCESS]\r\ncode=xxxxxxxx47\r\n");
    StartWithSimulator(version);
    database = sim::ReaderDatabase::Install(*reader);
  }
  bool RunJob() {
    dialog->OnCommand(ctl::kFactoryDefault);
    return host.RunUntil([this] { return !dialog->JobRunning(JobKind::FactoryDefault); }, 600000);
  }
  // The parameter writes the reader got ("s" commands after the clear).
  std::vector<std::string> ParameterWrites() const {
    std::vector<std::string> writes;
    for (const auto& c : reader->Commands()) {
      if (!c.empty() && c[0] == 's') writes.push_back(c);
    }
    return writes;
  }
  std::string Summary() const { return host.messages().empty() ? "" : host.messages().back().text; }
  const JobResult* Result() const { return dialog->LastJobResult(JobKind::FactoryDefault); }
  std::shared_ptr<sim::ReaderDatabase> database;
};

TEST_F(FactoryJobTest, EnglishReaderGetsItsTwentyThreeWrites) {
  StartReader("B2.0");                     // model 4
  host.SetChoiceAnswer("factory-146", 0);  // English
  host.SetChoiceAnswer("factory-148", 1);  // keep the attributes
  ASSERT_TRUE(RunJob());
  reader::FactoryAnswers answers;
  answers.Record(reader::FactoryDialog::Language, reader::FactoryChoice::English);
  std::vector<std::string> expected;
  for (const auto& w : reader::FactoryWrites(protocol::ReaderModel::B20, answers)) {
    expected.push_back(w.command);
  }
  EXPECT_EQ(expected.size(), 23u);
  EXPECT_EQ(ParameterWrites(), expected);
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "EC"), 1);
  EXPECT_EQ(Summary(),
            "'SV'\tSoftware Version\tOK\r\n'EC'\tClear Eeprom\tOK\r\n'r'\tSet Clock\t\tOK\r\n"
            "'s'\tWrite Parameters\tOK\r\n");
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
  ASSERT_NE(Result(), nullptr);
  EXPECT_TRUE(Result()->ok);
  EXPECT_EQ(Result()->steps.size(), 4u);
}

TEST_F(FactoryJobTest, ClosedLanguageDialogSendsOneRowLess) {
  StartReader("B2.0");
  host.SetChoiceAnswer("factory-146", std::nullopt);
  host.SetChoiceAnswer("factory-148", 1);
  ASSERT_TRUE(RunJob());
  EXPECT_EQ(ParameterWrites().size(), 22u);
}

TEST_F(FactoryJobTest, SerialNumberFromItsDialog) {
  StartReader("V2.60012");  // model 33
  host.SetTextAnswer("factory-151", "12345");
  host.SetChoiceAnswer("factory-148", 1);
  ASSERT_TRUE(RunJob());
  const auto writes = ParameterWrites();
  const std::vector<std::string> serial = {"s01445", "s01523", "s01601"};
  EXPECT_NE(std::search(writes.begin(), writes.end(), serial.begin(), serial.end()), writes.end());
  EXPECT_NE(Text(ctl::kReceived).find("// ACK, Serial Number 1 -> 45"), std::string::npos);
}

TEST_F(FactoryJobTest, RefusedClearFailsTheJobAndSaysSo) {
  StartReader("B2.0");
  database->SetEraseAnswer(serial::kNak, 0);
  ASSERT_TRUE(RunJob());
  EXPECT_FALSE(dialog->lastJobModel().has_value());  // the job failed
  EXPECT_TRUE(ParameterWrites().empty());
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                          [](const std::string& c) { return c[0] == 'r' || c[0] == 't'; }),
            0);
  ASSERT_NE(Result(), nullptr);
  EXPECT_FALSE(Result()->ok);
  EXPECT_NE(Summary().find("'EC'\tClear Eeprom\tNOK"), std::string::npos);
  EXPECT_NE(Summary().find("'s'\tWrite Parameters\tNOK"), std::string::npos);
}

// The reader vanishes while the job waits for the answer to "EC" or while it writes the
// parameters: the job ends at the next step with one message, instead of polling on for
// 25 s or failing row after row.
class FactoryJobLostLine : public FactoryJobTest {
 protected:
  void RunUnplugged(const std::string& prefix) {
    StartReader("B2.0");
    host.SetChoiceAnswer("factory-146", 0);
    host.SetChoiceAnswer("factory-148", 1);
    reader->SetHandler(prefix, [this](std::string_view command) {
      if (command[0] == 's' && ++parameterWrites < 5) return std::string(1, serial::kAck);
      reader->Unplug();
      return std::string();
    });
    dialog->OnCommand(ctl::kFactoryDefault);
    ASSERT_TRUE(
        host.RunUntil([this] { return !dialog->JobRunning(JobKind::FactoryDefault); }, 3000));
    ASSERT_NE(Result(), nullptr);
    EXPECT_FALSE(Result()->ok);
    EXPECT_EQ(Result()->failures, std::vector<std::string>{kLost});
    const auto texts = MessageTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), kLost), 1);
  }
  static constexpr const char* kLost = "The connection to the reader was lost.";
  int parameterWrites = 0;
};

TEST_F(FactoryJobLostLine, WhileWaitingForTheClear) {
  RunUnplugged("EC");
  EXPECT_NE(Summary().find("'EC'\tClear Eeprom\tNOK"), std::string::npos);
  EXPECT_TRUE(ParameterWrites().empty());
}

TEST_F(FactoryJobLostLine, WhileWritingTheParameters) {
  RunUnplugged("s");
  EXPECT_EQ(ParameterWrites().size(), 5u);
  EXPECT_NE(Summary().find("'s'\tWrite Parameters\tNOK"), std::string::npos);
}

TEST_F(FactoryJobTest, RefusedAttributeClearIsReportedAsFailed) {
  StartReader("B2.0");
  host.SetChoiceAnswer("factory-148", 0);  // YES, delete them
  reader->SetHandler("t", [](std::string_view) { return std::string(1, serial::kNak); });
  ASSERT_TRUE(RunJob());
  EXPECT_NE(Text(ctl::kReceived).find("// NAK, Clear Attributes failed"), std::string::npos);
  EXPECT_NE(Summary().find("Clear Attributes\tNOK"), std::string::npos);
  ASSERT_NE(Result(), nullptr);
  EXPECT_FALSE(Result()->ok);
}

TEST_F(FactoryJobTest, ModelWithoutClearStepShowsNoClearLine) {
  StartReader("KTR H9 HF V4.30040");  // model 35
  ASSERT_TRUE(RunJob());
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "EC"), 0);
  EXPECT_EQ(Summary().find("'EC'"), std::string::npos);
}

TEST_F(FactoryJobTest, KeyboardLayoutFollowsTheLanguage) {
  for (const int language : {0, 1}) {  // English, Deutsch
    StartReader("KTR H9 V4.2");        // model 16
    host.SetChoiceAnswer("factory-146", language);
    ASSERT_TRUE(RunJob());
    reader::FactoryAnswers answers;
    answers.Record(reader::FactoryDialog::Language,
                   language == 0 ? reader::FactoryChoice::English : reader::FactoryChoice::Deutsch);
    std::vector<std::string> expected;
    for (const auto& w : reader::FactoryWrites(protocol::ReaderModel::KtrH9V42, answers)) {
      expected.push_back(w.command);
    }
    EXPECT_EQ(ParameterWrites(), expected) << language;
    dialog.reset();
    reader.reset();
  }
}

TEST_F(FactoryJobTest, RefusedRowFailsTheParametersWhereverItStands) {
  const auto writes = reader::FactoryWrites(protocol::ReaderModel::B20, reader::FactoryAnswers());
  ASSERT_GE(writes.size(), 3u);
  const auto cell = [](const std::string& command) {
    return static_cast<unsigned>(std::stoul(command.substr(1, 3), nullptr, 16));
  };
  StartReader("B2.0");
  host.SetChoiceAnswer("factory-148", 1);
  device->RefuseCell(cell(writes[writes.size() - 3].command), serial::kNak);
  ASSERT_TRUE(RunJob());
  EXPECT_NE(Summary().find("'s'\tWrite Parameters\tNOK"), std::string::npos);
  EXPECT_FALSE(Result()->ok);
  dialog.reset();
  reader.reset();

  StartReader("B2.0");
  host.SetChoiceAnswer("factory-148", 1);
  device->RefuseCell(cell(writes.back().command), serial::kNak);
  ASSERT_TRUE(RunJob());
  EXPECT_NE(Summary().find("'s'\tWrite Parameters\tNOK"), std::string::npos);
}

TEST_F(FactoryJobTest, ModelWithoutFactoryRowsHasNoParameterToFail) {
  for (const char* version : {"KTR H9 V2.4", "KTR H9 V2.7"}) {  // models 2 and 8
    StartReader(version);
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(reader->Commands(), (std::vector<std::string>{"SV", "EC"})) << version;
    EXPECT_EQ(Summary(),
              "'SV'\tSoftware Version\tOK\r\n'EC'\tClear Eeprom\tOK\r\n"
              "'s'\tWrite Parameters\tOK\r\n")
        << version;
    ASSERT_NE(Result(), nullptr);
    EXPECT_TRUE(Result()->ok) << version;
    dialog.reset();
    reader.reset();
  }
}

TEST_F(FactoryJobTest, UnrecognisedReaderHasNoKnownParameterSet) {
  StartReader("xyz");  // model 14: its factory set is unknown, not empty
  ASSERT_TRUE(RunJob());
  EXPECT_EQ(reader->Commands(), std::vector<std::string>{"SV"});
  EXPECT_EQ(Summary(), "'SV'\tSoftware Version\tOK\r\n's'\tWrite Parameters\tNOK\r\n");
  ASSERT_NE(Result(), nullptr);
  EXPECT_FALSE(Result()->ok);
}

TEST_F(FactoryJobTest, SensorReaderGetsItsFullSet) {
  StartReader("B2.1 VIP");  // model 1
  host.SetChoiceAnswer("factory-150", 0);
  ASSERT_TRUE(RunJob());
  EXPECT_EQ(ParameterWrites().size(), 119u);
}

}  // namespace
}  // namespace tagline::app
