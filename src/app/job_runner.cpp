#include "app/job_runner.h"

#include "app/control_ids.h"

namespace tagline::app {

void JobRunner::Start(int timerId, std::shared_ptr<StepJob> job, JobContext& ctx) {
  Entry& entry = jobs_[timerId];
  entry.job = std::move(job);
  entry.running = true;
  // Hold the job: a message box in Begin could start another one on this timer.
  const std::shared_ptr<StepJob> held = entry.job;
  // The receive poll must not take the bytes of the job's replies.
  StopPoll(ctx.host());
  held->Begin(ctx);
  if (jobs_[timerId].job == held) ctx.host().SetTimer(timerId, timer::kJobPeriodMs);
}

bool JobRunner::OnTimer(int timerId, JobContext& ctx) {
  const auto it = jobs_.find(timerId);
  if (it == jobs_.end() || !it->second.running) return false;
  // The job stays alive for its step even if a dialog inside the step starts a new one.
  const std::shared_ptr<StepJob> job = it->second.job;
  if (!job->Polling()) ctx.host().KillTimer(timerId);
  const Tick tick = job->Step(ctx);
  Entry& entry = jobs_[timerId];
  if (entry.job != job) return true;  // replaced meanwhile: the new job has the timer
  switch (tick) {
    case Tick::Stay:
      break;
    case Tick::Next:
      ctx.host().SetTimer(timerId, timer::kJobPeriodMs);
      break;
    case Tick::Finish:
      ctx.host().KillTimer(timerId);
      entry.running = false;
      job->Finish(ctx);
      StartPoll(ctx.host());
      break;
  }
  return true;
}

bool JobRunner::Running(int timerId) const {
  const auto it = jobs_.find(timerId);
  return it != jobs_.end() && it->second.running;
}

const JobResult* JobRunner::Result(int timerId) const {
  const auto it = jobs_.find(timerId);
  return it == jobs_.end() || !it->second.job ? nullptr : &it->second.job->result();
}

}  // namespace tagline::app
