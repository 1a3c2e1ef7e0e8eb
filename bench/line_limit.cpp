// SPDX-License-Identifier: Apache-2.0
// Database read and write against the line's own limit: the command-line program reads and
// writes a simulated reader whose line takes its wire time in both directions (as a real
// line does at the set baud rate), and each record's share of the job is set against its
// minimum: the prescribed waits plus the bytes on the wire.
//
// A record's share is taken as the difference between a job of RECORDS records and one of
// BASE records, divided by the difference in records, so the fixed steps (identification,
// clear, attributes) drop out. Prints one line a job and baud rate; exits 1 when a record
// takes more than 2 % over its minimum or more than 1 ms over it. At the last baud rate a
// read of RECORDS records with one reply damaged in the middle is then set against the
// clean read: it has to stay exact, and take at most 2.2 times as long. Last, the read is
// recorded with --trace and set against the clean read: at most 1 % longer.
//   tagline_line_limit [RECORDS [BASE [BAUD...]]]    default: 5000 100 9600 115200
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "child_run.h"
#include "serial/frame.h"
#include "sim/fault.h"
#include "sim/reader_database.h"
#include "sim/simulated_reader.h"

namespace {

namespace fs = std::filesystem;
using tagline::bench::RunChild;

// What the read and write jobs wait on their own for each record.
constexpr double kDrainMs = 1;         // the drain before each "RN"
constexpr double kRecordPauseMs = 20;  // after the command is sent, and after the reply
constexpr int kBitsPerByte = 10;       // 8N1

double WireMs(std::size_t bytes, int baud) {
  return 1000.0 * static_cast<double>(bytes) * kBitsPerByte / baud;
}

std::string MadeUpRecord(std::size_t i) {
  std::string record = "#010126000000F" + std::to_string(1000000000000000 + i) + "6Tag";
  record.resize(45, ' ');
  return record;
}

struct Bench {
  std::string cli = TAGLINE_CLI_PATH;
  fs::path dir;
  std::unique_ptr<tagline::sim::SimulatedReader> reader;
  std::shared_ptr<tagline::sim::ReaderDatabase> database;

  std::string Ini(int baud) const {
    const fs::path ini = dir / ("line" + std::to_string(baud) + ".ini");
    std::ofstream(ini) << "[COM]\r\nbaudrate=" << baud
                       << "\r\ndatabits=8\r\nparity=None\r\nstopbits=1\r\n";
    return ini.string();
  }

  // Seconds the job took, negative when it failed.
  double Job(int baud, const std::string& verb, const fs::path& file,
             const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{cli, "--ini", Ini(baud), "--port", reader->DevicePath()};
    args.insert(args.end(), extra.begin(), extra.end());
    for (const std::string& word : {std::string("db"), verb, file.string()}) args.push_back(word);
    const auto usage = RunChild(args);
    return usage.exitCode == 0 ? usage.wallSeconds : -1;
  }

  double Read(int baud, std::size_t records, const fs::path& file,
              const std::vector<std::string>& extra = {}) {
    std::vector<std::string> made;
    for (std::size_t i = 0; i < records; ++i) made.push_back(MadeUpRecord(i));
    database->SetRecords(made);
    return Job(baud, "read", file, extra);
  }
};

// The read of `records` with the middle record's reply damaged (one bit flipped after the
// reader moved on), against the clean read of the same.
bool ReportOneFault(Bench& bench, int baud, std::size_t records, double cleanSeconds) {
  using tagline::sim::Fault;
  using tagline::sim::FaultKind;
  // SV, RP, then the records before the middle one pass untouched.
  bench.reader->InjectFault(
      Fault{.kind = FaultKind::Delay, .delayMs = 0, .count = static_cast<int>(2 + records / 2)});
  bench.reader->InjectFault(Fault{.kind = FaultKind::Flip});
  const double seconds = bench.Read(baud, records, bench.dir / "fault.xml");
  bench.reader->ClearFaults();
  if (seconds < 0 || cleanSeconds < 0) {
    std::printf("read  %6d baud, one damaged reply: the read did not end exact FAILED\n", baud);
    return false;
  }
  const double ratio = seconds / cleanSeconds;
  const bool ok = ratio <= 2.2;
  std::printf(
      "read  %6d baud, one damaged reply in %zu records: %.1f s against %.1f s clean: %.2fx "
      "(target <= 2.2x) %s\n",
      baud, records, seconds, cleanSeconds, ratio, ok ? "ok" : "FAILED");
  std::fflush(stdout);
  return ok;
}

// The same read recorded into a trace, against the clean read.
bool ReportTrace(Bench& bench, int baud, std::size_t records, double cleanSeconds) {
  const fs::path trace = bench.dir / "read.trace";
  const double seconds =
      bench.Read(baud, records, bench.dir / "traced.xml", {"--trace", trace.string()});
  std::error_code ignored;
  const auto traceBytes = fs::file_size(trace, ignored);
  if (seconds < 0 || cleanSeconds < 0 || ignored) {
    std::printf("read  %6d baud, traced: the read or its trace failed FAILED\n", baud);
    return false;
  }
  const double ratio = seconds / cleanSeconds;
  const bool ok = ratio <= 1.01;
  std::printf(
      "read  %6d baud, %zu records recorded into a trace of %.1f MB: %.2f s against %.2f s "
      "untraced: %.4fx (target <= 1.01x) %s\n",
      baud, records, static_cast<double>(traceBytes) / 1e6, seconds, cleanSeconds, ratio,
      ok ? "ok" : "FAILED");
  std::fflush(stdout);
  return ok;
}

bool Report(const char* job, int baud, std::size_t records, double seconds, double baseSeconds,
            std::size_t base, double minimumMs) {
  if (seconds < 0 || baseSeconds < 0) {
    std::printf("%-5s %6d baud: the job failed FAILED\n", job, baud);
    return false;
  }
  const double perRecordMs = 1000.0 * (seconds - baseSeconds) / static_cast<double>(records - base);
  const double ratio = perRecordMs / minimumMs;
  const double overMs = perRecordMs - minimumMs;
  const bool ok = ratio <= 1.02 && overMs <= 1.0;
  // What the records leave of the job: identification, pointer, clear, attributes, file.
  const double fixedSeconds = seconds - perRecordMs * static_cast<double>(records) / 1000.0;
  std::printf(
      "%-5s %6d baud: %zu records in %.1f s (%.1f s of it other steps); a record %.2f ms "
      "against %.2f ms on the line and in prescribed waits: %.3fx, %+.2f ms (target <= 1.02x, "
      "<= 1 ms) %s\n",
      job, baud, records, seconds, fixedSeconds, perRecordMs, minimumMs, ratio, overMs,
      ok ? "ok" : "FAILED");
  std::fflush(stdout);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::stoul(argv[1]) : 5000;
  const std::size_t base = argc > 2 ? std::stoul(argv[2]) : 100;
  std::vector<int> bauds;
  for (int i = 3; i < argc; ++i) bauds.push_back(std::stoi(argv[i]));
  if (bauds.empty()) bauds = {9600, 115200};
  if (records <= base) {
    std::fprintf(stderr, "line_limit: RECORDS must be more than BASE\n");
    return 2;
  }

  Bench bench;
  bench.dir = fs::temp_directory_path() / ("tagline-line-" + std::to_string(getpid()));
  fs::create_directories(bench.dir);
  tagline::sim::SimOptions options;
  options.latencyMs = 0;
  options.wireAccurate = true;
  std::string error;
  bench.reader = tagline::sim::SimulatedReader::Start(options, error);
  if (!bench.reader) {
    std::fprintf(stderr, "line_limit: %s\n", error.c_str());
    return 2;
  }
  bench.database = tagline::sim::ReaderDatabase::Install(*bench.reader);

  const std::string record = MadeUpRecord(0);
  const std::size_t readCommand = tagline::serial::FrameCommand("RN").size();
  const std::size_t readReply = tagline::serial::FrameCommand(record).size();
  const std::size_t writeCommand = tagline::serial::FrameCommand("w" + record).size();

  bool ok = true;
  double lastRead = -1;
  for (const int baud : bauds) {
    // "RN", 20 ms, the record comes in (the pause overlaps it), 20 ms.
    const double readMinimum =
        kDrainMs + std::max(kRecordPauseMs, WireMs(readCommand + readReply, baud)) + kRecordPauseMs;
    // "w" and the record, 20 ms or until the ACK is in.
    const double writeMinimum = std::max(kRecordPauseMs, WireMs(writeCommand + 1, baud));
    const fs::path small = bench.dir / "small.xml";
    const fs::path large = bench.dir / "large.xml";
    const double readBase = bench.Read(baud, base, small);
    const double readAll = bench.Read(baud, records, large);
    ok &= Report("read", baud, records, readAll, readBase, base, readMinimum);
    lastRead = readAll;
    const double writeBase = bench.Job(baud, "write", small);
    const double writeAll = bench.Job(baud, "write", large);
    ok &= Report("write", baud, records, writeAll, writeBase, base, writeMinimum);
  }
  ok &= ReportOneFault(bench, bauds.back(), records, lastRead);
  ok &= ReportTrace(bench, bauds.back(), records, lastRead);
  std::error_code ignored;
  fs::remove_all(bench.dir, ignored);
  return ok ? 0 : 1;
}
