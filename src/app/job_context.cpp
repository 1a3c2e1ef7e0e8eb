#include "app/job_context.h"

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

void EnableDatabaseControls(ControlModel& controls, bool enable) {
  for (const int id : ctl::kDatabaseJobControls) controls.Enable(id, enable);
}

}  // namespace tagline::app
