// SPDX-License-Identifier: Apache-2.0
// Reading the reader's tag database ("RP", "RN", "T") into the tables and a file, and
// choosing the files of the database transfer.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <functional>

#include "database/record_reading.h"
#include "database/tag_table.h"
#include "job/job_environment.h"
#include "job/job_result.h"
#include "protocol/reader_model.h"

namespace tagline::database {

class ReadJob {
 public:
  // The job fills the window's tables and writes them to `path`. With `verify` the records
  // are read twice and compared even on a clean line.
  ReadJob(TagTable& table, AttributeList& attributes, std::string path, bool verify = false)
      : table_(table), attributes_(attributes), path_(std::move(path)), verify_(verify) {}

  // The Read button: the whole job at once (the front end keeps the receive poll off).
  job::JobResult Run(job::JobEnvironment& env);

 private:
  void ReadDatabase(job::JobEnvironment& env);
  // Whether the target is a file format the read writes; the file dialog is offered first.
  bool TargetWritable(job::JobEnvironment& env);
  void ReadRecords(job::JobEnvironment& env, const ReadLoop& loop);
  // What stayed in doubt, for the message of an incomplete read.
  std::string DoubtText() const;
  void Save(job::JobEnvironment& env, protocol::ReaderModel model);
  void Fail(job::JobEnvironment& env, const std::string& text);

  TagTable& table_;
  AttributeList& attributes_;
  std::string path_;
  bool verify_ = false;
  ReadEnd end_ = ReadEnd::Complete;
  std::vector<std::size_t> recordsInDoubt_;
  bool countInDoubt_ = false;
  std::vector<char> attributesInDoubt_;
  job::JobResult result_;
};

// The file dialog for the read target or the write source, starting at `path`: the path
// chosen (a read target gets ".xml" when it has no extension of its own), nothing when it
// was cancelled.
using FileQuestion = std::function<std::optional<std::string>(const job::FileDialogRequest&)>;
std::optional<std::string> AskDatabasePath(const FileQuestion& ask, const std::string& path,
                                           bool read);
// Whether a read target names a file format the read writes.
bool HasDatabaseExtension(const std::string& path);
std::string DefaultDatabasePath(bool read);

}  // namespace tagline::database
