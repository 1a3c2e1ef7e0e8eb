#include "database/read_job.h"

#include <array>
#include <string_view>

#include "app/control_ids.h"
#include "database/layouts.h"
#include "database/layouts_write.h"
#include "database/plain_files.h"
#include "platform/file_replace.h"
#include "platform/home_directory.h"
#include "platform/tick_count.h"
#include "reader/software_version.h"
#include "serial/frame.h"

namespace tagline::database {

namespace {

namespace ctl = app::ctl;
using reader::ReaderModel;

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

app::JobResult ReadJob::Run(app::JobContext& ctx) {
  ctx.host().BeginWaitCursor();
  ctx.PullControls();
  app::EnableDatabaseControls(ctx.controls(), false);
  {
    const app::PollPause pause(ctx.host());
    if (ctx.link().open() && TargetWritable(ctx)) ReadDatabase(ctx);
    app::EnableDatabaseControls(ctx.controls(), true);
  }
  ctx.PushControls();
  ctx.host().EndWaitCursor();
  result_.finished = true;
  result_.ok = result_.readerFound && result_.failures.empty() && !result_.file.empty();
  return result_;
}

void ReadJob::Fail(app::JobContext& ctx, const std::string& text) {
  result_.failures.push_back(text);
  ctx.Message(text);
}

bool ReadJob::TargetWritable(app::JobContext& ctx) {
  if (HasDatabaseExtension(path_)) return true;
  // Found out before the reader is asked for anything, not after the whole read.
  if (const auto chosen = AskDatabasePath(ctx, true)) {
    path_ = *chosen;
    ctx.settings().read_path = path_;
    ctx.fields().readPathDisplay = app::PathDisplayText(path_);
    return true;
  }
  Fail(ctx, kNotSupported);
  return false;
}

void ReadJob::ReadDatabase(app::JobContext& ctx) {
  const int lostAtStart = ctx.link().lostReads();
  ctx.link().ClearPanes();
  table_.Fill("");
  attributes_.Fill("");
  ctx.controls().SetProgress(ctl::kProgress, 0);
  ctx.fields().datasetCount.clear();
  ctx.PushControls();

  // The records are read with the receive poll off, so that it cannot take their bytes.
  const auto model =
      reader::IdentifyReader(ctx, reader::VersionEcho::Shown, reader::PollAfter::LeaveOff);
  result_.readerFound = model != ReaderModel::NoReply;
  const auto layout = LayoutForModel(model);
  if (const auto loop = ReadLoopFor(model)) ReadRecords(ctx, *loop);
  if (end_ == ReadEnd::LineLost) {
    // Nothing more can be read; what was read is still saved.
    Save(ctx, model);
    return;
  }
  if (layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet) {
    ReadAttributes(ctx);
    if (ctx.link().lostReads() != lostAtStart) end_ = ReadEnd::LineLost;
  }
  Save(ctx, model);
}

void ReadJob::ReadRecords(app::JobContext& ctx, const ReadLoop& loop) {
  serial::ReaderLink& link = ctx.link();
  const int lostAtStart = link.lostReads();
  serial::ExchangeOptions pointerSpec;
  pointerSpec.flush = false;
  const serial::Reply pointer = link.Exchange("RP", pointerSpec);
  if (pointer.answered()) link.LogReply(pointer.cls);
  link.EndReceivedLine();
  ctx.controls().SetProgressRange(ctl::kProgress, 0, static_cast<int>(TagTable::Capacity()));

  int failedReads = 0;
  std::optional<ReadEnd> end;
  while (!end) {
    link.Drain(loop.flushCount);
    link.Send("RN", serial::Echo::None);
    platform::SleepMs(kRecordPauseMs);
    link.sentPane() += "RN\r\n";
    const std::string reply = link.CollectUntil(kReplyEnds, kReplyChunks);
    link.sentPane() += "\r\n";
    link.receivedPane() += KeptPart(reply, loop.kept);
    end = TakeReply(loop, reply, link.lostReads() != lostAtStart, failedReads);
    link.EndReceivedLine();
    ctx.fields().datasetCount = std::to_string(result_.records);
    ctx.PushControls();
    ctx.controls().SetProgress(ctl::kProgress, static_cast<int>(result_.records));
    ctx.host().DispatchPendingMessages();
    platform::SleepMs(kRecordPauseMs);
    link.TrimPanes();
  }
  end_ = *end;
  ctx.controls().SetProgressRange(ctl::kProgress, 0, static_cast<int>(result_.records));
  link.Drain(52);
  if (end_ == ReadEnd::Refused) Fail(ctx, "Communication Error with reader");
  if (end_ == ReadEnd::TableFull) {
    Fail(ctx, "The reader holds more than " + std::to_string(TagTable::Capacity()) +
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

void ReadJob::ReadAttributes(app::JobContext& ctx) {
  serial::ReaderLink& link = ctx.link();
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    const char token = AttributeList::TokenAt(i);
    const std::string command = std::string("T") + token;
    link.Send(command, serial::Echo::None);
    link.sentPane() += command;
    std::string reply = link.CollectUntil(kReplyEnds, kReplyChunks);
    link.sentPane() += "\r\n";
    if (!reply.empty()) reply.erase(0, 1);
    if (reply.size() > 4) reply.resize(reply.size() - 5);
    if (reply == std::string(1, token)) reply.clear();
    attributes_.Set(i, token + reply);
    link.receivedPane() += reply + "\r\n";
    link.TrimPanes();
    platform::SleepMs(kAttributePauseMs);
  }
}

void ReadJob::Save(app::JobContext& ctx, ReaderModel model) {
  const std::string& path = path_;
  const auto layout = LayoutForModel(model);
  if (model == ReaderModel::NoReply) return;
  if (!layout) return Fail(ctx, "database function is not supported");
  const bool xml = Contains(path, ".xml");
  const bool dat = !xml && Contains(path, ".dat");
  const bool db = !xml && !dat && Contains(path, ".db");
  if (layout == SheetLayout::AttributeSheet) {
    if (!xml && !dat && !db) return Fail(ctx, kNotSupported);
  } else if (dat) {
    return Fail(ctx,
                "*.dat database file format is not supported with this reader,\r\nplease choose "
                "*.xml format");
  } else if (db) {
    return Fail(ctx,
                "*.db database file format is not supported with this reader,\r\nplease choose "
                "*.xml format");
  } else if (!xml) {
    return Fail(ctx, kNotSupported);
  }

  std::string text;
  if (xml) {
    text = WriteSheet(*layout, model, table_, attributes_, [&ctx](std::size_t shown) {
      ctx.fields().datasetCount = std::to_string(shown);
      ctx.PushControls();
      ctx.controls().SetProgress(ctl::kProgress, static_cast<int>(shown));
      ctx.host().DispatchPendingMessages();
    });
  } else {
    text = dat ? DatFileText(table_, attributes_, model) : DbFileText(table_, attributes_);
  }
  // A read that did not reach the reader's end marker leaves the file as it is: what was
  // read goes beside it, under a name that says so.
  const bool complete = end_ == ReadEnd::Complete;
  const std::string target = complete ? path : IncompletePath(path);
  // A failed write keeps the old file, and a read-only file is not overwritten.
  if (!platform::ReplaceFileContents(target, text)) return Fail(ctx, kNoAccess);
  result_.file = target;
  result_.records = table_.LeadingCount();
  if (!complete) {
    return Fail(ctx, std::string(ReadEndText(end_)) + " " + std::to_string(result_.records) +
                         " records were read and saved to " + target + ";\r\n" + path +
                         " was left as it is.");
  }
  ctx.host().ShellOpen(path, "open");
}

bool HasDatabaseExtension(const std::string& path) {
  return Contains(path, ".xml") || Contains(path, ".dat") || Contains(path, ".db");
}

std::optional<std::string> AskDatabasePath(app::JobContext& ctx, bool read) {
  const std::string& path = read ? ctx.settings().read_path : ctx.settings().write_path;
  app::FileDialogRequest request;
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
  std::optional<std::string> chosen = ctx.host().SaveFileDialog(request);
  if (chosen && read && !chosen->empty() && !HasDatabaseExtension(*chosen)) *chosen += ".xml";
  if (chosen && chosen->empty()) chosen.reset();
  return chosen;
}

void ChooseDatabasePath(app::JobContext& ctx, bool read) {
  ctx.PullControls();
  std::string& path = read ? ctx.settings().read_path : ctx.settings().write_path;
  if (const auto chosen = AskDatabasePath(ctx, read)) path = *chosen;
  if (path.empty()) path = DefaultDatabasePath(read);
  if (read && !HasDatabaseExtension(path)) path += ".xml";
  (read ? ctx.fields().readPathDisplay : ctx.fields().writePathDisplay) =
      app::PathDisplayText(path);
  ctx.PushControls();
}

std::string DefaultDatabasePath(bool read) {
  return platform::DefaultFilePath(read ? "db_read.xml" : "db_write.xml");
}

}  // namespace tagline::database
