// Clearing the reader's tag database on timer 8: identify, "EC", wait for its answer.
#pragma once

#include "job/reader_job.h"

namespace tagline::database {

class ClearJob : public job::ReaderJob {
 public:
  void Begin(job::JobEnvironment& env) override;
  bool Polling() const override { return stage_ == Stage::AwaitErase; }
  job::Tick Step(job::JobEnvironment& env) override;
  void Finish(job::JobEnvironment& env) override;

 private:
  enum class Stage { Identify, Erase, AwaitErase, Summary };

  Stage stage_ = Stage::Identify;
  job::EraseWait erase_;
  bool lineLost_ = false;
};

}  // namespace tagline::database
