// SPDX-License-Identifier: Apache-2.0
// A session recorded with --trace, decoded by `trace show`, and played back by the
// simulator's replay: the replayed run gives the same output and files as the recorded one.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli_in_process.h"
#include "serial/trace_file.h"
#include "sim/reader_database.h"
#include "sim/simulated_reader.h"
#include "sim/trace_replay.h"
#include "temp_dir.h"

namespace tagline::cli {
namespace {

namespace fs = std::filesystem;

fs::path TraceData(const std::string& name) {
  return fs::path(__FILE__).parent_path().parent_path() / "data" / "traces" / name;
}

class TraceTest : public ::testing::Test {
 protected:
  Outcome Run(std::vector<std::string> args) const {
    args.insert(args.begin(), {"--ini", dir.path() + "/Tagline_Console.ini"});
    return RunInProcess(args);
  }

  void StartReader() {
    sim::SimOptions options;
    options.latencyMs = 1;
    options.paceByBaud = false;
    std::string error;
    reader = sim::SimulatedReader::Start(options, error);
    ASSERT_TRUE(reader) << error;
  }

  // A reader that answers as the one in the trace did.
  void StartReplay(const fs::path& trace) {
    std::string error;
    const auto recorded = serial::ReadTrace(trace.string(), error);
    ASSERT_TRUE(recorded) << error;
    sim::SimOptions options;
    options.latencyMs = 0;
    reader = sim::SimulatedReader::Start(options, error);
    ASSERT_TRUE(reader) << error;
    replay =
        sim::TraceReplay::Install(*reader, sim::ReplaySteps(*recorded),
                                  [this](const std::string& text) { reports.push_back(text); });
  }

  test::TempDir dir;
  std::unique_ptr<sim::SimulatedReader> reader;
  std::shared_ptr<sim::TraceReplay> replay;
  std::vector<std::string> reports;
};

TEST_F(TraceTest, VersionIsRecordedWithItsBytesAndTimes) {
  StartReader();
  const std::string path = dir.path() + "/t.txt";
  const Outcome run = Run({"--port", reader->DevicePath(), "--trace", path, "version"});
  ASSERT_EQ(run.status, kExitOk) << run.err;
  std::string error;
  const auto trace = serial::ReadTrace(path, error);
  ASSERT_TRUE(trace) << error;
  const std::string text = test::ReadBytes(path);
  EXPECT_NE(text.find(" > 02 53 56 43 45 32 43 03 |.SVCE2C.|"), std::string::npos) << text;
  EXPECT_NE(text.find(" < 02 4B 54 52 20 48 39"), std::string::npos) << text;
  EXPECT_NE(text.find("# program: tagline "), std::string::npos);
  EXPECT_NE(text.find("# port: " + reader->DevicePath()), std::string::npos);
  // Each event's time has its milliseconds.
  ASSERT_GE(trace->events.size(), 4u);
  EXPECT_EQ(trace->events.front().kind, serial::TraceKind::Open);
  EXPECT_EQ(trace->events.back().kind, serial::TraceKind::Close);
  for (const auto& event : trace->events) EXPECT_EQ(event.time[19], '.') << event.time;

  const Outcome shown = Run({"trace", "show", path});
  ASSERT_EQ(shown.status, kExitOk) << shown.err;
  EXPECT_NE(shown.out.find("SV (software version)  ->  frame \"KTR H9 V4.30054\", CRC ok, model "),
            std::string::npos)
      << shown.out;
  const Outcome json = Run({"--json", "trace", "show", path});
  EXPECT_NE(json.out.find("\"command\":\"SV\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"reply\":\"KTR H9 V4.30054\""), std::string::npos) << json.out;
}

TEST_F(TraceTest, ShowMarksFaults) {
  const std::string path = dir.path() + "/t.txt";
  test::WriteBytes(path,
                   "# tagline trace 1\n"
                   "2026-12-09T14:00:00.000+01:00 > 02 53 56 43 45 32 43 03 |.SVCE2C.|\n"
                   "2026-12-09T14:00:00.450+01:00 > 02 47 54 30 43 33 41 03 |.GT0C3A.|\n"
                   "2026-12-09T14:00:00.470+01:00 < 02 41 42 43 44 30 30 30 30 03 |.ABCD0000.|\n"
                   "2026-12-09T14:00:00.500+01:00 lost\n");
  const Outcome shown = Run({"trace", "show", path});
  ASSERT_EQ(shown.status, kExitOk) << shown.err;
  EXPECT_NE(shown.out.find("SV (software version)  ->  none  !! silence"), std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find("CRC wrong  20 ms  !! bad frame"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("lost  !! port lost"), std::string::npos) << shown.out;
  EXPECT_EQ(Run({"trace", "show", dir.path() + "/missing.txt"}).status, kExitUsage);
}

TEST_F(TraceTest, ManyPortsNeedAPortInTheTraceName) {
  const Outcome run = Run({"--port", "/dev/a", "--port", "/dev/b", "--trace", "t.txt", "version"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("--trace needs {port}"), std::string::npos) << run.err;
}

TEST_F(TraceTest, RecordedVersionReplaysAlike) {
  StartReplay(TraceData("version.trace"));
  const Outcome run = Run({"--port", reader->DevicePath(), "version"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, test::ReadBytes(TraceData("version.out").string()));
  EXPECT_TRUE(reports.empty());
}

TEST_F(TraceTest, RecordedReadReplaysToTheSameSheet) {
  StartReplay(TraceData("db_read_10.trace"));
  const std::string sheet = dir.path() + "/read.xml";
  const Outcome run = Run({"--port", reader->DevicePath(), "db", "read", sheet});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("written: " + sheet + " (10 records)"), std::string::npos) << run.out;
  EXPECT_TRUE(test::ReadBytes(sheet) == test::ReadBytes(TraceData("db_read_10.xml").string()));
  EXPECT_TRUE(reports.empty()) << reports.front();
}

TEST_F(TraceTest, RecordedFactoryDefaultReplaysToTheSameSummary) {
  StartReplay(TraceData("factory_default.trace"));
  const Outcome run =
      Run({"--port", reader->DevicePath(), "factory-default", "--language", "deutsch"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  // The clock line carries the time of the run.
  const auto withoutClock = [](const std::string& text) {
    std::istringstream lines(text);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
      if (line.find("Set Date/Time -> ") == std::string::npos) kept += line + "\n";
    }
    return kept;
  };
  EXPECT_EQ(withoutClock(run.out),
            withoutClock(test::ReadBytes(TraceData("factory_default.out").string())));
  EXPECT_TRUE(reports.empty());
}

TEST_F(TraceTest, ACommandOutOfTurnIsReportedAndRefused) {
  StartReplay(TraceData("db_read_10.trace"));
  Outcome run = Run({"--port", reader->DevicePath(), "tag"});
  EXPECT_NE(run.status, kExitOk);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front(), "replay: expected RP (recorded command 2), got GT; answering NAK");
  EXPECT_EQ(replay->mismatches(), reports.size());
  EXPECT_EQ(replay->answered(), 1u);
  // Beyond the recording every command is out of turn.
  StartReplay(TraceData("version.trace"));
  reports.clear();
  run = Run({"--port", reader->DevicePath(), "tag"});
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front(), "replay: got GT after the last recorded command; answering NAK");
}

}  // namespace
}  // namespace tagline::cli
