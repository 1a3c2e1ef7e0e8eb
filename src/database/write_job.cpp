// SPDX-License-Identifier: Apache-2.0
#include "database/write_job.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "database/attribute_check.h"
#include "database/csv_sheet.h"
#include "database/database_job_view.h"
#include "database/layouts.h"
#include "database/layouts_import.h"
#include "database/record_reading.h"
#include "database/store_check.h"
#include "job/repeated_write.h"
#include "serial/frame.h"

namespace tagline::database {

namespace {

using protocol::ReaderModel;

constexpr int kWriteAttempts = 6;
// A token answered with BEL or an unexpected byte is sent again, but not for ever.
constexpr int kMaxTokenRepeats = 5;
// The attribute text a reader keeps.
constexpr std::size_t kAttributeTextLength = 12;
// The progress bar's range while the records are written. It is not the table's size: the
// window has always counted the records against this range, so a longer sheet keeps the bar
// full to its end.
constexpr int kRecordProgressRange = 2016;
// A full table of 5000 records takes a few megabytes in any layout, also after a
// spreadsheet program re-saved it; a file far larger is not a sheet of ours, and loading
// it would cost a few times its size in memory.
constexpr std::uintmax_t kMaxSheetBytes = std::uintmax_t{32} << 20;
constexpr const char* kReaderLeftAsItIs = "\r\nNothing was written; the reader was left as it is.";

bool OneOf(ReaderModel model, std::initializer_list<ReaderModel> models) {
  for (const ReaderModel m : models) {
    if (m == model) return true;
  }
  return false;
}

bool WritesAttributes(ReaderModel model) {
  return !OneOf(model,
                {ReaderModel::NoReply, ReaderModel::B21Vip, ReaderModel::KtrH9V2,
                 ReaderModel::KtrH9V2Rev5, ReaderModel::Unrecognised, ReaderModel::KtrH9HfV11,
                 ReaderModel::Talvikko, ReaderModel::Fenra, ReaderModel::KtrH9HfV10Cs3});
}

// The models that keep no records to write.
bool SkipsRecords(ReaderModel model) {
  return OneOf(model, {ReaderModel::NoReply, ReaderModel::B21Vip, ReaderModel::KtrH9HfV10Cs3});
}

const char* StoredText(Stored stored) {
  switch (stored) {
    case Stored::Yes:
      return "yes, read back";
    case Stored::No:
      return "no, read back: sent again";
    case Stored::Unknown:
      break;
  }
  return "not known: sent again";
}

int ProgressValue(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT32_MAX));
}

// The "t" command of an attribute entry (token, blank, text): the token and up to twelve
// characters of text, "___" for none, padded to five characters.
std::string AttributeCommand(const std::string& entry) {
  std::string command = "t" + entry.substr(0, 1) + (entry.size() > 2 ? entry.substr(2) : "");
  if (command.size() <= 2) command += "___";
  if (command.size() < 5) command.append(5 - command.size(), ' ');
  return command;
}

}  // namespace

void WriteJob::Begin(job::JobEnvironment& env) {
  env.NoteJobModel(std::nullopt);
  table_.Fill(" ");
  attributes_.Fill(" ");
  WatchLine(env);
  BeginDatabaseJob(env, 1);
}

job::Tick WriteJob::Step(job::JobEnvironment& env) {
  // A reader that is gone answers nothing more: the job goes straight to its summary.
  if (stage_ > Stage::Identify && stage_ < Stage::Summary && LineLostNow(env)) {
    recordsOk_ = false;
    stage_ = Stage::Summary;
    return job::Tick::Next;
  }
  // Stopped by the user: at once before the erase, after the erase's answer, and between
  // records while they are written.
  if (stage_ > Stage::Identify && stage_ < Stage::Summary && stage_ != Stage::AwaitErase &&
      StopAsked(env)) {
    stage_ = Stage::Summary;
    return job::Tick::Next;
  }
  switch (stage_) {
    case Stage::Identify:
      if (!Identify(env, Needs::Database)) return job::Tick::Finish;
      stage_ = Stage::LoadSheet;
      return job::Tick::Next;
    case Stage::LoadSheet:
      if (!LoadSheet(env)) Fail(env);
      stage_ = Stage::Backup;
      return job::Tick::Next;
    case Stage::Backup:
      Backup(env);
      stage_ = Stage::WriteAttributes;
      return job::Tick::Next;
    case Stage::WriteAttributes:
      WriteAttributes(env);
      stage_ = Stage::Erase;
      return job::Tick::Next;
    case Stage::Erase:
      if (!failed()) erase_.Start(env);
      env.ProgressTotal(job::EraseWait::kMaxLooks);
      stage_ = Stage::AwaitErase;
      return job::Tick::Next;
    case Stage::AwaitErase:
      AwaitErase(env);
      // The timer keeps running: one look for the answer per tick.
      return job::Tick::Stay;
    case Stage::InitWritePointer:
      InitWritePointer(env);
      stage_ = Stage::WriteRecords;
      return job::Tick::Next;
    case Stage::WriteRecords:
      WriteRecords(env);
      stage_ = Stage::Verify;
      return job::Tick::Next;
    case Stage::Verify:
      Verify(env);
      return job::Tick::Next;
    case Stage::Summary:
      BuildSummary(env);
      stage_ = Stage::Done;
      return job::Tick::Finish;
    case Stage::Done:
      break;
  }
  return job::Tick::Finish;
}

void WriteJob::Backup(job::JobEnvironment& env) {
  if (failed() || !options_.backup) return;
  const job::BackupOutcome outcome = options_.backup(env, model());
  if (outcome.mayErase()) return;
  ReportFailure(env, job::BackupRefusalText(outcome));
  Fail(env);
}

std::vector<std::string> WriteJob::SheetRecords() const {
  const std::size_t length = RecordLength(model());
  std::vector<std::string> records;
  for (std::size_t p = 0; p < TagTable::Capacity() && table_.At(p).size() >= length; ++p) {
    records.push_back(table_.At(p).substr(0, length));
  }
  return records;
}

// The text an attribute entry leaves in the reader, as "T" gives it back.
std::string KeptAttributeText(const std::string& text) {
  std::string kept = text;
  while (!kept.empty() && kept.back() == ' ') kept.pop_back();
  return kept == "___" ? "" : kept;
}

bool WriteJob::AttributesHeld(job::JobEnvironment& env) {
  AttributeList held;
  const std::vector<char> inDoubt = ReadAttributes(env, held);
  std::vector<char> differ;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    const std::string written =
        KeptAttributeText(AttributeCommand(attributes_.Entry(i).substr(0, 14)).substr(2));
    if (KeptAttributeText(held.Entry(i).substr(1)) != written) {
      differ.push_back(AttributeList::TokenAt(i));
    }
  }
  if (differ.empty() && inDoubt.empty()) return true;
  attributeDifference_ = differ.empty() ? inDoubt : differ;
  return false;
}

void WriteJob::VerifyAttributes(job::JobEnvironment& env) {
  if (failed() || !attributesOk_ || !(attributesInDoubt_ || options_.verify)) return;
  for (int round = 0;; ++round) {
    env.transcript().Received("// the attributes are read back to check them\r\n");
    if (AttributesHeld(env)) return;
    if (LineLost(env) || round >= kMaxWriteRepairs) break;
    env.transcript().Received(
        "// the reader's attributes differ from the sheet: written again\r\n");
    WriteAttributes(env);
    if (!attributesOk_) return;
  }
  attributesOk_ = false;
  std::string text = "The attribute";
  text += attributeDifference_.size() == 1 ? " " : "s ";
  for (std::size_t i = 0; i < attributeDifference_.size(); ++i) {
    text += std::string(i == 0 ? "" : ", ") + attributeDifference_[i];
  }
  ReportFailure(env, text + " in the reader could not be made to match the sheet.");
}

void WriteJob::Verify(job::JobEnvironment& env) {
  stage_ = Stage::Summary;
  if (repairs_ == 0) VerifyAttributes(env);
  const auto loop = ReadLoopFor(model());
  if (failed() || !recordsOk_ || !(ambiguous_ || options_.verify) || !loop) return;
  env.transcript().Received("// the records are read back to check them\r\n");
  const RecordsRead read = ReadRecords(env, *loop, false);
  if (LineLost(env) || read.end == ReadEnd::Interrupted) return;  // the next step says so
  const std::vector<std::string> expected = SheetRecords();
  if (read.end == ReadEnd::Complete && read.records == expected) {
    verified_ = true;
    return;
  }
  recordsOk_ = false;
  if (read.end == ReadEnd::Complete && repairs_ < kMaxWriteRepairs) {
    // Erased and written again; the erase's answer and the records' are looked at anew.
    ++repairs_;
    env.transcript().Received("// the reader's records differ from the sheet: written again\r\n");
    ambiguous_ = false;
    erased_ = pointerOk_ = false;
    result_.records = 0;
    stage_ = Stage::Erase;
    return;
  }
  ReportFailure(env, DifferenceText(read, expected));
  Fail(env);
}
void WriteJob::Finish(job::JobEnvironment& env) {
  const bool reachedSummary = stage_ == Stage::Done;
  if (reachedSummary) env.Message(result_.summary);
  EndDatabaseJob(env);
  Conclude(reachedSummary);
}

void WriteJob::BuildSummary(job::JobEnvironment& env) {
  if (result_.interrupted) {
    ReportFailure(env, erased_ || recordsOk_
                           ? "The write was interrupted: the reader holds " +
                                 std::to_string(result_.records) + " of the sheet's " +
                                 std::to_string(SheetRecords().size()) + " records."
                           : std::string("The write was interrupted before the erase; the "
                                         "reader keeps its records."));
    recordsOk_ = false;
  }
  if (!failed() && WritesAttributes(model())) {
    result_.steps.push_back({"'t'\tWrite Attributes\t", attributesOk_});
  }
  if (failed() || model() != job::kNoDatabaseModel) {
    result_.steps.push_back({"'EC'\tClear Eeprom\t", erased_});
    result_.steps.push_back({"'WP'\tInit Pointer\t", pointerOk_});
    result_.steps.push_back({"'w'\tWrite Records\t", recordsOk_ && !tableFull_});
  }
  result_.summary = job::SummaryText(result_.steps);
}

bool WriteJob::Refuse(job::JobEnvironment& env, const std::string& text) {
  ReportFailure(env, text + kReaderLeftAsItIs);
  return false;
}

bool WriteJob::LoadSheet(job::JobEnvironment& env) {
  const ReaderModel model = this->model();
  const auto layout = LayoutForModel(model);
  // Erasing a reader whose records no sheet can give back would only lose them.
  if (!layout || layout == SheetLayout::SensorSheet || RecordLength(model) == 0 ||
      SkipsRecords(model)) {
    return Refuse(env, "This reader's database cannot be written from a sheet.");
  }
  std::ifstream in(path_, std::ios::binary);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path_, error);
  if (!in || error) {
    return Refuse(env, "no access on DB\r\n" + path_);
  }
  if (size > kMaxSheetBytes) {
    return Refuse(env, "The sheet is larger than " + std::to_string(kMaxSheetBytes >> 20) +
                           " MB, far more than the reader's " +
                           std::to_string(TagTable::Capacity()) +
                           " records fill; it was not read.");
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  // A file that changed size meanwhile is taken as it was read.
  text.resize(static_cast<std::size_t>(in.gcount()));
  const bool csv = IsCsvPath(path_);
  if (!csv && !SheetIsComplete(text)) {
    return Refuse(env, "The sheet ends before its end (</Workbook> is missing).");
  }
  env.ProgressTotal(ProgressValue(text.size()));
  env.Progress(ProgressValue(text.size()));

  const auto progress = [&env](std::size_t row) {
    env.ShowCount(std::to_string(row));
    env.Progress(static_cast<int>(row));
    env.Idle();
  };
  SheetImportResult imported;
  if (csv) {
    CsvImport fromCsv = ImportCsvText(text, *layout, model, table_, attributes_, progress);
    if (!fromCsv.error.empty()) return Refuse(env, fromCsv.error);
    imported = std::move(fromCsv.imported);
  } else {
    imported = ImportSheetText(std::move(text), *layout, model, table_, attributes_, progress);
  }
  if (imported.tableFull) {
    tableFull_ = true;
    ReportFailure(env, "The sheet holds more than " + std::to_string(TagTable::Capacity()) +
                           " records; only the first " + std::to_string(TagTable::Capacity()) +
                           " are written.");
  }
  if (!imported.problems.empty()) {
    std::string problems;
    for (std::size_t i = 0; i < imported.problems.size() && i < 10; ++i) {
      problems += imported.problems[i] + "\r\n";
    }
    if (imported.problems.size() > 10) {
      problems += "and " + std::to_string(imported.problems.size() - 10) + " more.\r\n";
    }
    return Refuse(env, "The sheet holds what a record cannot carry:\r\n" + problems +
                           "Put it right and write it again.");
  }
  if (!imported.incompleteRows.empty()) {
    return Refuse(env, NumberList("Row", "Rows", imported.incompleteRows) +
                           " of the sheet hold no complete record (token, date, time and code)"
                           " and cannot be written.");
  }
  // A sheet the attribute step finds in the wrong format fails there, before anything is
  // sent, with the message the users know.
  if (imported.completeRecords == 0 && HasWrongFormat()) return true;
  if (imported.completeRecords == 0) {
    return Refuse(env, "The sheet holds no records for this reader.");
  }
  if (WritesAttributes(model) && !AcceptCutAttributes(env)) {
    return Refuse(env, "The attribute texts were not written cut.");
  }
  return true;
}

bool WriteJob::AcceptCutAttributes(job::JobEnvironment& env) {
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
  return env.Confirm("The reader keeps " + std::to_string(kAttributeTextLength) +
                     " characters of an attribute text and no text of blanks alone; "
                     "these are changed:\r\n" +
                     cut + "Write them so?");
}

bool WriteJob::HasWrongFormat() const {
  if (IsCodeSheetModel(model())) {
    const std::string& first = table_.At(0);
    return first.size() < 14 || first[13] == '0';
  }
  return WritesAttributes(model()) && attributes_.Entry(0) == " ";
}

void WriteJob::WriteAttributes(job::JobEnvironment& env) {
  if (failed()) return;
  if (IsCodeSheetModel(model())) {
    if (HasWrongFormat()) {
      ReportFailure(env, "DB has wrong format");
      Fail(env);
    }
    return;
  }
  if (!WritesAttributes(model())) return;
  protocol::ReaderProtocol& reader = env.reader();
  if (!reader.open()) return;
  if (HasWrongFormat()) {
    ReportFailure(env, "DB has wrong format");
    Fail(env);
    return;
  }
  job::Transcript& transcript = env.transcript();
  reader.Flush();
  transcript.Clear();
  env.ProgressTotal(static_cast<int>(kAttributeCount));
  reader.Drain(50);
  // One attribute the reader did not take fails the step, whatever the ones after it got.
  bool allAcknowledged = true;
  job::RepeatedWrite writes(reader);
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    env.Progress(static_cast<int>(i) - 1);
    const std::string entry = attributes_.Entry(i).substr(0, 14);
    transcript.Sent(entry + "\r\n");
    protocol::TokenReply reply;
    const job::WriteAnswer answer = writes.Send([&] {
      reply = reader.WriteAttribute(AttributeCommand(entry), i > 0 ? kMaxTokenRepeats : 0);
      for (const serial::ReplyClass repeated : reply.repeated) transcript.LogLine(repeated);
      if (!reply.repeated.empty()) attributesInDoubt_ = true;
      if (reply.last == 0) return job::WriteAnswer::Silent;
      transcript.LogLine(serial::ClassifyReply(std::string(1, reply.last)));
      if (reply.last == serial::kAck) return job::WriteAnswer::Ack;
      return reply.repeated.empty() ? job::WriteAnswer::Refused : job::WriteAnswer::Rejected;
    });
    if (writes.repeated()) attributesInDoubt_ = true;
    if (answer == job::WriteAnswer::Ack) reply.last = serial::kAck;
    if (reply.last == 0) {
      ReportFailure(env, "No Answer from reader");
      allAcknowledged = false;
      break;
    }
    allAcknowledged = allAcknowledged && reply.last == serial::kAck;
    transcript.Trim();
  }
  attributesOk_ = allAcknowledged;
}

void WriteJob::AwaitErase(job::JobEnvironment& env) {
  // Nothing was sent for a failed job: there is no answer to wait for.
  if (failed()) {
    stage_ = Stage::InitWritePointer;
    return;
  }
  const bool answered = erase_.Look(env);
  if (erase_.status() != job::ClearStatus::Waiting) {
    erased_ = erase_.status() == job::ClearStatus::Cleared;
  }
  env.Progress(erase_.looks() - 1);
  if (!answered) return;
  if (erase_.status() != job::ClearStatus::Cleared) Fail(env);
  stage_ = Stage::InitWritePointer;
}

void WriteJob::InitWritePointer(job::JobEnvironment& env) {
  protocol::ReaderProtocol& reader = env.reader();
  if (!reader.open()) return;
  reader.Flush();
  if (failed() || SkipsRecords(model())) return;
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    const protocol::Reply reply = reader.InitWritePointer();
    env.transcript().LogLine(reply.cls);
    env.transcript().Trim();
    pointerOk_ = reply.ack();
    if (pointerOk_) return;
  }
  ReportFailure(env, "Communication Error with reader");
  Fail(env);
}

void WriteJob::WriteRecords(job::JobEnvironment& env) {
  protocol::ReaderProtocol& reader = env.reader();
  if (!reader.open()) return;
  reader.Flush();
  if (failed() || SkipsRecords(model())) return;
  job::Transcript& transcript = env.transcript();
  transcript.Clear();
  env.ProgressTotal(kRecordProgressRange);
  const std::vector<std::string> records = SheetRecords();
  std::optional<StoreCheck> check;
  if (const auto loop = ReadLoopFor(model())) check.emplace(*loop);
  for (std::size_t p = 0; p < records.size(); ++p) {
    // The safe point of a stop: no record is sent after it.
    if (StopAsked(env)) return;
    env.ShowCount(std::to_string(p + 1));
    env.Progress(static_cast<int>(p) - 1);
    env.Idle();
    const std::string& record = records[p];
    serial::ReplyClass last = serial::ReplyClass::NoAnswer;
    bool acknowledged = false;
    bool anyReply = false;
    for (int attempt = 0; attempt < kWriteAttempts && !acknowledged; ++attempt) {
      const protocol::Reply reply = reader.WriteRecord(record);
      transcript.Sent("w" + table_.At(p) + "\r\n");
      last = reply.cls;
      anyReply = anyReply || reply.answered();
      transcript.LogLine(last);
      transcript.Trim();
      acknowledged = reply.ack();
      if (acknowledged) continue;
      if (LineLostNow(env)) break;
      // Whatever came instead of the ACK, the reader may have stored the record: sending
      // it again would store it twice. The read-back at the end checks what was decided.
      ambiguous_ = true;
      const std::string late = reply.answered() ? std::string() : reader.AwaitLateAnswer();
      if (late == std::string(1, serial::kAck)) {
        transcript.Received("// ACK, late\r\n");
        acknowledged = true;
        continue;
      }
      const Stored stored = check ? check->Check(env, records, p) : Stored::Unknown;
      transcript.Received(std::string("// stored? ") + StoredText(stored) + "\r\n");
      acknowledged = stored == Stored::Yes;
    }
    if (acknowledged) {
      recordsOk_ = true;
      ++result_.records;
      continue;
    }
    // A record that did not reach the reader fails the write, whatever came before it.
    recordsOk_ = false;
    if (!LineLostNow(env)) ReportRecordFailure(env, p + 1, anyReply, last);
    Fail(env);
    return;
  }
}

std::string WriteJob::DifferenceText(const RecordsRead& read,
                                     const std::vector<std::string>& expected) const {
  if (read.end != ReadEnd::Complete) {
    return "The records could not be read back whole to check them (" +
           std::string(ReadEndText(read.end)) + "); what the reader holds is in doubt.";
  }
  std::size_t first = 0;
  while (first < read.records.size() && first < expected.size() &&
         read.records[first] == expected[first]) {
    ++first;
  }
  return "After " + std::to_string(repairs_) + " repairs the reader holds " +
         std::to_string(read.records.size()) + " records where the sheet has " +
         std::to_string(expected.size()) + "; they differ from record " +
         std::to_string(first + 1) + " on.";
}

void WriteJob::ReportRecordFailure(job::JobEnvironment& env, std::size_t number, bool anyReply,
                                   serial::ReplyClass last) {
  const std::string text = std::to_string(number);
  if (!anyReply) {
    ReportFailure(env, "Error on dataset " + text);
  } else if (last == serial::ReplyClass::Bel || last == serial::ReplyClass::Nak) {
    ReportFailure(env, "Error sending dataset " + text);
  } else {
    ReportFailure(env, "Communication Error with reader");
  }
}

}  // namespace tagline::database
