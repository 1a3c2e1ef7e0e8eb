// SPDX-License-Identifier: Apache-2.0
// Writing a sheet into the reader on timer 7: identify, load the sheet, save the reader's
// records first where the plan says so, write the attributes, erase ("EC"), set the write
// pointer ("WP"), write the records ("w"), read them back where an answer was in doubt (or
// always, when asked) and write them again where they differ, and show the summary.
#pragma once

#include <string>

#include "database/record_reading.h"
#include "database/tag_table.h"
#include "job/backup.h"
#include "job/reader_job.h"

namespace tagline::database {

struct WriteOptions {
  // Read the records back and compare them with the sheet even when every answer was clean.
  bool verify = false;
  // Saves the reader's records before the erase; none makes no backup.
  job::BackupBeforeErase backup;
};

// The erase and write again after a read-back that differs from the sheet, at the most.
inline constexpr int kMaxWriteRepairs = 2;

class WriteJob : public job::ReaderJob {
 public:
  // The job fills the window's tables from the sheet at `path`.
  WriteJob(TagTable& table, AttributeList& attributes, std::string path, WriteOptions options = {})
      : table_(table),
        attributes_(attributes),
        path_(std::move(path)),
        options_(std::move(options)) {}

  void Begin(job::JobEnvironment& env) override;
  bool Polling() const override { return stage_ == Stage::AwaitErase; }
  job::Tick Step(job::JobEnvironment& env) override;
  void Finish(job::JobEnvironment& env) override;

 private:
  enum class Stage {
    Identify,
    LoadSheet,
    Backup,
    WriteAttributes,
    Erase,
    AwaitErase,
    InitWritePointer,
    WriteRecords,
    Verify,
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
  void Backup(job::JobEnvironment& env);
  void WriteRecords(job::JobEnvironment& env);
  // Reads the records back and compares them with the sheet's; goes to the erase again
  // where they differ and a repair is left.
  void Verify(job::JobEnvironment& env);
  // Reads the attributes back where an answer was in doubt (or always, when asked), and
  // writes them again where they differ.
  void VerifyAttributes(job::JobEnvironment& env);
  // Whether the reader gives back the attributes written; else the differing ones are noted.
  bool AttributesHeld(job::JobEnvironment& env);
  // What the read-back found against the sheet.
  std::string DifferenceText(const RecordsRead& read,
                             const std::vector<std::string>& expected) const;
  // The sheet's records as they were sent.
  std::vector<std::string> SheetRecords() const;
  // Tells why a record did not reach the reader after every attempt.
  void ReportRecordFailure(job::JobEnvironment& env, std::size_t number, bool anyReply,
                           serial::ReplyClass last);
  void BuildSummary(job::JobEnvironment& env);

  TagTable& table_;
  AttributeList& attributes_;
  std::string path_;
  WriteOptions options_;
  Stage stage_ = Stage::Identify;
  job::EraseWait erase_;
  bool attributesOk_ = false;
  bool erased_ = false;
  bool pointerOk_ = false;
  bool recordsOk_ = false;
  bool tableFull_ = false;  // the sheet held more records than the reader takes
  // An answer to "w" that leaves open whether the reader stored the record (or stored it
  // twice): the records are read back.
  bool ambiguous_ = false;
  bool verified_ = false;
  // An answer to "t" that came late, garbled or not at all before the last attempt.
  bool attributesInDoubt_ = false;
  std::vector<char> attributeDifference_;
  int repairs_ = 0;
};

}  // namespace tagline::database
