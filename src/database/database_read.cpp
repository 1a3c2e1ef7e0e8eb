// Reading the reader's tag database ("RP", "RN", "T") into the tables and a file.
#include <optional>
#include <string_view>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "database/layouts.h"
#include "database/layouts_write.h"
#include "database/plain_files.h"
#include "platform/file_replace.h"
#include "platform/home_directory.h"
#include "platform/tick_count.h"
#include "reader/classify_reader_version.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

using reader::ReaderModel;

constexpr std::uint32_t kPollPeriodMs = 250;
constexpr int kReplyChunks = 500;
constexpr int kProgressRange = 2048;
// A reader that refuses "RN" again and again would hold the read for ever.
constexpr int kMaxRefusals = 20;

constexpr const char* kNotSupported =
    "this database file format is not supported,\r\nplease choose *.xml format";
constexpr const char* kNoAccess = "can not save received data,\r\nno access on file";

using ReadLoop = MainDialog::ReadLoop;

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
  const auto layout = database::LayoutForModel(model);
  if (layout == database::SheetLayout::AttributeSheet ||
      layout == database::SheetLayout::TextCodeSheet ||
      layout == database::SheetLayout::CodeSheet) {
    return ReadLoop{46, "_", 51};
  }
  return std::nullopt;
}

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

}  // namespace

std::string MainDialog::CollectReply() {
  std::string reply;
  for (int i = 0; i < kReplyChunks; ++i) {
    std::string chunk;
    port_.ReadTimed(chunk, 1, 1);
    reply += chunk;
    if (chunk.find_first_of(std::string{serial::kEtx, serial::kNak}) != std::string::npos) break;
  }
  return reply;
}

void MainDialog::OnDatabaseRead() {
  host_.BeginWaitCursor();
  UpdateData(true);
  for (const int id : kDatabaseJobControls) controls_.Enable(id, false);
  host_.KillTimer(timer::kPoll);
  if (exchange_.portOpen != 0) ReadDatabase();
  for (const int id : kDatabaseJobControls) controls_.Enable(id, true);
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
  host_.EndWaitCursor();
}

void MainDialog::ReadDatabase() {
  exchange_.sentPane.clear();
  exchange_.receivedPane.clear();
  tagTable.Fill("");
  attributeList.Fill("");
  controls_.SetProgress(ctl::kProgress, 0);
  datasetCount.clear();
  UpdateData(false);

  const auto model = reader::ClassifyReaderVersion(RequestSoftwareVersion(true, true));
  // The records are read with the receive poll off, so that it cannot take their bytes.
  host_.KillTimer(timer::kPoll);
  const auto layout = database::LayoutForModel(model);
  if (const auto loop = ReadLoopFor(model)) ReadRecords(*loop);
  if (layout == database::SheetLayout::AttributeSheet ||
      layout == database::SheetLayout::TextCodeSheet) {
    ReadAttributes();
  }
  SaveReadDatabase(model);
}

void MainDialog::ReadRecords(const ReadLoop& loop) {
  port_.Write(serial::FrameCommand("RP"));
  exchange_.sentPane += "RP\r\n";
  const std::string pointer = exchange_.ReadReply(1, serial::kReplyTimeoutMs);
  if (!pointer.empty())
    exchange_.receivedPane += serial::ReplyLogText(serial::ClassifyReply(pointer));
  exchange_.receivedPane += "\r\n";
  controls_.SetProgressRange(ctl::kProgress, 0, kProgressRange);

  std::size_t count = 0;
  int refusals = 0;
  bool tableFull = false;
  std::string kept;
  for (;;) {
    if (!kept.empty() && loop.ends.find(kept.front()) != std::string_view::npos) break;
    std::string discarded;
    port_.ReadTimed(discarded, loop.flushCount, 1);
    port_.Write(serial::FrameCommand("RN"));
    platform::SleepMs(20);
    exchange_.sentPane += "RN\r\n";
    const std::string reply = CollectReply();
    exchange_.sentPane += "\r\n";
    kept = KeptPart(reply, loop.kept);
    exchange_.receivedPane += kept;
    const bool refused = !kept.empty() && kept.front() == serial::kNak;
    if (!kept.empty() && kept.front() != '_' && !refused) {
      if (!tagTable.Append(kept)) {
        tableFull = true;
        kept = "_";
      } else {
        ++count;
      }
    }
    refusals = refused ? refusals + 1 : 0;
    exchange_.receivedPane += "\r\n";
    if (kept.empty() || refusals > kMaxRefusals) kept = "_";
    datasetCount = std::to_string(count);
    UpdateData(false);
    controls_.SetProgress(ctl::kProgress, static_cast<int>(count));
    host_.DispatchPendingMessages();
    platform::SleepMs(20);
    exchange_.TrimPanes();
  }
  controls_.SetProgressRange(ctl::kProgress, 0, static_cast<int>(count));
  std::string discarded;
  port_.ReadTimed(discarded, 52, 1);
  if (refusals > kMaxRefusals) Message("Communication Error with reader");
  if (tableFull) {
    Message("The reader holds more than " + std::to_string(tagTable.Capacity()) +
            " records; only the first " + std::to_string(tagTable.Capacity()) + " were read.");
  }
}

void MainDialog::ReadAttributes() {
  for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
    const char token = database::AttributeList::TokenAt(i);
    const std::string command = std::string("T") + token;
    port_.Write(serial::FrameCommand(command));
    exchange_.sentPane += command;
    std::string reply = CollectReply();
    exchange_.sentPane += "\r\n";
    if (!reply.empty()) reply.erase(0, 1);
    if (reply.size() > 4) reply.resize(reply.size() - 5);
    if (reply == std::string(1, token)) reply.clear();
    attributeList.Set(i, token + reply);
    exchange_.receivedPane += reply + "\r\n";
    exchange_.TrimPanes();
    platform::SleepMs(5);
  }
}

void MainDialog::SaveReadDatabase(reader::ReaderModel model) {
  const std::string& path = settings_.read_path;
  const auto layout = database::LayoutForModel(model);
  if (model == ReaderModel::NoReply) return;
  if (!layout) {
    Message("database function is not supported");
    return;
  }
  const bool xml = Contains(path, ".xml");
  const bool dat = !xml && Contains(path, ".dat");
  const bool db = !xml && !dat && Contains(path, ".db");
  if (layout == database::SheetLayout::AttributeSheet) {
    if (!xml && !dat && !db) return Message(kNotSupported);
  } else if (dat) {
    return Message(
        "*.dat database file format is not supported with this reader,\r\nplease choose *.xml "
        "format");
  } else if (db) {
    return Message(
        "*.db database file format is not supported with this reader,\r\nplease choose *.xml "
        "format");
  } else if (!xml) {
    return Message(kNotSupported);
  }

  std::string text;
  if (xml) {
    text = database::WriteSheet(*layout, model, tagTable, attributeList, [this](std::size_t shown) {
      datasetCount = std::to_string(shown);
      UpdateData(false);
      controls_.SetProgress(ctl::kProgress, static_cast<int>(shown));
      host_.DispatchPendingMessages();
    });
  } else {
    text = dat ? database::DatFileText(tagTable, attributeList, model)
               : database::DbFileText(tagTable, attributeList);
  }
  // Written beside the target and renamed into place: a failed write keeps the old file.
  if (!platform::ReplaceFileContents(path, text)) return Message(kNoAccess);
  host_.ShellOpen(path, "open");
}

void MainDialog::OnReadPath() {
  ChooseDatabasePath(true);
}
void MainDialog::OnWritePath() {
  ChooseDatabasePath(false);
}

void MainDialog::ChooseDatabasePath(bool read) {
  UpdateData(true);
  std::string& path = read ? settings_.read_path : settings_.write_path;
  FileDialogRequest request;
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
  if (const auto chosen = host_.SaveFileDialog(request)) path = *chosen;
  if (path.empty()) path = DefaultDatabasePath(read);
  if (read && !Contains(path, ".xml") && !Contains(path, ".dat") && !Contains(path, ".db")) {
    path += ".xml";
  }
  (read ? readPathDisplay : writePathDisplay) = PathDisplayText(path);
  UpdateData(false);
}

std::string MainDialog::DefaultDatabasePath(bool read) {
  const char* name = read ? "db_read.xml" : "db_write.xml";
#ifdef _WIN32
  return std::string("C:\\") + name;
#else
  return platform::HomeDirectory() + "/" + name;
#endif
}

}  // namespace tagline::app
