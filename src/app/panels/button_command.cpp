// SPDX-License-Identifier: Apache-2.0
#include "app/panels/button_command.h"

#include "app/control_ids.h"

namespace tagline::app {

PollPause::PollPause(Host& host, AtEnd atEnd) : host_(host), atEnd_(atEnd) {
  StopPoll(host_);
}

PollPause::~PollPause() {
  if (atEnd_ == AtEnd::Restart) StartPoll(host_);
}

void StartPoll(Host& host) {
  host.SetTimer(timer::kPoll, timer::kPollPeriodMs);
}

void StopPoll(Host& host) {
  host.KillTimer(timer::kPoll);
}

job::CommandResult RunButtonCommand(WindowContext& window, const std::string& resultField,
                                    const std::function<void(job::CommandResult& result)>& body) {
  window.PullControls();
  job::CommandResult result;
  {
    const PollPause pause(window.host());
    if (window.reader().open()) {
      result.sent = true;
      body(result);
      window.panes().Trim();
    }
  }
  window.PushControls();
  result.text = resultField;
  return result;
}

void EnableDatabaseControls(ControlModel& controls, bool enable) {
  for (const int id : ctl::kDatabaseJobControls) controls.Enable(id, enable);
}

}  // namespace tagline::app
