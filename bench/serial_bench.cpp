// SPDX-License-Identifier: Apache-2.0
// Serial-line costs: the processor time a reply wait burns, and what one command
// exchange costs beyond the waits it asks for.
//
// Targets: a 1 s ReadTimed wait uses at most 5 % of a processor (counter cpu_share_pct);
// one exchange with the in-process simulated reader, set to answer at once, takes at most
// 1 ms (counter overhead_ms).
#include <benchmark/benchmark.h>
#include <time.h>

#include <memory>
#include <string>

#include "serial/frame.h"
#include "serial/reader_link.h"
#include "serial/serial_port.h"
#include "sim/simulated_reader.h"

namespace {

using tagline::serial::SerialPort;
using tagline::sim::SimOptions;
using tagline::sim::SimulatedReader;

double Seconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::unique_ptr<SimulatedReader> StartReader(benchmark::State& state) {
  SimOptions options;
  options.latencyMs = 0;
  options.paceByBaud = false;
  std::string error;
  auto reader = SimulatedReader::Start(options, error);
  if (!reader) state.SkipWithError(("simulated reader: " + error).c_str());
  return reader;
}

bool OpenPort(SerialPort& port, const std::string& path) {
  port.SetSettings(path, 19200, 8, 0, 0, 0, 0);
  return port.Open();
}

void BM_ReadTimedIdleWait(benchmark::State& state) {
  auto reader = StartReader(state);
  if (!reader) return;
  SerialPort port;
  if (!OpenPort(port, reader->DevicePath())) {
    state.SkipWithError("cannot open the simulated reader's port");
    return;
  }
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    std::string out;
    const double cpu0 = Seconds(CLOCK_THREAD_CPUTIME_ID);
    const double wall0 = Seconds(CLOCK_MONOTONIC);
    benchmark::DoNotOptimize(port.ReadTimed(out, 1, 1000));
    cpu += Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu0;
    wall += Seconds(CLOCK_MONOTONIC) - wall0;
  }
  state.counters["cpu_share_pct"] = wall > 0 ? 100.0 * cpu / wall : 0;
}
BENCHMARK(BM_ReadTimedIdleWait)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExchangeOverhead(benchmark::State& state) {
  auto reader = StartReader(state);
  if (!reader) return;
  SerialPort port;
  if (!OpenPort(port, reader->DevicePath())) {
    state.SkipWithError("cannot open the simulated reader's port");
    return;
  }
  tagline::serial::ReaderLink link(port);
  link.SetOpen(true);
  // Wait for exactly the reply's length so the exchange ends when the reply is in.
  const auto replyLength =
      static_cast<std::uint32_t>(tagline::serial::FrameCommand(reader->Version()).size());
  tagline::serial::ExchangeOptions how;
  how.wanted = replyLength;
  how.timeoutMs = 450;
  // The input flush before each command waits its 1 ms time-out: that wait is asked for,
  // so it is timed on its own and taken off.
  double exchangeTime = 0;
  double flushTime = 0;
  for (auto _ : state) {
    double t0 = Seconds(CLOCK_MONOTONIC);
    const auto result = link.Exchange("SV", how);
    exchangeTime += Seconds(CLOCK_MONOTONIC) - t0;
    if (result.text.size() != replyLength) {
      state.SkipWithError("incomplete reply");
      break;
    }
    t0 = Seconds(CLOCK_MONOTONIC);
    link.FlushInput();
    flushTime += Seconds(CLOCK_MONOTONIC) - t0;
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["exchange_ms"] = n > 0 ? 1000.0 * exchangeTime / n : 0;
  state.counters["overhead_ms"] = n > 0 ? 1000.0 * (exchangeTime - flushTime) / n : 0;
}
BENCHMARK(BM_ExchangeOverhead)->Iterations(200)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
