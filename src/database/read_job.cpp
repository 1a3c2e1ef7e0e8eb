// SPDX-License-Identifier: Apache-2.0
#include "database/read_job.h"

#include <string_view>

#include "database/csv_sheet.h"
#include "database/layouts.h"
#include "database/layouts_write.h"
#include "database/plain_files.h"
#include "job/identification.h"
#include "job/reader_job.h"
#include "platform/file_replace.h"
#include "platform/home_directory.h"

namespace tagline::database {

namespace {

using protocol::ReaderModel;

constexpr const char* kNotSupported =
    "this database file format is not supported,\r\nplease choose *.xml format";
constexpr const char* kNoAccess = "can not save received data,\r\nno access on file";

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// "db.xml" -> "db.incomplete.xml".
std::string IncompletePath(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return path + ".incomplete";
  }
  return path.substr(0, dot) + ".incomplete" + path.substr(dot);
}

}  // namespace

job::JobResult ReadJob::Run(job::JobEnvironment& env) {
  if (env.reader().open() && TargetWritable(env)) ReadDatabase(env);
  result_.finished = true;
  result_.ok = result_.readerFound && result_.failures.empty() && !result_.file.empty();
  return result_;
}

void ReadJob::Fail(job::JobEnvironment& env, const std::string& text) {
  job::ReportFailure(env, result_, text);
}

bool ReadJob::TargetWritable(job::JobEnvironment& env) {
  if (HasDatabaseExtension(path_)) return true;
  // Found out before the reader is asked for anything, not after the whole read.
  const FileQuestion ask = [&env](const job::FileDialogRequest& request) {
    return env.ChooseFileToSave(request);
  };
  if (const auto chosen = AskDatabasePath(ask, env.settings().read_path, true)) {
    path_ = *chosen;
    env.settings().read_path = path_;
    return true;
  }
  // Cancel in the file dialog just cancels; without a dialog the path is what is wrong.
  if (!env.AsksUser()) Fail(env, kNotSupported);
  return false;
}

void ReadJob::ReadDatabase(job::JobEnvironment& env) {
  const int lostAtStart = env.reader().lostReads();
  env.transcript().Clear();
  table_.Fill("");
  attributes_.Fill("");
  env.Progress(0);
  env.ShowCount("");

  const job::Identification reader = job::Identify(env, job::VersionEcho::Shown);
  const ReaderModel model = reader.model;
  result_.readerFound = model != ReaderModel::NoReply;
  if (result_.readerFound && !reader.certain) {
    // A sheet in another model's layout would look whole and hold the wrong fields.
    return Fail(env, job::DoubtfulIdentificationText(reader));
  }
  const auto layout = LayoutForModel(model);
  if (const auto loop = ReadLoopFor(model)) ReadRecords(env, *loop);
  if (end_ == ReadEnd::LineLost || end_ == ReadEnd::Interrupted) {
    // Nothing more can be read; what was read is still saved.
    Save(env, model);
    return;
  }
  if (layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet) {
    attributesInDoubt_ = database::ReadAttributes(env, attributes_);
    if (env.reader().lostReads() != lostAtStart) end_ = ReadEnd::LineLost;
    if (end_ == ReadEnd::Complete && !attributesInDoubt_.empty()) end_ = ReadEnd::InDoubt;
  }
  Save(env, model);
}

void ReadJob::ReadRecords(job::JobEnvironment& env, const ReadLoop& loop) {
  RecordsRead read = database::ReadRecords(env, loop, verify_);
  for (std::string& record : read.records) table_.Append(std::move(record));
  end_ = read.end;
  recordsInDoubt_ = std::move(read.inDoubt);
  countInDoubt_ = read.countInDoubt;
  if (end_ == ReadEnd::Refused) Fail(env, "Communication Error with reader");
  if (end_ == ReadEnd::TableFull) {
    Fail(env, "The reader holds more than " + std::to_string(TagTable::Capacity()) +
                  " records; only the first " + std::to_string(TagTable::Capacity()) +
                  " were read.");
  }
  if (end_ == ReadEnd::Interrupted) result_.interrupted = true;
}

std::string ReadJob::DoubtText() const {
  std::string text;
  // Where the reader stopped or refused, what came after is not in doubt but unread.
  if (end_ != ReadEnd::InDoubt) return text;
  if (!recordsInDoubt_.empty()) {
    text += " " + NumberList("Record", "Records", recordsInDoubt_) + " stayed in doubt.";
  }
  if (recordsInDoubt_.empty() && countInDoubt_) text += " Where the records end stayed in doubt.";
  if (!attributesInDoubt_.empty()) {
    text += " The attribute" + std::string(attributesInDoubt_.size() == 1 ? "" : "s");
    for (std::size_t i = 0; i < attributesInDoubt_.size(); ++i) {
      text += std::string(i == 0 ? " " : ", ") + attributesInDoubt_[i];
    }
    text += " stayed in doubt.";
  }
  return text;
}

void ReadJob::Save(job::JobEnvironment& env, ReaderModel model) {
  const std::string& path = path_;
  const auto layout = LayoutForModel(model);
  if (model == ReaderModel::NoReply) return;
  if (!layout) return Fail(env, "database function is not supported");
  const bool csv = IsCsvPath(path);
  const bool xml = !csv && Contains(path, ".xml");
  const bool dat = !csv && !xml && Contains(path, ".dat");
  const bool db = !csv && !xml && !dat && Contains(path, ".db");
  if (csv) {
    // Every layout has its CSV form.
  } else if (layout == SheetLayout::AttributeSheet) {
    if (!xml && !dat && !db) return Fail(env, kNotSupported);
  } else if (dat) {
    return Fail(env,
                "*.dat database file format is not supported with this reader,\r\nplease choose "
                "*.xml format");
  } else if (db) {
    return Fail(env,
                "*.db database file format is not supported with this reader,\r\nplease choose "
                "*.xml format");
  } else if (!xml) {
    return Fail(env, kNotSupported);
  }

  std::string text;
  const auto progress = [&env](std::size_t shown) {
    env.ShowCount(std::to_string(shown));
    env.Progress(static_cast<int>(shown));
    env.Idle();
  };
  if (xml) {
    text = WriteSheet(*layout, model, table_, attributes_, progress);
  } else if (csv) {
    text = CsvSheetText(*layout, model, table_, attributes_, progress);
  } else {
    text = dat ? DatFileText(table_, attributes_, model) : DbFileText(table_, attributes_);
  }
  // A read that did not reach the reader's end marker leaves the file as it is: what was
  // read goes beside it, under a name that says so.
  const bool complete = end_ == ReadEnd::Complete;
  const std::string target = complete ? path : IncompletePath(path);
  // A failed write keeps the old file, and a read-only file is not overwritten.
  if (!platform::ReplaceFileContents(target, text)) return Fail(env, kNoAccess);
  result_.file = target;
  result_.records = table_.LeadingCount();
  if (!complete) {
    return Fail(env, std::string(ReadEndText(end_)) + DoubtText() + " " +
                         std::to_string(result_.records) + " records were read and saved to " +
                         target + ";\r\n" + path + " was left as it is.");
  }
  env.OpenFile(path);
}

bool HasDatabaseExtension(const std::string& path) {
  return Contains(path, ".xml") || Contains(path, ".dat") || Contains(path, ".db") ||
         IsCsvPath(path);
}

std::optional<std::string> AskDatabasePath(const FileQuestion& ask, const std::string& path,
                                           bool read) {
  job::FileDialogRequest request;
  request.title = read ? "Read database into" : "Write database from";
  request.initialPath = path;
  request.defaultExtension = "xml";
  if (read) {
    request.filters = {{"XML Files (*.xml)", "*.xml"},
                       {"Data Files (*.dat)", "*.dat"},
                       {"Database Files (*.db)", "*.db"},
                       {"CSV Files (*.csv)", "*.csv"},
                       {"All Files (*.*)", "*.*"}};
  } else {
    request.filters = {
        {"All files", "*.*"}, {"XML Files (*.xml)", "*.xml"}, {"CSV Files (*.csv)", "*.csv"}};
  }
  std::optional<std::string> chosen = ask(request);
  if (chosen && read && !chosen->empty() && !HasDatabaseExtension(*chosen)) *chosen += ".xml";
  if (chosen && chosen->empty()) chosen.reset();
  return chosen;
}

std::string DefaultDatabasePath(bool read) {
  return platform::DefaultFilePath(read ? "db_read.xml" : "db_write.xml");
}

}  // namespace tagline::database
