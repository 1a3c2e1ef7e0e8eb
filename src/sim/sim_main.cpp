// SPDX-License-Identifier: Apache-2.0
// tagline-sim: a simulated reader on a pseudo-terminal, for trying the console without a
// device. Prints the device path on the first line and runs until SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/classify_reader_version.h"
#include "serial/trace_file.h"
#include "sim/database_file.h"
#include "sim/demo_reader.h"
#include "sim/reader_database.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"
#include "sim/trace_replay.h"

namespace {

using tagline::sim::LoadDatabaseFile;
using tagline::sim::MadeUpDatabase;
using tagline::sim::ReaderDatabase;
using tagline::sim::SeedDatabase;
using tagline::sim::SimOptions;
using tagline::sim::SimulatedReader;
using tagline::sim::Terminator;

constexpr std::uint32_t kDefaultEveryMs = 1000;

constexpr const char* kUsage =
    "usage: tagline-sim [options]\n"
    "  --version TEXT   software version the reader reports (default \"KTR H9 V4.30054\")\n"
    "  --link PATH      also make PATH a symbolic link to the device\n"
    "  --latency MS     delay before each reply (default 5)\n"
    "  --baud-pacing    take the line's time: bytes in both directions at the baud rate\n"
    "                   and frame format the program set (default: replies at once)\n"
    "  --online CODE    send CODE on its own as an ONLINE code, periodically\n"
    "  --every MS       period of --online (default 1000)\n"
    "  --cr             end --online codes with CR instead of framing them\n"
    "  --database FILE  keep the records of FILE (a sheet .xml, a .db or a .dat file)\n"
    "  --records N      keep N made-up records (45-character records only)\n"
    "  --noise RATE     damage replies at RATE (0 to 1), commands at a quarter of it, as\n"
    "                   a noisy line does: bytes dropped, flipped or added, replies late\n"
    "  --seed N         the noise's seed (default 1): the same seed, the same faults\n"
    "  --replay FILE    answer as the reader of a trace (tagline --trace FILE) did:\n"
    "                   each command matched to the next recorded one, with its reply\n"
    "                   and delay; a mismatch is reported here and answered NAK\n"
    "  --help           show this text\n"
    "Prints the device path on the first line, then runs until SIGINT or SIGTERM.\n";

struct Arguments {
  SimOptions options;
  std::optional<std::string> online;
  std::optional<std::uint32_t> everyMs;
  bool cr = false;
  bool help = false;
  std::optional<std::string> database;
  std::optional<std::uint32_t> records;
  std::optional<std::string> replay;
};

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// Returns nothing and sets `error` on a usage error.
std::optional<Arguments> ParseArguments(int argc, char** argv, std::string& error) {
  Arguments args;
  args.options.paceByBaud = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool takesValue = arg == "--version" || arg == "--link" || arg == "--latency" ||
                            arg == "--online" || arg == "--every" || arg == "--database" ||
                            arg == "--records" || arg == "--noise" || arg == "--seed" ||
                            arg == "--replay";
    if (takesValue && i + 1 >= argc) {
      error = std::string(arg) + " needs a value";
      return std::nullopt;
    }
    if (arg == "--help") {
      args.help = true;
    } else if (arg == "--baud-pacing") {
      args.options.paceByBaud = true;
      args.options.wireAccurate = true;
    } else if (arg == "--cr") {
      args.cr = true;
    } else if (arg == "--version") {
      args.options.version = argv[++i];
    } else if (arg == "--link") {
      args.options.linkPath = argv[++i];
      if (args.options.linkPath.empty()) {
        error = "--link needs a path";
        return std::nullopt;
      }
    } else if (arg == "--online") {
      args.online = argv[++i];
    } else if (arg == "--replay") {
      args.replay = argv[++i];
    } else if (arg == "--database") {
      args.database = argv[++i];
    } else if (arg == "--records") {
      args.records = ParseNumber(argv[++i]);
      if (!args.records) {
        error = "--records needs a number of records";
        return std::nullopt;
      }
    } else if (arg == "--noise") {
      const std::string text = argv[++i];
      char* end = nullptr;
      const double rate = std::strtod(text.c_str(), &end);
      if (text.empty() || end != text.c_str() + text.size() || !(rate >= 0 && rate <= 1)) {
        error = "--noise needs a rate from 0 to 1";
        return std::nullopt;
      }
      args.options.noise.rate = rate;
    } else if (arg == "--seed") {
      const std::optional<std::uint32_t> seed = ParseNumber(argv[++i]);
      if (!seed) {
        error = "--seed needs a whole number";
        return std::nullopt;
      }
      args.options.noise.seed = *seed;
    } else if (arg == "--latency" || arg == "--every") {
      const std::optional<std::uint32_t> ms = ParseNumber(argv[++i]);
      if (!ms) {
        error = std::string(arg) + " needs a number of milliseconds";
        return std::nullopt;
      }
      if (arg == "--latency") {
        args.options.latencyMs = *ms;
      } else {
        args.everyMs = *ms;
      }
    } else {
      error = "unknown option " + std::string(arg);
      return std::nullopt;
    }
  }
  if (!args.online && (args.everyMs || args.cr)) {
    error = "--every and --cr need --online";
    return std::nullopt;
  }
  if (args.database && args.records) {
    error = "--database and --records exclude each other";
    return std::nullopt;
  }
  if (args.replay && (args.database || args.records || args.online)) {
    error = "--replay answers as the recorded reader: no --database, --records or --online";
    return std::nullopt;
  }
  if (args.everyMs && *args.everyMs == 0) {
    error = "--every needs a period above 0";
    return std::nullopt;
  }
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const std::optional<Arguments> args = ParseArguments(argc, argv, error);
  if (!args) {
    (void)std::fprintf(stderr, "tagline-sim: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (args->help) {
    (void)std::fputs(kUsage, stdout);
    return 0;
  }

  // Block the stop signals before any thread starts, so that every thread inherits the mask
  // and they are taken only by the waits below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  // The database is read before the reader appears, so that a bad file ends the run at once.
  std::optional<SeedDatabase> seed;
  if (args->database || args->records) {
    const auto model = tagline::protocol::ClassifyReaderVersion(args->options.version);
    seed = args->database ? LoadDatabaseFile(*args->database, model, error)
                          : MadeUpDatabase(*args->records, model, error);
    if (!seed) {
      (void)std::fprintf(stderr, "tagline-sim: %s\n", error.c_str());
      return 2;
    }
  }

  std::vector<tagline::sim::ReplayStep> replaySteps;
  SimOptions options = args->options;
  if (args->replay) {
    const auto trace = tagline::serial::ReadTrace(*args->replay, error);
    if (!trace) {
      (void)std::fprintf(stderr, "tagline-sim: %s\n", error.c_str());
      return 2;
    }
    replaySteps = tagline::sim::ReplaySteps(*trace);
    options.latencyMs = 0;  // each step brings its recorded delay
  }

  const std::unique_ptr<SimulatedReader> reader = SimulatedReader::Start(options, error);
  if (!reader) {
    (void)std::fprintf(stderr, "tagline-sim: %s\n", error.c_str());
    return 1;
  }
  std::shared_ptr<tagline::sim::TraceReplay> replay;
  if (args->replay) {
    replay = tagline::sim::TraceReplay::Install(
        *reader, std::move(replaySteps), [](const std::string& text) {
          (void)std::fprintf(stderr, "tagline-sim: %s\n", text.c_str());
        });
  }
  // Without a trace to replay, the same reader as a run's --simulate: a tag in the field,
  // parameter cells, clock, communication control and a database (the demo's, unless
  // --database or --records gives one).
  std::shared_ptr<tagline::sim::ReaderDevice> device;
  std::shared_ptr<ReaderDatabase> database;
  if (!args->replay) {
    device = tagline::sim::ReaderDevice::Install(*reader);
    device->SetTag(tagline::sim::kDemoTagType, std::string(tagline::sim::kDemoTagCode));
    database = ReaderDatabase::Install(*reader);
    if (!seed) database->SeedDemo();
  }
  if (seed) {
    if (!database) database = ReaderDatabase::Install(*reader);
    database->SetRecords(std::move(seed->records));
    for (std::size_t i = 0; i < seed->attributes.size(); ++i) {
      database->SetAttribute(static_cast<int>(i), seed->attributes[i]);
    }
  }
  std::printf("%s\n", reader->DevicePath().c_str());
  (void)std::fflush(stdout);

  const Terminator terminator = args->cr ? Terminator::Cr : Terminator::Etx;
  const std::uint32_t everyMs = args->everyMs.value_or(kDefaultEveryMs);
  for (;;) {
    int signal = -1;
    if (args->online) {
      const timespec period{static_cast<time_t>(everyMs / 1000),
                            static_cast<long>(everyMs % 1000) * 1000000L};
      signal = sigtimedwait(&stopSignals, nullptr, &period);
      if (signal < 0) {
        if (errno == EAGAIN) reader->SendOnlineCode(*args->online, terminator);
        continue;
      }
    } else if (sigwait(&stopSignals, &signal) != 0) {
      continue;
    }
    if (signal == SIGINT || signal == SIGTERM) break;
  }
  return 0;
}
