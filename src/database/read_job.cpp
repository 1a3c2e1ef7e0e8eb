#include "database/read_job.h"

#include <array>
#include <string_view>

#include "database/layouts.h"
#include "database/layouts_write.h"
#include "database/plain_files.h"
#include "job/identification.h"
#include "job/reader_job.h"
#include "platform/file_replace.h"
#include "platform/home_directory.h"
#include "platform/tick_count.h"
#include "serial/frame.h"

namespace tagline::database {

namespace {

using protocol::ReaderModel;

constexpr int kReplyChunks = 500;
constexpr std::uint32_t kRecordPauseMs = 20;
constexpr std::uint32_t kAttributePauseMs = 5;
// A reader that refuses "RN" again and again would hold the read for ever.
constexpr int kMaxRefusals = 20;

constexpr const char* kNotSupported =
    "this database file format is not supported,\r\nplease choose *.xml format";
constexpr const char* kNoAccess = "can not save received data,\r\nno access on file";

// The kept part of a reply. A short frame (a bare end marker, say) loses its STX so that
// it is recognised for what it is instead of being stored as a record.
std::string KeptPart(const std::string& reply, std::size_t kept) {
  if (reply.size() >= kept) return reply.substr(1, kept - 1);
  if (!reply.empty() && reply.front() == serial::kStx) return reply.substr(1);
  return reply;
}

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

constexpr std::array kReplyEndChars{serial::kEtx, serial::kNak};
constexpr std::string_view kReplyEnds{kReplyEndChars.data(), kReplyEndChars.size()};

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

std::optional<ReadLoop> ReadLoopFor(ReaderModel model) {
  switch (model) {
    case ReaderModel::Talvikko:
      return ReadLoop{26, "X_", 31};
    case ReaderModel::Fenra:
      return ReadLoop{32, "X_", 31};
    case ReaderModel::B21Vip:
      return ReadLoop{24, "_", 51};
    default:
      break;
  }
  const auto layout = LayoutForModel(model);
  if (layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet ||
      layout == SheetLayout::CodeSheet) {
    return ReadLoop{46, "_", 51};
  }
  return std::nullopt;
}

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
  Fail(env, kNotSupported);
  return false;
}

void ReadJob::ReadDatabase(job::JobEnvironment& env) {
  const int lostAtStart = env.reader().lostReads();
  env.transcript().Clear();
  table_.Fill("");
  attributes_.Fill("");
  env.Progress(0);
  env.ShowCount("");

  const auto model = job::IdentifyReader(env, job::VersionEcho::Shown);
  result_.readerFound = model != ReaderModel::NoReply;
  const auto layout = LayoutForModel(model);
  if (const auto loop = ReadLoopFor(model)) ReadRecords(env, *loop);
  if (end_ == ReadEnd::LineLost) {
    // Nothing more can be read; what was read is still saved.
    Save(env, model);
    return;
  }
  if (layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet) {
    ReadAttributes(env);
    if (env.reader().lostReads() != lostAtStart) end_ = ReadEnd::LineLost;
  }
  Save(env, model);
}

void ReadJob::ReadRecords(job::JobEnvironment& env, const ReadLoop& loop) {
  protocol::ReaderProtocol& reader = env.reader();
  job::Transcript& transcript = env.transcript();
  const int lostAtStart = reader.lostReads();
  const protocol::Reply pointer = reader.ResetReadPointer();
  if (pointer.answered()) transcript.Log(pointer.cls);
  transcript.EndLine();
  env.ProgressTotal(static_cast<int>(TagTable::Capacity()));

  int failedReads = 0;
  std::optional<ReadEnd> end;
  while (!end) {
    const std::string reply = reader.ReadNext(loop.flushCount).raw;
    transcript.Sent("RN\r\n");
    transcript.Sent("\r\n");
    transcript.Received(KeptPart(reply, loop.kept));
    end = TakeReply(loop, reply, reader.lostReads() != lostAtStart, failedReads);
    transcript.EndLine();
    env.ShowCount(std::to_string(result_.records));
    env.Progress(static_cast<int>(result_.records));
    env.Idle();
    platform::SleepMs(kRecordPauseMs);
    transcript.Trim();
  }
  end_ = *end;
  env.ProgressTotal(static_cast<int>(result_.records));
  reader.Drain(52);
  if (end_ == ReadEnd::Refused) Fail(env, "Communication Error with reader");
  if (end_ == ReadEnd::TableFull) {
    Fail(env, "The reader holds more than " + std::to_string(TagTable::Capacity()) +
                  " records; only the first " + std::to_string(TagTable::Capacity()) +
                  " were read.");
  }
}

std::optional<ReadJob::ReadEnd> ReadJob::TakeReply(const ReadLoop& loop, const std::string& reply,
                                                   bool lineLost, int& failedReads) {
  if (lineLost) return ReadEnd::LineLost;
  if (reply.empty()) return ReadEnd::Silence;
  // Only a whole frame with matching CRC digits is a record; anything else (a refusal,
  // garbage, a frame cut short) is a failed read, and "RN" asks again.
  const std::optional<std::string> data = serial::UnframeReply(reply);
  const bool endMarker =
      data && !data->empty() && loop.ends.find(data->front()) != std::string_view::npos;
  if (data && data->size() == loop.kept - 1 && data->front() != '_') {
    if (!table_.Append(*data)) return ReadEnd::TableFull;
    ++result_.records;
    failedReads = 0;
    // An end marker that is a record ("X" on inspection readers) is kept.
    return endMarker ? std::optional(ReadEnd::Complete) : std::nullopt;
  }
  if (endMarker) return ReadEnd::Complete;
  return ++failedReads > kMaxRefusals ? std::optional(ReadEnd::Refused) : std::nullopt;
}

void ReadJob::ReadAttributes(job::JobEnvironment& env) {
  job::Transcript& transcript = env.transcript();
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    const char token = AttributeList::TokenAt(i);
    std::string text = env.reader().ReadAttribute(token).payload;
    transcript.Sent(std::string("T") + token + "\r\n");
    if (text == std::string(1, token)) text.clear();
    attributes_.Set(i, token + text);
    transcript.Received(text + "\r\n");
    transcript.Trim();
    platform::SleepMs(kAttributePauseMs);
  }
}

void ReadJob::Save(job::JobEnvironment& env, ReaderModel model) {
  const std::string& path = path_;
  const auto layout = LayoutForModel(model);
  if (model == ReaderModel::NoReply) return;
  if (!layout) return Fail(env, "database function is not supported");
  const bool xml = Contains(path, ".xml");
  const bool dat = !xml && Contains(path, ".dat");
  const bool db = !xml && !dat && Contains(path, ".db");
  if (layout == SheetLayout::AttributeSheet) {
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
  if (xml) {
    text = WriteSheet(*layout, model, table_, attributes_, [&env](std::size_t shown) {
      env.ShowCount(std::to_string(shown));
      env.Progress(static_cast<int>(shown));
      env.Idle();
    });
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
    return Fail(env, std::string(ReadEndText(end_)) + " " + std::to_string(result_.records) +
                         " records were read and saved to " + target + ";\r\n" + path +
                         " was left as it is.");
  }
  env.OpenFile(path);
}

bool HasDatabaseExtension(const std::string& path) {
  return Contains(path, ".xml") || Contains(path, ".dat") || Contains(path, ".db");
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
                       {"All Files (*.*)", "*.*"}};
  } else {
    request.filters = {{"All files", "*.*"}};
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
