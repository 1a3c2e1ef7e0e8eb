// SPDX-License-Identifier: Apache-2.0
// The `tagline` program against a reader that goes away or gets a sheet it cannot hold:
// its exit code, what it printed, the files, and what the reader received.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "fault/fault_fixture.h"
#include "sim/reader_database.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"
#include "temp_dir.h"

namespace tagline::cli {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class FaultCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    link = dir.File("ttyReader");
    ini = dir.File("Tagline_Console.ini");
    PlugIn();
  }
  void PlugIn(const std::string& version = app::kDefaultVersion) {
    reader.reset();
    const std::string error = app::StartSampleReader(link, version, reader, device, database);
    ASSERT_TRUE(reader) << error;
  }
  // `tagline --ini INI --port LINK ARGS`, run as its own process.
  ProgramRun Tagline(const std::string& args) const {
    const std::string out = dir.File("out.txt");
    const std::string err = dir.File("err.txt");
    const std::string command = "'" TAGLINE_CLI_PATH "' --ini '" + ini + "' --port '" + link +
                                "' " + args + " >'" + out + "' 2>'" + err + "' </dev/null";
    ProgramRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = test::ReadBytes(out);
    run.err = test::ReadBytes(err);
    return run;
  }

  // Starts the same as its own process and returns at once; `Wait` collects it.
  pid_t Start(const std::string& args, const std::string& ports = {}) const {
    const std::string command = "exec '" TAGLINE_CLI_PATH "' --ini '" + ini + "' " +
                                (ports.empty() ? "--port '" + link + "'" : ports) + " " + args +
                                " >'" + dir.File("out.txt") + "' 2>'" + dir.File("err.txt") +
                                "' </dev/null";
    const pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  ProgramRun Wait(pid_t pid) const {
    int raw = 0;
    ProgramRun run;
    if (waitpid(pid, &raw, 0) != pid) return run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = test::ReadBytes(dir.File("out.txt"));
    run.err = test::ReadBytes(dir.File("err.txt"));
    return run;
  }
  // Waits (up to 20 s) until the reader got `count` commands starting with `head`.
  bool AwaitCommands(const std::string& head, std::size_t count) const {
    for (int i = 0; i < 2000; ++i) {
      const auto commands = reader->Commands();
      const auto n = static_cast<std::size_t>(
          std::count_if(commands.begin(), commands.end(),
                        [&head](const std::string& c) { return c.rfind(head, 0) == 0; }));
      if (n >= count) return true;
      usleep(10 * 1000);
    }
    return false;
  }

  test::TempDir dir{"tagline-fault-cli"};
  std::string link;
  std::string ini;
  std::unique_ptr<sim::SimulatedReader> reader;
  std::shared_ptr<sim::ReaderDevice> device;
  std::shared_ptr<sim::ReaderDatabase> database;
};

TEST_F(FaultCli, DbReadUnpluggedAfterARecordKeepsTheFileAndExitsThree) {
  const std::string target = dir.File("herd.xml");
  const std::string incomplete = dir.File("herd.incomplete.xml");
  test::WriteBytes(target, "old sheet");
  reader->UnplugAtCommand(4);  // SV, RP, RN (record 1), RN
  const ProgramRun run = Tagline("db read '" + target + "'");
  EXPECT_EQ(run.status, kExitPortError) << run.err;
  EXPECT_TRUE(EndsWith(run.out, "\nincomplete, written: " + incomplete + " (1 records)\n"))
      << run.out;
  EXPECT_EQ(Occurrences(run.err, "message: error com port had to be closed\n"), 1u) << run.err;
  EXPECT_EQ(Occurrences(run.err, "message: The connection to the reader was lost"), 1u) << run.err;
  EXPECT_TRUE(EndsWith(run.err, "tagline: The connection to the reader was lost.\n")) << run.err;
  EXPECT_EQ(test::ReadBytes(target), "old sheet");
  EXPECT_NE(test::ReadBytes(incomplete).find("Cow 1"), std::string::npos);
  EXPECT_EQ(test::ReadBytes(incomplete).find("Cow 2"), std::string::npos);
  EXPECT_EQ(reader->Commands(), (Texts{"SV", "RP", "RN", "RN"}));

  // Plugged in again, the next run reads the whole database.
  PlugIn();
  const ProgramRun again = Tagline("db read '" + target + "'");
  EXPECT_EQ(again.status, kExitOk) << again.err;
  EXPECT_TRUE(EndsWith(again.out, "\nwritten: " + target + " (3 records)\n")) << again.out;
  EXPECT_NE(test::ReadBytes(target).find("Trovan tag"), std::string::npos);
}

TEST_F(FaultCli, DbClearUnpluggedAtTheEraseExitsThree) {
  reader->UnplugAtCommand(2);
  const ProgramRun run = Tagline("db clear");
  EXPECT_EQ(run.status, kExitPortError) << run.err;
  EXPECT_EQ(Occurrences(run.err, "message: error com port had to be closed\n"), 1u) << run.err;
  EXPECT_EQ(Occurrences(run.err, "message: The connection to the reader was lost.\n"), 1u)
      << run.err;
  EXPECT_EQ(reader->Commands(), (Texts{"SV", "EC"}));
  EXPECT_EQ(database->Records(), kSampleRecords);
}

TEST_F(FaultCli, DbReadWithoutAReaderExitsThree) {
  reader->Unplug();
  const ProgramRun run = Tagline("db read '" + dir.File("herd.xml") + "'");
  EXPECT_EQ(run.status, kExitPortError) << run.err;
  EXPECT_NE(run.err.find("tagline: cannot open " + link), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir.File("herd.xml")));
}

// The factory job ends as soon as the line is lost: no erase polls, no parameter writes
// into the void, and in real time, not after the hundred polls.
TEST_F(FaultCli, FactoryDefaultUnpluggedAtTheEraseEndsAtOnce) {
  PlugIn("B2.0");
  test::WriteBytes(ini, app::kAccessCode);
  reader->UnplugAtCommand(2);
  const auto started = std::chrono::steady_clock::now();
  const ProgramRun run = Tagline("factory-default --language english --delete-attributes yes");
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(run.status, kExitPortError) << run.err;
  EXPECT_EQ(Occurrences(run.err, "message: error com port had to be closed\n"), 1u) << run.err;
  EXPECT_EQ(Occurrences(run.err, "message: The connection to the reader was lost.\n"), 1u)
      << run.err;
  EXPECT_NE(run.out.find("NOK"), std::string::npos) << run.out;
  EXPECT_EQ(reader->Commands(), (Texts{"SV", "EC"}));
  // A hundred polls of 250 ms would take 25 s.
  EXPECT_LT(took, std::chrono::seconds(10));
}

TEST_F(FaultCli, DbWriteOfAHugeSheetSendsOnlyTheIdentification) {
  const std::string path = dir.File("huge.xml");
  {
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\"?>\n<Workbook>";
  }
  fs::resize_file(path, 100u * 1000u * 1000u);  // a hole, not 100 MB on the disk
  std::ofstream(path, std::ios::binary | std::ios::app) << "</Workbook>\n";
  database->SetRecords(app::kOldRecords);
  const ProgramRun run = Tagline("db write '" + path + "'");
  EXPECT_EQ(run.status, kExitReaderFailed) << run.err;
  EXPECT_NE(run.err.find("message: The sheet is larger than"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Nothing was written; the reader was left as it is."), std::string::npos);
  EXPECT_NE(run.out.find("'EC'\tClear Eeprom\tNOK"), std::string::npos) << run.out;
  EXPECT_EQ(reader->Commands(), Texts{"SV"});
  EXPECT_EQ(database->Records(), app::kOldRecords);
}

// A signal during a write ends it after the record on its way: the program says what the
// reader holds, gives its JSON result and exits as a shell reports the signal.
TEST_F(FaultCli, SignalDuringAWriteReportsWhatTheReaderHolds) {
  const std::vector<std::string> sheet = app::HerdRecordsOf(200);
  const std::string path = dir.File("herd.xml");
  test::WriteBytes(path, app::SampleSheet(sheet));
  database->SetRecords(app::kOldRecords);
  const pid_t pid = Start("--json db write '" + path + "'");
  ASSERT_GT(pid, 0);
  const bool writing = AwaitCommands("w", 20);
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  if (!writing) {
    const ProgramRun run = Wait(pid);
    FAIL() << "no record was written: " << run.err;
  }
  const auto atSignal = reader->Commands();
  const auto sentAtSignal = static_cast<std::size_t>(std::count_if(
      atSignal.begin(), atSignal.end(), [](const std::string& c) { return c.rfind('w', 0) == 0; }));
  const ProgramRun run = Wait(pid);
  EXPECT_EQ(run.status, 128 + SIGTERM) << run.err;
  const auto commands = reader->Commands();
  const auto sent = static_cast<std::size_t>(std::count_if(
      commands.begin(), commands.end(), [](const std::string& c) { return c.rfind('w', 0) == 0; }));
  // The record on its way when the signal came, nothing after it.
  EXPECT_LE(sent, sentAtSignal + 1);
  const std::size_t held = database->Records().size();
  EXPECT_EQ(held, sent);
  EXPECT_NE(run.err.find("The write was interrupted: the reader holds " + std::to_string(held) +
                         " of the sheet's 200 records."),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("\"ok\":false"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"exit\":143"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"records\":" + std::to_string(held) + ","), std::string::npos)
      << run.out;
  EXPECT_EQ(database->Records(),
            std::vector<std::string>(sheet.begin(), sheet.begin() + static_cast<long>(held)));
}

// A reader unplugged while a command waits on it ends the command at once, not when its
// repeats or its listening time run out.
TEST_F(FaultCli, LostPortEndsRepeatedTagsAndListeningAtOnce) {
  for (const char* args : {"tag --repeat 1000 --interval 100", "listen --ms 30000"}) {
    const pid_t pid = Start(args);
    ASSERT_GT(pid, 0);
    // The tag command asks at once; listening only waits.
    if (std::string(args).rfind("tag", 0) == 0) {
      ASSERT_TRUE(AwaitCommands("GT", 2)) << args;
    } else {
      usleep(500 * 1000);
    }
    const auto unplugged = std::chrono::steady_clock::now();
    reader->Unplug();
    const ProgramRun run = Wait(pid);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - unplugged);
    EXPECT_EQ(run.status, kExitPortError) << args << "\n" << run.err;
    EXPECT_NE(run.err.find(app::kConnectionLost), std::string::npos) << args << "\n" << run.err;
    // Generous against a loaded machine; the repeats or the listening would take 30 s.
    EXPECT_LT(took.count(), 5000) << args;
    PlugIn();
  }
}

// Many ports: the signal reaches every child, each ends after its record on the way, and the
// parent prints their results before it exits.
TEST_F(FaultCli, SignalInManyPortsModeStopsEveryChild) {
  const std::string link2 = dir.File("ttyReader2");
  std::unique_ptr<sim::SimulatedReader> reader2;
  std::shared_ptr<sim::ReaderDevice> device2;
  std::shared_ptr<sim::ReaderDatabase> database2;
  ASSERT_TRUE(
      app::StartSampleReader(link2, app::kDefaultVersion, reader2, device2, database2).empty());
  const std::string path = dir.File("herd.xml");
  test::WriteBytes(path, app::SampleSheet(app::HerdRecordsOf(200)));
  const pid_t pid =
      Start("db write '" + path + "'", "--port '" + link + "' --port '" + link2 + "'");
  ASSERT_GT(pid, 0);
  const bool writing = AwaitCommands("w", 10);
  for (int i = 0; i < 1000 && database2->Records().size() < 10; ++i) usleep(10 * 1000);
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  const ProgramRun run = Wait(pid);
  ASSERT_TRUE(writing) << run.err;
  EXPECT_EQ(run.status, 128 + SIGTERM) << run.out << run.err;
  const std::size_t held = database->Records().size();
  const std::size_t held2 = database2->Records().size();
  EXPECT_LT(held, 200u);
  EXPECT_LT(held2, 200u);
  // The children are gone: nothing more reaches the readers.
  usleep(500 * 1000);
  EXPECT_EQ(database->Records().size(), held);
  EXPECT_EQ(database2->Records().size(), held2);
  for (const std::string& port : {link, link2}) {
    EXPECT_NE(run.out.find(port), std::string::npos) << run.out;
  }
  EXPECT_NE(run.err.find("The write was interrupted: the reader holds"), std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace tagline::cli
