// Reading the reader's tag database ("RP", "RN", "T") into the tables and a file, and
// choosing the files of the database transfer.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "app/job_context.h"
#include "app/job_result.h"
#include "database/tag_table.h"
#include "reader/reader_model.h"

namespace tagline::database {

// How a model's records are read: the part of each reply kept (the first `kept`
// characters, of those the last kept - 1), the characters that begin the end marker,
// and the flush before each "RN".
struct ReadLoop {
  std::size_t kept;
  std::string_view ends;
  std::uint32_t flushCount;
};
std::optional<ReadLoop> ReadLoopFor(reader::ReaderModel model);

class ReadJob {
 public:
  // The job fills the window's tables and writes them to `path`.
  ReadJob(TagTable& table, AttributeList& attributes, std::string path)
      : table_(table), attributes_(attributes), path_(std::move(path)) {}

  // The Read button: the whole job, with the receive poll stopped.
  app::JobResult Run(app::JobContext& ctx);

 private:
  void ReadDatabase(app::JobContext& ctx);
  void ReadRecords(app::JobContext& ctx, const ReadLoop& loop);
  void ReadAttributes(app::JobContext& ctx);
  void Save(app::JobContext& ctx, reader::ReaderModel model);
  void Fail(app::JobContext& ctx, const std::string& text);

  TagTable& table_;
  AttributeList& attributes_;
  std::string path_;
  app::JobResult result_;
};

// The path buttons: the file dialog for the read target or the write source.
void ChooseDatabasePath(app::JobContext& ctx, bool read);
std::string DefaultDatabasePath(bool read);

}  // namespace tagline::database
