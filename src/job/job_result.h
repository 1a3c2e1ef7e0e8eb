// SPDX-License-Identifier: Apache-2.0
// What a step-wise job or a reader command ends with: the outcome of each step, counts,
// the failures it reported and the summary text built from them. The window shows the
// summary; the command line prints it and takes its exit code from `ok`.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tagline::job {

struct StepOutcome {
  std::string label;  // the summary line's head, e.g. "'EC'\tClear Eeprom\t"
  bool ok = false;
};

struct JobResult {
  bool finished = false;
  bool ok = false;
  // The reader answered the identification that starts the job.
  bool readerFound = false;
  std::vector<StepOutcome> steps;  // the steps the summary lists, in order
  std::size_t records = 0;
  std::vector<std::string> failures;  // the messages of the failures, in order
  std::string file;                   // the file the job wrote, if any
  std::string summary;
  // The user stopped the job (a signal to the command line) before its end.
  bool interrupted = false;
};

// The summary of the steps: one line each, its head and "OK" or "NOK".
inline std::string SummaryText(const std::vector<StepOutcome>& steps) {
  std::string text;
  for (const StepOutcome& step : steps) text += step.label + (step.ok ? "OK\r\n" : "NOK\r\n");
  return text;
}

inline bool AllStepsOk(const std::vector<StepOutcome>& steps) {
  for (const StepOutcome& step : steps) {
    if (!step.ok) return false;
  }
  return !steps.empty();
}

// The outcome of a single command button: whether the reader gave what the command
// asked for, and the text its result field shows.
struct CommandResult {
  bool sent = false;  // false when the port was not open
  bool ok = false;
  // False when the name or value asked for is none the reader's model takes.
  bool recognised = true;
  std::string text;
};

}  // namespace tagline::job
