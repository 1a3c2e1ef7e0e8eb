// Step-wise jobs side by side: each keeps its own state and result.
#include <gtest/gtest.h>

#include <atomic>

#include "dialog_fixture.h"
#include "sample_records.h"
#include "serial/frame.h"
#include "sim/reader_database.h"

namespace tagline::app {
namespace {

const std::vector<std::string>& kRecords = kSampleRecords;

class JobRunnerTest : public DialogFixture {};

TEST_F(JobRunnerTest, FactoryJobDuringADatabaseWriteLeavesBothResultsIntact) {
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

  // The write job's erase is acknowledged, the factory job's refused: with shared state
  // the factory's refusal would turn up in the write's summary.
  std::atomic<int> erases = 0;
  reader->SetHandler("EC", [&erases](std::string_view) {
    return std::string(1, ++erases == 1 ? serial::kAck : serial::kNak);
  });
  host.SetChoiceAnswer("factory-146", 0);
  host.SetChoiceAnswer("factory-148", 1);
  host.ClearMessages();
  dialog->settings().write_path = sheet;
  dialog->OnCommand(ctl::kWrite);
  // The factory job starts once the write job has its erase answer: the two jobs share the
  // line, and the factory's first flush must not take that answer.
  ASSERT_TRUE(host.RunUntil(
      [this] {
        return dialog->terminal().panes.received.find("// ACK, Clear Database successful") !=
               std::string::npos;
      },
      30000));
  EXPECT_EQ(erases, 1);
  dialog->OnCommand(ctl::kFactoryDefault);
  EXPECT_TRUE(dialog->JobRunning(JobKind::DatabaseWrite));
  EXPECT_TRUE(dialog->JobRunning(JobKind::FactoryDefault));
  ASSERT_TRUE(host.RunUntil(
      [this] {
        return !dialog->JobRunning(JobKind::DatabaseWrite) &&
               !dialog->JobRunning(JobKind::FactoryDefault);
      },
      120000));
  EXPECT_EQ(erases, 2);

  const JobResult* write = dialog->LastJobResult(JobKind::DatabaseWrite);
  ASSERT_NE(write, nullptr);
  EXPECT_TRUE(write->finished);
  EXPECT_TRUE(write->ok) << write->summary;
  EXPECT_EQ(write->summary,
            "'t'\tWrite Attributes\tOK\r\n'EC'\tClear Eeprom\tOK\r\n'WP'\tInit Pointer\tOK\r\n"
            "'w'\tWrite Records\tOK\r\n");
  EXPECT_EQ(write->records, kRecords.size());

  const JobResult* factory = dialog->LastJobResult(JobKind::FactoryDefault);
  ASSERT_NE(factory, nullptr);
  EXPECT_TRUE(factory->finished);
  EXPECT_FALSE(factory->ok);
  EXPECT_EQ(factory->summary,
            "'SV'\tSoftware Version\tOK\r\n'EC'\tClear Eeprom\tNOK\r\n"
            "'s'\tWrite Parameters\tNOK\r\n");
  // Both summaries were shown, each once.
  const auto texts = MessageTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), write->summary), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), factory->summary), 1);
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(JobRunnerTest, RestartedJobReplacesTheOneOnItsTimer) {
  StartWithSimulator("B2.0");
  auto database = sim::ReaderDatabase::Install(*reader);
  host.SetChoiceAnswer("factory-146", 0);
  host.SetChoiceAnswer("factory-148", 1);
  dialog->OnCommand(ctl::kFactoryDefault);
  host.RunFor(600);
  dialog->OnCommand(ctl::kFactoryDefault);  // the button again: the job starts over
  ASSERT_TRUE(
      host.RunUntil([this] { return !dialog->JobRunning(JobKind::FactoryDefault); }, 120000));
  const JobResult* factory = dialog->LastJobResult(JobKind::FactoryDefault);
  ASSERT_NE(factory, nullptr);
  EXPECT_TRUE(factory->ok) << factory->summary;
  const auto commands = reader->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "SV"), 2);
}

}  // namespace
}  // namespace tagline::app
