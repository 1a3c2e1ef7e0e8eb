// SPDX-License-Identifier: Apache-2.0
// CPU the command-line program uses while it waits on the line: during a database read of
// a simulated reader (paced at the line's byte rate, as a reader is) and while the receive
// poll runs on a silent line. The program runs in a child; its CPU time comes from wait4().
// Prints one line a case with the share of one core; exits 1 above the target.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_run.h"
#include "sim/reader_database.h"
#include "sim/simulated_reader.h"

namespace {

namespace fs = std::filesystem;

using Usage = tagline::bench::ChildUsage;
using tagline::bench::RunChild;

bool Report(const char* what, const Usage& usage, double targetPercent) {
  const double percent = 100.0 * usage.cpuSeconds / usage.wallSeconds;
  const bool ok = usage.exitCode == 0 && percent <= targetPercent;
  std::printf("%-40s %6.1f s wall, %5.2f s CPU, %5.2f %% of a core (target <= %.1f %%) %s\n", what,
              usage.wallSeconds, usage.cpuSeconds, percent, targetPercent, ok ? "ok" : "FAILED");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::stoul(argv[1]) : 1000;
  const fs::path dir = fs::temp_directory_path() / ("tagline-cpu-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string cli = TAGLINE_CLI_PATH;
  const std::string ini = (dir / "t.ini").string();

  tagline::sim::SimOptions options;
  std::string error;
  auto reader = tagline::sim::SimulatedReader::Start(options, error);
  if (!reader) {
    std::fprintf(stderr, "cpu_while_waiting: %s\n", error.c_str());
    return 2;
  }
  auto database = tagline::sim::ReaderDatabase::Install(*reader);
  std::vector<std::string> made;
  for (std::size_t i = 0; i < records; ++i) {
    std::string record = "#010126000000F" + std::to_string(1000000000000000 + i) + "6Tag";
    record.resize(45, ' ');
    made.push_back(record);
  }
  database->SetRecords(made);

  bool ok = true;
  const std::string label = "database read, " + std::to_string(records) + " records";
  ok &= Report(label.c_str(),
               RunChild({cli, "--ini", ini, "--port", reader->DevicePath(), "db", "read",
                         (dir / "read.xml").string()}),
               5.0);
  ok &= Report(
      "receive poll on a silent line, 10 s",
      RunChild({cli, "--ini", ini, "--port", reader->DevicePath(), "listen", "--ms", "10000"}),
      1.0);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return ok ? 0 : 1;
}
