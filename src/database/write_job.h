// Writing a sheet into the reader on timer 7: identify, load the sheet, write the
// attributes, erase ("EC"), set the write pointer ("WP"), write the records ("w"), and
// show the summary.
#pragma once

#include <string>

#include "database/tag_table.h"
#include "job/reader_job.h"

namespace tagline::database {

class WriteJob : public job::ReaderJob {
 public:
  // The job fills the window's tables from the sheet at `path`.
  WriteJob(TagTable& table, AttributeList& attributes, std::string path)
      : table_(table), attributes_(attributes), path_(std::move(path)) {}

  void Begin(job::JobEnvironment& env) override;
  bool Polling() const override { return stage_ == Stage::AwaitErase; }
  job::Tick Step(job::JobEnvironment& env) override;
  void Finish(job::JobEnvironment& env) override;

 private:
  enum class Stage {
    Identify,
    LoadSheet,
    WriteAttributes,
    Erase,
    AwaitErase,
    InitWritePointer,
    WriteRecords,
    Summary,
    Done,
  };

  // Loads and checks the sheet; false, with the reason shown, when it cannot be written
  // whole. Nothing has been sent to the reader but "SV" then.
  bool LoadSheet(job::JobEnvironment& env);
  // Reports a sheet refused before anything was written; false.
  bool Refuse(job::JobEnvironment& env, const std::string& text);
  // No attributes loaded for an attribute model, or no code in the code sheet's first row.
  bool HasWrongFormat() const;
  // Attribute texts longer than the reader keeps are shown; false when the user declines.
  bool AcceptCutAttributes(job::JobEnvironment& env);
  void WriteAttributes(job::JobEnvironment& env);
  void AwaitErase(job::JobEnvironment& env);
  void InitWritePointer(job::JobEnvironment& env);
  void WriteRecords(job::JobEnvironment& env);
  // Tells why a record did not reach the reader after every attempt.
  void ReportRecordFailure(job::JobEnvironment& env, std::size_t number, bool anyReply,
                           serial::ReplyClass last);
  void BuildSummary();

  TagTable& table_;
  AttributeList& attributes_;
  std::string path_;
  Stage stage_ = Stage::Identify;
  job::EraseWait erase_;
  bool attributesOk_ = false;
  bool erased_ = false;
  bool pointerOk_ = false;
  bool recordsOk_ = false;
  bool tableFull_ = false;  // the sheet held more records than the reader takes
};

}  // namespace tagline::database
