// SPDX-License-Identifier: Apache-2.0
// A job run without a window: the tick it keeps between steps, as a window timer would.
#include <gtest/gtest.h>

#include "fake_environment.h"
#include "job/job_runner.h"

namespace tagline::job {
namespace {

// Steps as scripted: each takes `cost` ms and asks for its tick; the times it ran at are
// kept.
class ScriptedJob : public StepJob {
 public:
  struct Scripted {
    Tick tick;
    bool polling;
    std::uint64_t cost;
  };
  ScriptedJob(std::vector<Scripted> steps, std::uint64_t& now)
      : steps_(std::move(steps)), now_(now) {}
  void Begin(JobEnvironment&) override { began = now_; }
  bool Polling() const override { return next_ < steps_.size() && steps_[next_].polling; }
  Tick Step(JobEnvironment&) override {
    ran.push_back(now_);
    const Scripted& step = steps_.at(next_++);
    now_ += step.cost;
    return step.tick;
  }
  void Finish(JobEnvironment&) override { ++finished; }
  const JobResult& result() const override { return result_; }

  std::uint64_t began = 0;
  std::vector<std::uint64_t> ran;
  int finished = 0;

 private:
  std::vector<Scripted> steps_;
  std::size_t next_ = 0;
  std::uint64_t& now_;
  JobResult result_;
};

TEST(RunToEnd, KeepsTheWindowTimersRhythm) {
  std::uint64_t now = 1000;
  // Two steps that start their timer again, two that poll (one slower than its tick), the end.
  ScriptedJob job({{Tick::Next, false, 40},
                   {Tick::Next, false, 0},
                   {Tick::Stay, true, 10},
                   {Tick::Stay, true, 300},
                   {Tick::Finish, false, 0}},
                  now);
  test::FakeEnvironment env;
  RunToEnd(
      job, env, [&now] { return now; }, [&now](std::uint32_t ms) { now += ms; });
  EXPECT_EQ(job.began, 1000u);
  // A step that asks for the next waits a tick from its own end; a polling step's timer
  // keeps running from its tick, and one that overran it is followed at once.
  EXPECT_EQ(job.ran, (std::vector<std::uint64_t>{1250, 1540, 1790, 2040, 2340}));
  EXPECT_EQ(job.finished, 1);
}

TEST(RunToEnd, FinishingAtOnceRunsOneStep) {
  std::uint64_t now = 0;
  ScriptedJob job({{Tick::Finish, false, 0}}, now);
  test::FakeEnvironment env;
  RunToEnd(
      job, env, [&now] { return now; }, [&now](std::uint32_t ms) { now += ms; });
  EXPECT_EQ(job.ran, std::vector<std::uint64_t>{kJobPeriodMs});
  EXPECT_EQ(job.finished, 1);
}

}  // namespace
}  // namespace tagline::job
