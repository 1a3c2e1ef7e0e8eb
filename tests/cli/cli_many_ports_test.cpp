// SPDX-License-Identifier: Apache-2.0
// One command on many readers at once.
#include "cli/cli_many_ports.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "cli/cli_program.h"
#include "cli/cli_run.h"
#include "sim/reader_database.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"

namespace tagline::cli {
namespace {

TEST(PortTag, LastPartOfThePathAsAFileName) {
  EXPECT_EQ(PortTag("/dev/ttyUSB0"), "ttyUSB0");
  EXPECT_EQ(PortTag("/dev/serial/by-id/usb-FTDI_FT232R:1.0-port0"), "usb-FTDI_FT232R_1.0-port0");
  EXPECT_EQ(PortTag("COM3"), "COM3");
  EXPECT_EQ(PortTag("\\\\.\\COM12"), "COM12");
  EXPECT_EQ(PortTag("/dev/"), "port");
}

class ManyPorts : public CliProgram {
 protected:
  // `count` simulated readers with `records` records each, at links in the test's folder.
  void StartReaders(int count, std::size_t records) {
    for (int i = 0; i < count; ++i) {
      sim::SimOptions options;
      options.latencyMs = 1;
      options.linkPath = (dir / ("reader" + std::to_string(i))).string();
      std::string error;
      auto reader = sim::SimulatedReader::Start(options, error);
      ASSERT_TRUE(reader) << error;
      devices.push_back(sim::ReaderDevice::Install(*reader));
      auto database = sim::ReaderDatabase::Install(*reader);
      std::vector<std::string> made;
      for (std::size_t r = 0; r < records; ++r) {
        std::string record = "#010126" + std::string(6, '0') + "F" + std::string(15, '0') +
                             std::to_string(r % 10) + "6" + "Reader " + std::to_string(i);
        record.resize(45, ' ');
        made.push_back(record);
      }
      database->SetRecords(made);
      databases.push_back(database);
      ports += " --port '" + options.linkPath + "'";
      readers.push_back(std::move(reader));
    }
  }
  std::vector<std::unique_ptr<sim::SimulatedReader>> readers;
  std::vector<std::shared_ptr<sim::ReaderDevice>> devices;
  std::vector<std::shared_ptr<sim::ReaderDatabase>> databases;
  std::string ports;
};

TEST_F(ManyPorts, EveryReaderIsReadIntoItsOwnFile) {
  StartReaders(3, 12);
  const CliRun run = Tagline("--ini t.ini" + ports + " db read 'out-{port}.xml'");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  for (int i = 0; i < 3; ++i) {
    const std::string port = (dir / ("reader" + std::to_string(i))).string();
    EXPECT_NE(
        run.out.find(port + ": written: out-reader" + std::to_string(i) + ".xml (12 records)"),
        std::string::npos)
        << run.out;
    const std::string sheet =
        ReadFile((dir / ("out-reader" + std::to_string(i) + ".xml")).string());
    EXPECT_NE(sheet.find("Reader " + std::to_string(i)), std::string::npos);
  }
  EXPECT_NE(run.out.find("ports: 3 OK, 0 failed\n"), std::string::npos) << run.out;
}

TEST_F(ManyPorts, OneReaderUnpluggedMidJobFailsOnlyItsPort) {
  StartReaders(3, 0);
  std::atomic<int> writes{0};
  sim::SimulatedReader& lost = *readers[1];
  readers[1]->SetHandler("s", [&lost, &writes](std::string_view) {
    if (++writes == 5) lost.Unplug();
    return std::string(1, '\x06');
  });
  const CliRun run = Tagline("--ini t.ini" + ports + " factory-default");
  EXPECT_EQ(run.status, kExitPortError) << run.out << run.err;  // the highest: a line lost
  const std::string lostPort = (dir / "reader1").string();
  EXPECT_NE(run.out.find("ports: 2 OK, 1 failed (" + lostPort + ")"), std::string::npos) << run.out;
  for (const int i : {0, 2}) {
    const std::string port = (dir / ("reader" + std::to_string(i))).string();
    EXPECT_NE(run.out.find(port + ": 's'\tWrite Parameters\tOK"), std::string::npos) << run.out;
  }
  EXPECT_NE(run.err.find(lostPort + ": message: The connection to the reader was lost."),
            std::string::npos)
      << run.err;
}

TEST_F(ManyPorts, PortsFromAFileAndJsonPerPort) {
  StartReaders(2, 3);
  std::ofstream(dir / "ports.txt") << "# the bench\n"
                                   << (dir / "reader0").string() << "\n\n"
                                   << (dir / "reader1").string() << "\n";
  const CliRun run = Tagline("--ini t.ini --ports-from ports.txt --json version");
  EXPECT_EQ(run.status, kExitOk) << run.err;
  std::vector<std::string> lines;
  std::istringstream out(run.out);
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u) << run.out;
  for (const int i : {0, 1}) {
    const std::string port = "\"port\":\"" + (dir / ("reader" + std::to_string(i))).string() + "\"";
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.begin() + 2,
                      [&](const std::string& l) { return l.find(port) != std::string::npos; }),
        1)
        << run.out;
  }
  EXPECT_EQ(lines[2], "{\"command\":\"version\",\"ports\":2,\"portsOk\":2,\"failed\":[]}");
}

TEST_F(ManyPorts, CommandsThatNeverEndRunOnOnePortOnly) {
  const CliRun run = Tagline("--port /dev/null --port /dev/zero listen --ms 10");
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("listen runs on one port at a time"), std::string::npos);
  EXPECT_EQ(Tagline("--ports-from missing.txt version").status, kExitUsage);
}

}  // namespace
}  // namespace tagline::cli
