// SPDX-License-Identifier: Apache-2.0
#include "database/clear_job.h"

#include "database/database_job_view.h"

namespace tagline::database {

namespace {

constexpr const char* kClearLabel = "'EC'\tClear Eeprom\t";

}  // namespace

void ClearJob::Begin(job::JobEnvironment& env) {
  WatchLine(env);
  BeginDatabaseJob(env, 0);
}

job::Tick ClearJob::Step(job::JobEnvironment& env) {
  // Stopped before the erase: the reader keeps its records.
  if ((stage_ == Stage::Backup || stage_ == Stage::Erase) && StopAsked(env)) {
    ReportFailure(env, "The clear was interrupted before the erase; the reader keeps its records.");
    stage_ = Stage::Summary;
    return job::Tick::Finish;
  }
  switch (stage_) {
    case Stage::Identify:
      if (!Identify(env, Needs::Database)) return job::Tick::Finish;
      stage_ = Stage::Backup;
      return job::Tick::Next;
    case Stage::Backup:
      stage_ = Stage::Erase;
      if (backup_) {
        const job::BackupOutcome outcome = backup_(env, model());
        if (!outcome.mayErase()) {
          ReportFailure(env, job::BackupRefusalText(outcome));
          stage_ = Stage::Summary;
          return job::Tick::Finish;
        }
      }
      return job::Tick::Next;
    case Stage::Erase:
      erase_.Start(env);
      erasing_ = true;
      env.ProgressTotal(job::EraseWait::kMaxLooks);
      stage_ = Stage::AwaitErase;
      return job::Tick::Next;
    case Stage::AwaitErase: {
      // The timer keeps running: one look for the answer per tick.
      const bool answered = erase_.Look(env);
      env.Progress(erase_.looks() - 1);
      lineLost_ = LineLost(env);
      if (!answered && !lineLost_) return job::Tick::Stay;
      stage_ = Stage::Summary;
      return job::Tick::Finish;
    }
    case Stage::Summary:
      break;
  }
  return job::Tick::Finish;
}

void ClearJob::Finish(job::JobEnvironment& env) {
  const bool reachedSummary = stage_ == Stage::Summary;
  if (reachedSummary) {
    if (lineLost_) {
      ReportFailure(env, job::kConnectionLost);
    } else if (erasing_ && erase_.status() == job::ClearStatus::Waiting) {
      ReportFailure(env, "Communication Error with reader");
    }
    if (erasing_) {
      result_.steps.push_back({kClearLabel, erase_.status() == job::ClearStatus::Cleared});
    }
    result_.summary = job::SummaryText(result_.steps);
  }
  EndDatabaseJob(env);
  Conclude(reachedSummary);
}

}  // namespace tagline::database
