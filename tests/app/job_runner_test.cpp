// SPDX-License-Identifier: Apache-2.0
// Step-wise jobs side by side: each keeps its own state and result.
#include <gtest/gtest.h>

#include "job/identification.h"

#include <atomic>

#include "dialog_fixture.h"
#include "sample_records.h"
#include "serial/frame.h"
#include "sim/reader_database.h"

namespace tagline::app {
namespace {

const std::vector<std::string>& kRecords = kSampleRecords;

class JobRunnerTest : public DialogFixture {};

// Two jobs on one line would take each other's replies: while one runs, another is refused
// with a message, and the one running ends as it would alone.
TEST_F(JobRunnerTest, SecondJobIsRefusedWhileOneRuns) {
  WriteIni("[ACCESS]\r\ncode=xxxxxxxx47\r\n");
  StartWithSimulator("B2.0");  // attribute sheet, factory rows, clock
  auto database = sim::ReaderDatabase::Install(*reader);
  database->SetRecords(kRecords);
  database->SetAttribute(0, "Herd");
  const std::string sheet = (dir / "db.xml").string();
  dialog->settings().read_path = sheet;
  dialog->OnCommand(ctl::kRead);
  ASSERT_NE(dialog->LastJobResult(JobKind::DatabaseRead), nullptr);
  ASSERT_TRUE(dialog->LastJobResult(JobKind::DatabaseRead)->ok);

  host.ClearMessages();
  dialog->settings().write_path = sheet;
  dialog->OnCommand(ctl::kWrite);
  ASSERT_TRUE(host.RunUntil(
      [this] {
        return dialog->terminal().panes.received.find("// ACK, Clear Database successful") !=
               std::string::npos;
      },
      30000));
  reader->ClearRecord();
  for (const int button : {ctl::kFactoryDefault, ctl::kClear}) {
    dialog->OnCommand(button);
    EXPECT_FALSE(dialog->JobRunning(JobKind::FactoryDefault));
    EXPECT_FALSE(dialog->JobRunning(JobKind::DatabaseClear));
  }
  EXPECT_TRUE(dialog->JobRunning(JobKind::DatabaseWrite));
  ASSERT_TRUE(
      host.RunUntil([this] { return !dialog->JobRunning(JobKind::DatabaseWrite); }, 120000));

  const JobResult* write = dialog->LastJobResult(JobKind::DatabaseWrite);
  ASSERT_NE(write, nullptr);
  EXPECT_TRUE(write->ok) << write->summary;
  EXPECT_EQ(write->summary,
            "'t'\tWrite Attributes\tOK\r\n'EC'\tClear Eeprom\tOK\r\n'WP'\tInit Pointer\tOK\r\n"
            "'w'\tWrite Records\tOK\r\n");
  EXPECT_EQ(database->Records(), kRecords);
  // Nothing of the refused jobs reached the reader; each refusal said so.
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "SV"), 0);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "EC"), 0);
  EXPECT_EQ(dialog->LastJobResult(JobKind::FactoryDefault), nullptr);
  const auto texts = MessageTexts();
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.rfind("Another job", 0) == 0; }),
            2);
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(JobRunnerTest, AJobsButtonsStayOffUntilItEndsWhateverGroupIsShown) {
  StartWithSimulator("B2.0");
  auto database = sim::ReaderDatabase::Install(*reader);
  host.SetChoiceAnswer("factory-146", 0);
  host.SetChoiceAnswer("factory-148", 1);
  dialog->OnCommand(ctl::kFactoryDefault);
  host.RunFor(600);
  ASSERT_TRUE(dialog->JobRunning(JobKind::FactoryDefault));
  // Switching groups shows the DB buttons again, but not for use.
  dialog->OnCommand(menu::kDb);
  dialog->OnCommand(menu::kConfig);
  for (const int id : {ctl::kClear, ctl::kWrite, ctl::kRead, ctl::kTest, ctl::kSend, ctl::kSv,
                       ctl::kFactoryDefault}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  host.ClearMessages();
  const std::size_t before = reader->Commands().size();
  dialog->OnCommand(ctl::kFactoryDefault);  // pressed again all the same (a shortcut, say)
  dialog->OnCommand(ctl::kSv);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{kJobIsRunning, kJobIsRunning}));
  ASSERT_TRUE(
      host.RunUntil([this] { return !dialog->JobRunning(JobKind::FactoryDefault); }, 120000));
  const JobResult* factory = dialog->LastJobResult(JobKind::FactoryDefault);
  ASSERT_NE(factory, nullptr);
  EXPECT_TRUE(factory->ok) << factory->summary;
  const auto commands = reader->Commands();
  EXPECT_EQ(
      std::count(commands.begin() + static_cast<std::ptrdiff_t>(before), commands.end(), "SV"), 0)
      << "nothing of the refused presses reached the reader";
  EXPECT_TRUE(Enabled(ctl::kClear));
  EXPECT_TRUE(Enabled(ctl::kSv));
}

}  // namespace
}  // namespace tagline::app
