// SPDX-License-Identifier: Apache-2.0
// Many readers at once: the factory default on 8 simulated readers through
// `tagline --port A ... --port H factory-default`, against the same on one reader. The
// readers wait on their lines, so eight should take hardly longer than one.
// Prints both times and their ratio; exits 1 above the target ratio.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/reader_database.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kReaders = 8;
constexpr double kTargetRatio = 1.2;

struct Bench {
  std::vector<std::unique_ptr<tagline::sim::SimulatedReader>> readers;
  std::vector<std::shared_ptr<tagline::sim::ReaderDevice>> devices;
  std::vector<std::shared_ptr<tagline::sim::ReaderDatabase>> databases;
};

// Seconds the factory default takes on the first `count` readers; negative on failure.
double FactoryDefault(const Bench& bench, int count, const fs::path& dir) {
  std::string command =
      std::string("'") + TAGLINE_CLI_PATH + "' --ini '" + (dir / "t.ini").string() + "'";
  for (int i = 0; i < count; ++i) command += " --port '" + bench.readers[i]->DevicePath() + "'";
  command += " factory-default >/dev/null 2>&1";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const std::chrono::duration<double> took = Clock::now() - start;
  return status == 0 ? took.count() : -1.0;
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("tagline-many-" + std::to_string(getpid()));
  fs::create_directories(dir);
  Bench bench;
  for (int i = 0; i < kReaders; ++i) {
    tagline::sim::SimOptions options;  // paced at the line's byte rate, as a reader is
    std::string error;
    auto reader = tagline::sim::SimulatedReader::Start(options, error);
    if (!reader) {
      std::fprintf(stderr, "many_readers: %s\n", error.c_str());
      return 2;
    }
    bench.devices.push_back(tagline::sim::ReaderDevice::Install(*reader));
    bench.databases.push_back(tagline::sim::ReaderDatabase::Install(*reader));
    bench.readers.push_back(std::move(reader));
  }
  // Two tries each; the better one counts (the machine is shared).
  double one = -1;
  double all = -1;
  for (int run = 0; run < 2; ++run) {
    const double a = FactoryDefault(bench, 1, dir);
    const double b = FactoryDefault(bench, kReaders, dir);
    if (a < 0 || b < 0) {
      std::fprintf(stderr, "many_readers: the factory default failed\n");
      return 2;
    }
    one = one < 0 ? a : std::min(one, a);
    all = all < 0 ? b : std::min(all, b);
  }
  const double ratio = all / one;
  std::printf("factory default: 1 reader %.2f s, %d readers %.2f s, ratio %.2f (target <= %.1f)\n",
              one, kReaders, all, ratio, kTargetRatio);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return ratio <= kTargetRatio ? 0 : 1;
}
