// The factory-default job on timer 9: identify, clear the database, optionally clear the
// attributes, set the clock, write the model's factory parameters, show the summary.
#pragma once

#include <cstdint>
#include <string>

#include "app/job_runner.h"
#include "database/database_job.h"
#include "database/tag_table.h"
#include "reader/factory_plan.h"

namespace tagline::reader {

class FactoryJob : public app::StepJob {
 public:
  // The attribute clear checks the window's tables as the last load left them.
  FactoryJob(const database::TagTable& table, const database::AttributeList& attributes)
      : table_(table), attributes_(attributes) {}

  void Begin(app::JobContext& ctx) override;
  bool Polling() const override { return step_ == 3; }
  app::Tick Step(app::JobContext& ctx) override;
  void Finish(app::JobContext& ctx) override;
  const app::JobResult& result() const override { return result_; }

 private:
  void SetModel(app::JobContext& ctx, std::int8_t model);
  // Step 1: the version exchange; false when no reader (or no model) answered.
  bool Identify(app::JobContext& ctx);
  // Step 3, once a tick: true when the answer to "EC" came or the polls ran out.
  bool PollClear(app::JobContext& ctx);
  FactoryChoice AskDialog(app::JobContext& ctx, FactoryDialog dialog, std::string& text);
  // The model's factory parameter writes; the success counter as a signed byte.
  std::int8_t WriteParameters(app::JobContext& ctx);
  bool LineLost(app::JobContext& ctx) const;

  const database::TagTable& table_;
  const database::AttributeList& attributes_;
  int step_ = 1;
  std::int8_t model_ = 0;
  int polls_ = 0;
  int lostAtStart_ = 0;
  database::ClearStatus clearStatus_ = database::ClearStatus::Waiting;
  bool deleteAttributes_ = false;
  FactoryJobFlags flags_;
  app::JobResult result_;
};

}  // namespace tagline::reader
