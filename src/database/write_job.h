// Writing a sheet into the reader on timer 7: identify, load the sheet, write the
// attributes, erase ("EC"), set the write pointer ("WP"), write the records ("w"), and
// show the summary.
#pragma once

#include <cstdint>

#include "app/job_runner.h"
#include "database/database_job.h"
#include "database/tag_table.h"

namespace tagline::database {

class WriteJob : public app::StepJob {
 public:
  // The job fills the window's tables from the sheet at `path`.
  WriteJob(TagTable& table, AttributeList& attributes, std::string path)
      : table_(table), attributes_(attributes), path_(std::move(path)) {}

  void Begin(app::JobContext& ctx) override;
  bool Polling() const override { return step_ == 5; }
  app::Tick Step(app::JobContext& ctx) override;
  void Finish(app::JobContext& ctx) override;
  const app::JobResult& result() const override { return result_; }

 private:
  void SetModel(app::JobContext& ctx, std::int8_t model);
  // Loads and checks the sheet: the failure value, with the reason shown, when it cannot
  // be written whole. Nothing has been sent to the reader but "SV" then.
  std::int8_t LoadSheet(app::JobContext& ctx, std::int8_t model);
  std::int8_t Refuse(app::JobContext& ctx, const std::string& text);
  // No attributes loaded for an attribute model, or no code in the code sheet's first row.
  bool HasWrongFormat(std::int8_t model) const;
  // Attribute texts longer than the reader keeps are shown; false when the user declines.
  bool AcceptCutAttributes(app::JobContext& ctx);
  std::int8_t WriteAttributes(app::JobContext& ctx, std::int8_t model);
  std::int8_t InitWritePointer(app::JobContext& ctx, std::int8_t model);
  std::int8_t WriteRecords(app::JobContext& ctx, std::int8_t model);
  void BuildSummary();

  TagTable& table_;
  AttributeList& attributes_;
  std::string path_;
  int step_ = 1;
  std::int8_t model_ = -1;
  int polls_ = 0;
  ClearStatus clearStatus_ = ClearStatus::Waiting;
  bool attributesOk_ = false;
  bool erased_ = false;
  bool pointerOk_ = false;
  bool recordsOk_ = false;
  bool tableFull_ = false;
  int lostAtStart_ = 0;  // the link's count of lost reads when the job began  // the sheet held
                         // more records than the reader takes
  app::JobResult result_;
};

}  // namespace tagline::database
