// SPDX-License-Identifier: Apache-2.0
// The frame every command button of the window runs in: the controls pulled, the receive
// poll stopped, the command run while the port is open, the panes trimmed, the controls
// pushed. And the pieces of it the window's other handlers use.
#pragma once

#include <functional>
#include <string>

#include "app/host.h"
#include "app/window_context.h"
#include "job/job_result.h"

namespace tagline::app {

// Stops the receive poll for a scope and starts it again at its end, unless the scope
// leaves it off (a step-wise job restarts it when it ends).
class PollPause {
 public:
  enum class AtEnd { Restart, LeaveOff };
  explicit PollPause(Host& host, AtEnd atEnd = AtEnd::Restart);
  ~PollPause();
  PollPause(const PollPause&) = delete;
  PollPause& operator=(const PollPause&) = delete;

 private:
  Host& host_;
  AtEnd atEnd_;
};

// Starts and stops the receive poll (timer 3).
void StartPoll(Host& host);
void StopPoll(Host& host);

// Runs `body` in the frame of a command button. The result's text is the row's result
// field as the command left it.
job::CommandResult RunButtonCommand(WindowContext& window, const std::string& resultField,
                                    const std::function<void(job::CommandResult& result)>& body);

// The controls a database job disables while it runs.
void EnableDatabaseControls(ControlModel& controls, bool enable);

}  // namespace tagline::app
