// Reading the reader's tag database ("RP", "RN", "T") into the tables and a file, and
// choosing the files of the database transfer.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <functional>

#include "database/tag_table.h"
#include "job/job_environment.h"
#include "job/job_result.h"
#include "protocol/reader_model.h"

namespace tagline::database {

// How a model's records are read: the part of each reply kept (the first `kept`
// characters, of those the last kept - 1), the characters that begin the end marker,
// and the flush before each "RN".
struct ReadLoop {
  std::size_t kept;
  std::string_view ends;
  std::uint32_t flushCount;
};
std::optional<ReadLoop> ReadLoopFor(protocol::ReaderModel model);

class ReadJob {
 public:
  // The job fills the window's tables and writes them to `path`.
  ReadJob(TagTable& table, AttributeList& attributes, std::string path)
      : table_(table), attributes_(attributes), path_(std::move(path)) {}

  // The Read button: the whole job at once (the front end keeps the receive poll off).
  job::JobResult Run(job::JobEnvironment& env);

 private:
  // How the record loop ended; every end but the first is an incomplete read.
  enum class ReadEnd { Complete, Silence, Refused, TableFull, LineLost };
  static constexpr const char* ReadEndText(ReadEnd end) {
    switch (end) {
      case ReadEnd::Complete:
        return "The database was read.";
      case ReadEnd::Silence:
        return "The reader stopped answering before the end of its database.";
      case ReadEnd::Refused:
        return "The reader kept refusing to send its records.";
      case ReadEnd::TableFull:
        return "The reader holds more records than a table takes.";
      case ReadEnd::LineLost:
        return "The connection to the reader was lost during the read.";
    }
    return "";
  }

  void ReadDatabase(job::JobEnvironment& env);
  // Whether the target is a file format the read writes; the file dialog is offered first.
  bool TargetWritable(job::JobEnvironment& env);
  // Takes one reply of the record loop; the loop's end, or nothing to go on.
  std::optional<ReadEnd> TakeReply(const ReadLoop& loop, const std::string& reply, bool lineLost,
                                   int& failedReads);
  void ReadRecords(job::JobEnvironment& env, const ReadLoop& loop);
  void ReadAttributes(job::JobEnvironment& env);
  void Save(job::JobEnvironment& env, protocol::ReaderModel model);
  void Fail(job::JobEnvironment& env, const std::string& text);

  TagTable& table_;
  AttributeList& attributes_;
  std::string path_;
  ReadEnd end_ = ReadEnd::Complete;
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
