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

CommandResult RunButtonCommand(JobContext& ctx, const std::string& resultField,
                               const std::function<void(CommandResult& result)>& body) {
  ctx.PullControls();
  CommandResult result;
  {
    const PollPause pause(ctx.host());
    if (ctx.link().open()) {
      result.sent = true;
      body(result);
      ctx.link().TrimPanes();
    }
  }
  ctx.PushControls();
  result.text = resultField;
  return result;
}

void EnableDatabaseControls(ControlModel& controls, bool enable) {
  for (const int id : ctl::kDatabaseJobControls) controls.Enable(id, enable);
}

}  // namespace tagline::app
