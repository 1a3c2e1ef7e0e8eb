// SPDX-License-Identifier: Apache-2.0
// Step-wise jobs on timers: each tick runs one step of a job. The runner owns the timers of
// its jobs and their step advance; a job owns its state and its result. The window runs its
// jobs on window timers; RunToEnd runs one without a window, on the same tick.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "job/job_environment.h"
#include "job/job_result.h"

namespace tagline::job {

// The tick of the step-wise jobs.
inline constexpr std::uint32_t kJobPeriodMs = 250;

// What a step asks of its timer.
enum class Tick {
  Stay,    // the timer keeps running (a step that polls for an answer)
  Next,    // the timer starts again for the next step
  Finish,  // the timer stops and the job ends
};

class StepJob {
 public:
  virtual ~StepJob() = default;
  // Runs once when the job is started, before its timer.
  virtual void Begin(JobEnvironment& env) = 0;
  // Whether the current step runs with the timer left running; every other step runs
  // with it stopped, so that messages dispatched inside the step cannot tick it again.
  virtual bool Polling() const { return false; }
  virtual Tick Step(JobEnvironment& env) = 0;
  // The end of the job, with its timer stopped: the summary and its message.
  virtual void Finish(JobEnvironment& env) = 0;
  virtual const JobResult& result() const = 0;
};

// The timers a runner sets: a timer set again restarts with the new period.
class JobTimers {
 public:
  virtual ~JobTimers() = default;
  virtual void SetTimer(int id, std::uint32_t periodMs) = 0;
  virtual void KillTimer(int id) = 0;
};

class JobRunner {
 public:
  // Told, with its timer id, when a job has finished.
  using Finished = std::function<void(int timerId)>;

  explicit JobRunner(JobTimers& timers) : timers_(timers) {}
  void SetFinished(Finished finished) { finished_ = std::move(finished); }

  // A job started on a timer that still runs one replaces it. The environment outlives
  // the job's run.
  void Start(int timerId, std::shared_ptr<StepJob> job, JobEnvironment& env);
  // One tick of a job's timer; false when no job runs on it.
  bool OnTimer(int timerId);
  bool Running(int timerId) const;
  // The result of the job started last on the timer (finished or not); null for none.
  const JobResult* Result(int timerId) const;

 private:
  struct Entry {
    std::shared_ptr<StepJob> job;
    JobEnvironment* env = nullptr;
    bool running = false;
  };
  JobTimers& timers_;
  Finished finished_;
  std::map<int, Entry> jobs_;
};

// Runs a job from Begin to Finish on the job tick without timers of a window: a step that
// asks for the next one waits a tick after it ended, a polling step the rest of its tick.
// `now` gives milliseconds on a monotonic clock, `sleep` waits.
void RunToEnd(StepJob& job, JobEnvironment& env, const std::function<std::uint64_t()>& now,
              const std::function<void(std::uint32_t ms)>& sleep);

}  // namespace tagline::job
