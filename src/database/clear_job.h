// Clearing the reader's tag database on timer 8: identify, "EC", wait for its answer.
#pragma once

#include "app/job_runner.h"
#include "database/database_job.h"

namespace tagline::database {

class ClearJob : public app::StepJob {
 public:
  void Begin(app::JobContext& ctx) override;
  bool Polling() const override { return step_ == 3; }
  app::Tick Step(app::JobContext& ctx) override;
  void Finish(app::JobContext& ctx) override;
  const app::JobResult& result() const override { return result_; }

 private:
  int step_ = 1;
  std::int8_t model_ = 0;
  int polls_ = 0;
  ClearStatus status_ = ClearStatus::Waiting;
  int lostAtStart_ = 0;  // the link's count of lost reads when the job began
  bool lineLost_ = false;
  app::JobResult result_;
};

}  // namespace tagline::database
