// SPDX-License-Identifier: Apache-2.0
#include "sim/trace_replay.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/printable_text.h"
#include "serial/frame.h"

namespace tagline::sim {

namespace {

// The clock is set to the computer's time of each run: any twelve digits stand for the
// recorded ones.
bool SameCommand(std::string_view recorded, std::string_view sent) {
  const auto clockSet = [](std::string_view c) {
    return c.size() == 13 && c.front() == 'r' &&
           c.substr(1).find_first_not_of("0123456789") == std::string_view::npos;
  };
  return recorded == sent || (clockSet(recorded) && clockSet(sent));
}

}  // namespace

struct TraceReplay::State {
  std::mutex mutex;
  std::vector<ReplayStep> steps;
  std::size_t next = 0;
  std::size_t mismatches = 0;
  Report report;
};

std::vector<ReplayStep> ReplaySteps(const serial::Trace& trace) {
  std::vector<ReplayStep> steps;
  std::int64_t sentAt = 0;
  bool open = false;      // a command waits for the rest of its reply
  bool answered = false;  // its first reply byte came
  for (const serial::TraceEvent& event : trace.events) {
    if (event.kind == serial::TraceKind::Sent) {
      std::string command;
      if (auto text = serial::UnframeReply(event.bytes)) {
        command = std::move(*text);
      } else {
        command = event.bytes;
        if (!command.empty() && command.back() == serial::kCr) command.pop_back();
      }
      if (command == std::string(1, serial::kAck)) {
        open = false;  // an ONLINE code's acknowledgement: nothing answers it
        continue;
      }
      steps.push_back({std::move(command), {}, 0});
      sentAt = event.unixMs;
      open = true;
      answered = false;
    } else if (event.kind == serial::TraceKind::Received && open) {
      if (!answered) {
        steps.back().delayMs =
            static_cast<std::uint32_t>(std::max<std::int64_t>(0, event.unixMs - sentAt));
        answered = true;
      }
      steps.back().reply += event.bytes;
    } else if (event.kind == serial::TraceKind::Close || event.kind == serial::TraceKind::Lost) {
      open = false;
    }
  }
  return steps;
}

TraceReplay::TraceReplay(std::vector<ReplayStep> steps, Report report)
    : state_(std::make_shared<State>()) {
  state_->steps = std::move(steps);
  state_->report = std::move(report);
}

std::shared_ptr<TraceReplay> TraceReplay::Install(SimulatedReader& reader,
                                                  std::vector<ReplayStep> steps, Report report) {
  std::shared_ptr<TraceReplay> replay(new TraceReplay(std::move(steps), std::move(report)));
  // The handlers share the state: the reader may answer after the replay object is gone.
  const auto answer = [state = replay->state_](std::string_view command) {
    return Answer(*state, command);
  };
  // The empty prefix takes every command; "SV" would otherwise go to the built-in answer.
  reader.SetHandler("", answer);
  reader.SetHandler("SV", answer);
  return replay;
}

std::string TraceReplay::Answer(State& state, std::string_view command) {
  std::uint32_t delay = 0;
  std::string reply;
  {
    const std::lock_guard lock(state.mutex);
    if (state.next >= state.steps.size()) {
      ++state.mismatches;
      if (state.report) {
        state.report("replay: got " + platform::EscapeControlBytes(command) +
                     " after the last recorded command; answering NAK");
      }
      return std::string(1, serial::kNak);
    }
    const ReplayStep& step = state.steps[state.next];
    if (!SameCommand(step.command, command)) {
      ++state.mismatches;
      if (state.report) {
        state.report("replay: expected " + platform::EscapeControlBytes(step.command) +
                     " (recorded command " + std::to_string(state.next + 1) + "), got " +
                     platform::EscapeControlBytes(command) + "; answering NAK");
      }
      return std::string(1, serial::kNak);
    }
    ++state.next;
    delay = step.delayMs;
    reply = step.reply;
  }
  // The reader's own thread waits, as the recorded reader took its time.
  std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  return reply;
}

std::size_t TraceReplay::answered() const {
  const std::lock_guard lock(state_->mutex);
  return state_->next;
}

std::size_t TraceReplay::mismatches() const {
  const std::lock_guard lock(state_->mutex);
  return state_->mismatches;
}

}  // namespace tagline::sim
