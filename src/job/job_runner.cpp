// SPDX-License-Identifier: Apache-2.0
#include "job/job_runner.h"

namespace tagline::job {

void JobRunner::Start(int timerId, std::shared_ptr<StepJob> job, JobEnvironment& env) {
  Entry& entry = jobs_[timerId];
  entry.job = std::move(job);
  entry.env = &env;
  entry.running = true;
  // Hold the job: a message box in Begin could start another one on this timer.
  const std::shared_ptr<StepJob> held = entry.job;
  held->Begin(env);
  if (jobs_[timerId].job == held) timers_.SetTimer(timerId, kJobPeriodMs);
}

bool JobRunner::OnTimer(int timerId) {
  const auto it = jobs_.find(timerId);
  if (it == jobs_.end() || !it->second.running) return false;
  // The job stays alive for its step even if a dialog inside the step starts a new one.
  const std::shared_ptr<StepJob> job = it->second.job;
  JobEnvironment& env = *it->second.env;
  if (!job->Polling()) timers_.KillTimer(timerId);
  const Tick tick = job->Step(env);
  Entry& entry = jobs_[timerId];
  if (entry.job != job) return true;  // replaced meanwhile: the new job has the timer
  switch (tick) {
    case Tick::Stay:
      break;
    case Tick::Next:
      timers_.SetTimer(timerId, kJobPeriodMs);
      break;
    case Tick::Finish:
      timers_.KillTimer(timerId);
      entry.running = false;
      job->Finish(env);
      if (finished_) finished_(timerId);
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

void RunToEnd(StepJob& job, JobEnvironment& env, const std::function<std::uint64_t()>& now,
              const std::function<void(std::uint32_t ms)>& sleep) {
  job.Begin(env);
  std::uint64_t due = now() + kJobPeriodMs;
  for (;;) {
    const std::uint64_t at = now();
    if (due > at) sleep(static_cast<std::uint32_t>(due - at));
    // A polling step keeps its timer's rhythm; any other step's timer starts after it.
    const bool polling = job.Polling();
    const std::uint64_t tickAt = due;
    const Tick tick = job.Step(env);
    if (tick == Tick::Finish) break;
    due = tick == Tick::Stay && polling ? tickAt + kJobPeriodMs : now() + kJobPeriodMs;
  }
  job.Finish(env);
}

}  // namespace tagline::job
