// Step-wise jobs on window timers: each tick runs one step of a job. The runner owns the
// timers of its jobs and their step advance; a job owns its state and its result.
#pragma once

#include <map>
#include <memory>

#include "app/job_context.h"
#include "app/job_result.h"

namespace tagline::app {

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
  virtual void Begin(JobContext& ctx) = 0;
  // Whether the current step runs with the timer left running; every other step runs
  // with it stopped, so that messages dispatched inside the step cannot tick it again.
  virtual bool Polling() const { return false; }
  virtual Tick Step(JobContext& ctx) = 0;
  // The end of the job, with its timer stopped: the summary and the controls. The runner
  // stops the receive poll before Begin and starts it again after Finish.
  virtual void Finish(JobContext& ctx) = 0;
  virtual const JobResult& result() const = 0;
};

class JobRunner {
 public:
  // A job started on a timer that still runs one replaces it.
  void Start(int timerId, std::shared_ptr<StepJob> job, JobContext& ctx);
  // One tick of a job's timer; false when no job runs on it.
  bool OnTimer(int timerId, JobContext& ctx);
  bool Running(int timerId) const;
  // The result of the job started last on the timer (finished or not); null for none.
  const JobResult* Result(int timerId) const;

 private:
  struct Entry {
    std::shared_ptr<StepJob> job;
    bool running = false;
  };
  std::map<int, Entry> jobs_;
};

}  // namespace tagline::app
