// SPDX-License-Identifier: Apache-2.0
// Clearing the reader's tag database on timer 8: identify, save the records first where the
// plan says so, "EC", wait for its answer.
#pragma once

#include "job/backup.h"
#include "job/reader_job.h"

namespace tagline::database {

class ClearJob : public job::ReaderJob {
 public:
  // `backup` (when given) saves the reader's records before the erase.
  explicit ClearJob(job::BackupBeforeErase backup = {}) : backup_(std::move(backup)) {}

  void Begin(job::JobEnvironment& env) override;
  bool Polling() const override { return stage_ == Stage::AwaitErase; }
  job::Tick Step(job::JobEnvironment& env) override;
  void Finish(job::JobEnvironment& env) override;

 private:
  enum class Stage { Identify, Backup, Erase, AwaitErase, Summary };

  job::BackupBeforeErase backup_;
  Stage stage_ = Stage::Identify;
  job::EraseWait erase_;
  bool erasing_ = false;
  bool lineLost_ = false;
};

}  // namespace tagline::database
