// SPDX-License-Identifier: Apache-2.0
// A recorded reader played back: each command the program sends is matched to the next
// one of a trace and answered with the recorded reply, after the recorded delay. A
// customer's trace becomes a reader to run the program against. A clock setting ("r" and
// twelve digits) matches any other: it carries the time of its run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/trace_file.h"
#include "sim/simulated_reader.h"

namespace tagline::sim {

struct ReplayStep {
  std::string command;  // as the reader takes it: the frame's text, or a line without CR
  std::string reply;    // the bytes that came back until the next command
  std::uint32_t delayMs = 0;
};

// The exchanges of a trace; the program's acknowledgements of ONLINE codes are left out.
std::vector<ReplayStep> ReplaySteps(const serial::Trace& trace);

class TraceReplay {
 public:
  // Told of each command that is not the one recorded next.
  using Report = std::function<void(const std::string& text)>;

  // Answers every command of `reader` from now on.
  static std::shared_ptr<TraceReplay> Install(SimulatedReader& reader,
                                              std::vector<ReplayStep> steps, Report report);

  std::size_t answered() const;
  std::size_t mismatches() const;

 private:
  struct State;
  TraceReplay(std::vector<ReplayStep> steps, Report report);
  static std::string Answer(State& state, std::string_view command);

  std::shared_ptr<State> state_;
};

}  // namespace tagline::sim
