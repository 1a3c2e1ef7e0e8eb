#include "database/write_job.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/control_ids.h"
#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/xml_node.h"
#include "reader/software_version.h"
#include "serial/frame.h"

namespace tagline::database {

namespace {

namespace ctl = app::ctl;
using reader::kFailedModel;
using reader::ReaderModel;

constexpr int kWriteAttempts = 6;
// A token answered with BEL or an unexpected byte is sent again, but not for ever.
constexpr int kMaxTokenRepeats = 5;
constexpr std::uint32_t kWriteReplyMs = 1000;
constexpr std::uint32_t kRecordPauseMs = 20;
// The attribute text a reader keeps.
constexpr std::size_t kAttributeTextLength = 12;
// A full table of 5000 records takes a few megabytes in any layout, also after a
// spreadsheet program re-saved it; a file far larger is not a sheet of ours, and loading
// it would cost a few times its size in memory.
constexpr std::uintmax_t kMaxSheetBytes = std::uintmax_t{32} << 20;
constexpr const char* kReaderLeftAsItIs = "\r\nNothing was written; the reader was left as it is.";

ReaderModel Model(std::int8_t m) {
  return static_cast<ReaderModel>(m);
}

bool OneOf(std::int8_t model, std::initializer_list<ReaderModel> models) {
  for (const ReaderModel m : models) {
    if (static_cast<std::int8_t>(m) == model) return true;
  }
  return false;
}

bool IsCodeSheetModel(std::int8_t model) {
  return OneOf(model, {ReaderModel::KtrH9V2, ReaderModel::KtrH9V2Rev5});
}

bool WritesAttributes(std::int8_t model) {
  return model != kFailedModel &&
         !OneOf(model,
                {ReaderModel::NoReply, ReaderModel::B21Vip, ReaderModel::KtrH9V2,
                 ReaderModel::KtrH9V2Rev5, ReaderModel::Unrecognised, ReaderModel::KtrH9HfV11,
                 ReaderModel::Talvikko, ReaderModel::Fenra, ReaderModel::KtrH9HfV10Cs3});
}

// The models that keep no records to write (or a job that failed).
bool SkipsRecords(std::int8_t model) {
  return model == kFailedModel ||
         OneOf(model, {ReaderModel::NoReply, ReaderModel::B21Vip, ReaderModel::KtrH9HfV10Cs3});
}

// "Row 5" or "Rows 5, 9, 12" (the first ten).
std::string RowList(const std::vector<std::size_t>& rows) {
  std::string text = rows.size() == 1 ? "Row " : "Rows ";
  for (std::size_t i = 0; i < rows.size() && i < 10; ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(rows[i]);
  }
  if (rows.size() > 10) text += " and " + std::to_string(rows.size() - 10) + " more";
  return text;
}

int ProgressValue(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT32_MAX));
}

}  // namespace

void WriteJob::Begin(app::JobContext& ctx) {
  ctx.SetLastJobModel(kFailedModel);
  table_.Fill(" ");
  attributes_.Fill(" ");
  lostAtStart_ = ctx.link().lostReads();
  BeginDatabaseJob(ctx, 1);
}

void WriteJob::SetModel(app::JobContext& ctx, std::int8_t model) {
  model_ = model;
  ctx.SetLastJobModel(model);
}

app::Tick WriteJob::Step(app::JobContext& ctx) {
  // A reader that is gone answers nothing more: the job goes straight to its summary.
  if (step_ > 1 && step_ < 8 && ctx.link().lostReads() != lostAtStart_) {
    ReportFailure(ctx, result_, kConnectionLost);
    SetModel(ctx, kFailedModel);
    recordsOk_ = false;
    step_ = 8;
    return app::Tick::Next;
  }
  switch (step_) {
    case 1:
      SetModel(ctx, static_cast<std::int8_t>(reader::IdentifyReader(ctx, reader::VersionEcho::Shown,
                                                                    reader::PollAfter::LeaveOff)));
      if (model_ <= 0 || model_ == static_cast<std::int8_t>(ReaderModel::KtrH9HfV10Cs3)) {
        return app::Tick::Finish;
      }
      result_.readerFound = true;
      step_ = 2;
      return app::Tick::Next;
    case 2:
      SetModel(ctx, LoadSheet(ctx, model_));
      step_ = 3;
      return app::Tick::Next;
    case 3:
      SetModel(ctx, WriteAttributes(ctx, model_));
      step_ = 4;
      return app::Tick::Next;
    case 4:
      SendClearDatabase(ctx, model_);
      polls_ = 0;
      clearStatus_ = ClearStatus::Waiting;
      ctx.controls().SetProgressRange(ctl::kProgress, 0, kMaxClearPolls);
      step_ = 5;
      return app::Tick::Next;
    case 5:
      // Nothing was sent for a failed job: there is no answer to wait for.
      if (model_ == kFailedModel) {
        step_ = 6;
        return app::Tick::Stay;
      }
      clearStatus_ = PollClearDatabase(ctx);
      if (clearStatus_ != ClearStatus::Waiting) erased_ = clearStatus_ == ClearStatus::Cleared;
      ctx.controls().SetProgress(ctl::kProgress, polls_);
      ++polls_;
      if (clearStatus_ != ClearStatus::Waiting || polls_ > kMaxClearPolls) {
        if (clearStatus_ != ClearStatus::Cleared) SetModel(ctx, kFailedModel);
        step_ = 6;
      }
      return app::Tick::Stay;
    case 6:
      SetModel(ctx, InitWritePointer(ctx, model_));
      step_ = 7;
      return app::Tick::Next;
    case 7:
      SetModel(ctx, WriteRecords(ctx, model_));
      step_ = 8;
      return app::Tick::Next;
    case 8:
      BuildSummary();
      step_ = 9;
      return app::Tick::Finish;
    default:
      return app::Tick::Finish;
  }
}

void WriteJob::Finish(app::JobContext& ctx) {
  if (step_ == 9) ctx.Message(result_.summary);
  EndDatabaseJob(ctx);
  result_.ok = result_.readerFound && step_ == 9 && result_.failures.empty() &&
               app::AllStepsOk(result_.steps);
  result_.finished = true;
}

void WriteJob::BuildSummary() {
  if (WritesAttributes(model_)) result_.steps.push_back({"'t'\tWrite Attributes\t", attributesOk_});
  if (model_ != static_cast<std::int8_t>(ReaderModel::KtrH9HfV10Cs3)) {
    result_.steps.push_back({"'EC'\tClear Eeprom\t", erased_});
    result_.steps.push_back({"'WP'\tInit Pointer\t", pointerOk_});
    result_.steps.push_back({"'w'\tWrite Records\t", recordsOk_ && !tableFull_});
  }
  result_.summary = app::SummaryText(result_.steps);
}

std::int8_t WriteJob::Refuse(app::JobContext& ctx, const std::string& text) {
  ReportFailure(ctx, result_, text + kReaderLeftAsItIs);
  return kFailedModel;
}

std::int8_t WriteJob::LoadSheet(app::JobContext& ctx, std::int8_t model) {
  if (model == kFailedModel) return model;
  const auto layout = LayoutForModel(Model(model));
  // Erasing a reader whose records no sheet can give back would only lose them.
  if (!layout || layout == SheetLayout::SensorSheet || RecordLength(Model(model)) == 0 ||
      SkipsRecords(model)) {
    return Refuse(ctx, "This reader's database cannot be written from a sheet.");
  }
  std::ifstream in(path_, std::ios::binary);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path_, error);
  if (!in || error) {
    ReportFailure(ctx, result_, "no access on DB");
    return kFailedModel;
  }
  if (size > kMaxSheetBytes) {
    return Refuse(ctx, "The sheet is larger than " + std::to_string(kMaxSheetBytes >> 20) +
                           " MB, far more than the reader's " + std::to_string(table_.Capacity()) +
                           " records fill; it was not read.");
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  // A file that changed size meanwhile is taken as it was read.
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (!SheetIsComplete(text)) {
    return Refuse(ctx, "The sheet ends before its end (</Workbook> is missing).");
  }
  app::ControlModel& controls = ctx.controls();
  controls.SetProgressRange(ctl::kProgress, 0, ProgressValue(text.size()));
  controls.SetProgress(ctl::kProgress, ProgressValue(text.size()));

  const auto imported = ImportSheetText(
      std::move(text), *layout, Model(model), table_, attributes_, [&ctx](std::size_t row) {
        ctx.fields().datasetCount = std::to_string(row);
        ctx.controls().SetProgress(ctl::kProgress, static_cast<int>(row));
        ctx.PushControls();
        ctx.host().DispatchPendingMessages();
      });
  if (imported.tableFull) {
    tableFull_ = true;
    ReportFailure(ctx, result_,
                  "The sheet holds more than " + std::to_string(table_.Capacity()) +
                      " records; only the first " + std::to_string(table_.Capacity()) +
                      " are written.");
  }
  if (!imported.incompleteRows.empty()) {
    return Refuse(ctx, RowList(imported.incompleteRows) +
                           " of the sheet hold no complete record (token, date, time and code)"
                           " and cannot be written.");
  }
  // A sheet the attribute step finds in the wrong format fails there, before anything is
  // sent, with the message the users know.
  if (imported.completeRecords == 0 && HasWrongFormat(model)) return model;
  if (imported.completeRecords == 0) {
    return Refuse(ctx, "The sheet holds no records for this reader.");
  }
  if (WritesAttributes(model) && !AcceptCutAttributes(ctx)) {
    return Refuse(ctx, "The attribute texts were not written cut.");
  }
  return model;
}

bool WriteJob::AcceptCutAttributes(app::JobContext& ctx) {
  std::string cut;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    const std::string& entry = attributes_.Entry(i);
    const std::string text = entry.size() > 2 ? entry.substr(2) : std::string();
    // Blanks alone are padding to the reader: such a text comes back empty.
    const bool blank = !text.empty() && text.find_first_not_of(' ') == std::string::npos;
    if (text.size() <= kAttributeTextLength && !blank) continue;
    cut += std::string(1, AttributeList::TokenAt(i)) + ": \"" + text + "\" -> \"" +
           (blank ? std::string() : text.substr(0, kAttributeTextLength)) + "\"\r\n";
  }
  if (cut.empty()) return true;
  const std::string text = "The reader keeps " + std::to_string(kAttributeTextLength) +
                           " characters of an attribute text and no text of blanks alone; "
                           "these are changed:\r\n" +
                           cut + "Write them so?";
  const int answer = ctx.host().MessageBox(text, {}, app::mb::kOkCancel | app::mb::kIconQuestion);
  return answer == app::id::kOk;
}

bool WriteJob::HasWrongFormat(std::int8_t model) const {
  if (IsCodeSheetModel(model)) {
    const std::string& first = table_.At(0);
    return first.size() < 14 || first[13] == '0';
  }
  return WritesAttributes(model) && attributes_.Entry(0) == " ";
}

std::int8_t WriteJob::WriteAttributes(app::JobContext& ctx, std::int8_t model) {
  if (IsCodeSheetModel(model)) {
    if (HasWrongFormat(model)) {
      ReportFailure(ctx, result_, "DB has wrong format");
      return kFailedModel;
    }
    return model;
  }
  if (!WritesAttributes(model)) return model;
  serial::ReaderLink& link = ctx.link();
  if (!link.open()) return model;
  if (HasWrongFormat(model)) {
    ReportFailure(ctx, result_, "DB has wrong format");
    return kFailedModel;
  }
  link.FlushInput();
  link.ClearPanes();
  ctx.controls().SetProgressRange(ctl::kProgress, 0, static_cast<int>(kAttributeCount));
  link.Drain(50);
  // One attribute the reader did not take fails the step, whatever the ones after it got.
  bool allAcknowledged = true;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    ctx.controls().SetProgress(ctl::kProgress, static_cast<int>(i) - 1);
    const std::string entry = attributes_.Entry(i).substr(0, 14);
    std::string command = "t" + entry.substr(0, 1) + (entry.size() > 2 ? entry.substr(2) : "");
    if (command.size() <= 2) command += "___";
    if (command.size() < 5) command.append(5 - command.size(), ' ');
    link.sentPane() += entry + "\r\n";
    const char reply = link.SendToken(command, i > 0 ? kMaxTokenRepeats : 0, true);
    if (reply == 0) {
      ReportFailure(ctx, result_, "No Answer from reader");
      allAcknowledged = false;
      break;
    }
    link.LogLine(serial::ClassifyReply(std::string(1, reply)));
    allAcknowledged = allAcknowledged && reply == serial::kAck;
    link.TrimPanes();
    ctx.PushControls();
  }
  attributesOk_ = allAcknowledged;
  return model;
}

std::int8_t WriteJob::InitWritePointer(app::JobContext& ctx, std::int8_t model) {
  serial::ReaderLink& link = ctx.link();
  if (!link.open()) return model;
  link.FlushInput();
  if (SkipsRecords(model)) return model;
  serial::ExchangeOptions how;
  how.timeoutMs = kWriteReplyMs;
  how.flush = false;
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    const serial::Reply reply = link.Exchange("WP", how);
    link.LogLine(reply.cls);
    link.TrimPanes();
    ctx.PushControls();
    pointerOk_ = reply.ack();
    if (pointerOk_) return model;
  }
  ReportFailure(ctx, result_, "Communication Error with reader");
  return kFailedModel;
}

std::int8_t WriteJob::WriteRecords(app::JobContext& ctx, std::int8_t model) {
  serial::ReaderLink& link = ctx.link();
  if (!link.open()) return model;
  link.FlushInput();
  if (SkipsRecords(model)) return model;
  link.ClearPanes();
  const std::size_t length = RecordLength(Model(model));
  ctx.controls().SetProgressRange(ctl::kProgress, 0, 2016);
  serial::ExchangeOptions how;
  how.timeoutMs = kWriteReplyMs;
  how.flush = false;
  how.echo = serial::Echo::None;
  how.pauseMs = kRecordPauseMs;
  for (std::size_t p = 0; p < table_.Capacity() && table_.At(p).size() >= length; ++p) {
    ctx.fields().datasetCount = std::to_string(p + 1);
    ctx.controls().SetProgress(ctl::kProgress, static_cast<int>(p) - 1);
    ctx.PushControls();
    ctx.host().DispatchPendingMessages();
    const std::string command = "w" + table_.At(p).substr(0, length);
    serial::ReplyClass last = serial::ReplyClass::NoAnswer;
    bool acknowledged = false;
    bool anyReply = false;
    for (int attempt = 0; attempt < kWriteAttempts && !acknowledged; ++attempt) {
      const serial::Reply reply = link.Exchange(command, how);
      link.sentPane() += "w" + table_.At(p) + "\r\n";
      last = reply.cls;
      anyReply = anyReply || reply.answered();
      link.LogLine(last);
      link.TrimPanes();
      acknowledged = reply.ack();
    }
    if (acknowledged) {
      recordsOk_ = true;
      ++result_.records;
      continue;
    }
    // A record that did not reach the reader fails the write, whatever came before it.
    recordsOk_ = false;
    const std::string number = std::to_string(p + 1);
    if (!anyReply) {
      ReportFailure(ctx, result_, "Error on dataset " + number);
    } else if (last == serial::ReplyClass::Bel || last == serial::ReplyClass::Nak) {
      ReportFailure(ctx, result_, "Error sending dataset " + number);
    } else {
      ReportFailure(ctx, result_, "Communication Error with reader");
    }
    return kFailedModel;
  }
  return model;
}

}  // namespace tagline::database
