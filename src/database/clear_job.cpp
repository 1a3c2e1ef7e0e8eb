#include "database/clear_job.h"

#include "app/control_ids.h"
#include "reader/software_version.h"

namespace tagline::database {

namespace {

constexpr auto kNoDatabaseModel = static_cast<std::int8_t>(reader::ReaderModel::KtrH9HfV10Cs3);
constexpr const char* kClearLabel = "'EC'\tClear Eeprom\t";

}  // namespace

void ClearJob::Begin(app::JobContext& ctx) {
  lostAtStart_ = ctx.link().lostReads();
  BeginDatabaseJob(ctx, 0);
}

app::Tick ClearJob::Step(app::JobContext& ctx) {
  switch (step_) {
    case 1:
      model_ = static_cast<std::int8_t>(
          reader::IdentifyReader(ctx, reader::VersionEcho::Shown, reader::PollAfter::LeaveOff));
      ctx.SetLastJobModel(model_);
      if (model_ <= 0 || model_ == kNoDatabaseModel) return app::Tick::Finish;
      result_.readerFound = true;
      step_ = 2;
      return app::Tick::Next;
    case 2:
      SendClearDatabase(ctx, model_);
      polls_ = 0;
      status_ = ClearStatus::Waiting;
      ctx.controls().SetProgressRange(app::ctl::kProgress, 0, kMaxClearPolls);
      step_ = 3;
      return app::Tick::Next;
    case 3:
      // The timer keeps running: one look for the answer per tick.
      status_ = PollClearDatabase(ctx);
      ctx.controls().SetProgress(app::ctl::kProgress, polls_);
      ++polls_;
      if (ctx.link().lostReads() != lostAtStart_) {
        lineLost_ = true;
        step_ = 4;
        return app::Tick::Finish;
      }
      if (status_ == ClearStatus::Waiting && polls_ <= kMaxClearPolls) return app::Tick::Stay;
      step_ = 4;
      return app::Tick::Finish;
    default:
      return app::Tick::Finish;
  }
}

void ClearJob::Finish(app::JobContext& ctx) {
  if (step_ == 4) {
    if (lineLost_) {
      ReportFailure(ctx, result_, kConnectionLost);
    } else if (status_ == ClearStatus::Waiting) {
      ReportFailure(ctx, result_, "Communication Error with reader");
    }
    result_.steps.push_back({kClearLabel, status_ == ClearStatus::Cleared});
    result_.summary = app::SummaryText(result_.steps);
  }
  EndDatabaseJob(ctx);
  result_.ok = result_.readerFound && app::AllStepsOk(result_.steps);
  result_.finished = true;
}

}  // namespace tagline::database
