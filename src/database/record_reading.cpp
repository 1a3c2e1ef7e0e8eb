// SPDX-License-Identifier: Apache-2.0
#include "database/record_reading.h"

#include <algorithm>

#include "database/layouts.h"
#include "database/record_assembly.h"
#include "platform/tick_count.h"
#include "serial/frame.h"

namespace tagline::database {

namespace {

using protocol::ReaderModel;

constexpr std::uint32_t kRecordPauseMs = 20;
constexpr std::uint32_t kAttributePauseMs = 5;
constexpr std::uint32_t kFinalDrain = 52;
// A reader that refuses "RN" again and again would hold the read for ever.
constexpr int kMaxRefusals = 20;
// Replies may come late on a radio link; a reader silent this many times has stopped.
constexpr int kMaxSilences = 5;
constexpr int kPointerAttempts = 3;
constexpr int kAttributeAttempts = 3;
constexpr int kAttributesFailedInARow = 2;

// The kept part of a reply. A short frame (a bare end marker, say) loses its STX so that
// it is recognised for what it is instead of being stored as a record.
std::string KeptPart(const std::string& reply, std::size_t kept) {
  if (reply.size() >= kept) return reply.substr(1, kept - 1);
  if (!reply.empty() && reply.front() == serial::kStx) return reply.substr(1);
  return reply;
}

// Bytes left on the line other than the line ends some readers send after a frame.
bool HoldsStaleData(std::string_view bytes) {
  return bytes.find_first_not_of("\r\n") != std::string_view::npos;
}

// One pass from "RP" to the end.
struct Pass {
  PassLog log;
  ReadEnd end = ReadEnd::Complete;
};

class PassReader {
 public:
  PassReader(job::JobEnvironment& env, const ReadLoop& loop) : env_(env), loop_(loop) {}
  Pass Read(int number);

 private:
  void ResetPointer();
  // Takes one reply; the pass's end, or nothing to go on.
  std::optional<ReadEnd> Take(PassLog& log, const protocol::Reply& reply);

  job::JobEnvironment& env_;
  const ReadLoop& loop_;
  int failedReads_ = 0;
  int silences_ = 0;
};

// "RP" is asked again when its ACK does not come: a pass has to start at the first record.
// A reader that never acknowledges it is read all the same.
void PassReader::ResetPointer() {
  job::Transcript& transcript = env_.transcript();
  for (int attempt = 0; attempt < kPointerAttempts; ++attempt) {
    const protocol::Reply pointer = env_.reader().ResetReadPointer();
    if (pointer.answered()) transcript.Log(pointer.cls);
    transcript.EndLine();
    if (pointer.raw == std::string(1, serial::kAck)) return;
    if (attempt + 1 < kPointerAttempts) transcript.Sent("RP\r\n");
  }
}

std::optional<ReadEnd> PassReader::Take(PassLog& log, const protocol::Reply& reply) {
  if (reply.raw.empty()) {
    // A late reply, or a reader that stopped answering: asked on, for a while.
    log.Break();
    return ++silences_ >= kMaxSilences ? std::optional(ReadEnd::Silence) : std::nullopt;
  }
  silences_ = 0;
  // Only a whole frame with matching CRC digits is a record; anything else (a refusal,
  // garbage, a frame cut short) is a break in the pass.
  const std::string& data = reply.payload;
  const bool endMarker =
      reply.wholeFrame && !data.empty() && loop_.ends.find(data.front()) != std::string_view::npos;
  if (reply.wholeFrame && data.size() == loop_.kept - 1 && data.front() != '_') {
    log.Record(data);
    failedReads_ = 0;
    if (log.recordCount() > TagTable::Capacity()) return ReadEnd::TableFull;
    // An end marker that is a record ("X" on inspection readers) is kept.
    if (!endMarker) return std::nullopt;
    log.End();
    return ReadEnd::Complete;
  }
  if (endMarker) {
    log.End();
    return ReadEnd::Complete;
  }
  log.Break();
  // A lone NAK or BEL is the reader refusing, not a reply damaged on the way.
  const bool refused = reply.raw.size() == 1 && (reply.cls == serial::ReplyClass::Nak ||
                                                 reply.cls == serial::ReplyClass::Bel);
  if (!refused) env_.transcript().Received(" // bad frame");
  return ++failedReads_ > kMaxRefusals ? std::optional(ReadEnd::Refused) : std::nullopt;
}

Pass PassReader::Read(int number) {
  protocol::ReaderProtocol& reader = env_.reader();
  job::Transcript& transcript = env_.transcript();
  const int lostAtStart = reader.lostReads();
  failedReads_ = 0;
  silences_ = 0;
  if (number > 1) {
    transcript.Received("// read again from the first record\r\n");
    reader.SettleLine();
  }
  ResetPointer();
  env_.ProgressTotal(static_cast<int>(TagTable::Capacity()));

  Pass pass;
  std::optional<ReadEnd> end;
  while (!end) {
    if (env_.StopRequested()) {
      end = ReadEnd::Interrupted;
      break;
    }
    const protocol::Reply reply = reader.ReadNext(loop_.flushCount);
    // Bytes still waiting: a late reply, or the rest of one.
    if (HoldsStaleData(reply.stale)) pass.log.Split();
    transcript.Sent("RN\r\n");
    transcript.Sent("\r\n");
    transcript.Received(KeptPart(reply.raw, loop_.kept));
    end = reader.lostReads() != lostAtStart ? ReadEnd::LineLost : Take(pass.log, reply);
    transcript.EndLine();
    const auto count = static_cast<int>(pass.log.recordCount());
    env_.ShowCount(std::to_string(count));
    env_.Progress(count);
    env_.Idle();
    platform::SleepMs(kRecordPauseMs);
    transcript.Trim();
  }
  pass.end = *end;
  env_.ProgressTotal(static_cast<int>(pass.log.recordCount()));
  if (HoldsStaleData(reader.DrainKept(kFinalDrain))) pass.log.Split();
  return pass;
}

// What the passes give: every record when they settle it, else what is known.
RecordsRead Assembled(const std::vector<Pass>& passes, std::size_t needed) {
  std::vector<PassLog> logs;
  logs.reserve(passes.size());
  for (const Pass& pass : passes) logs.push_back(pass.log);
  Assembly assembly = AssembleRecords(logs, needed);
  RecordsRead read;
  read.passes = static_cast<int>(passes.size());
  for (auto& record : assembly.records) {
    if (record.has_value()) read.records.push_back(std::move(record).value());
  }
  if (assembly.exact) return read;
  read.inDoubt = std::move(assembly.inDoubt);
  read.countInDoubt = !assembly.count || assembly.contradiction;
  read.end = passes.back().end == ReadEnd::Complete ? ReadEnd::InDoubt : passes.back().end;
  if (read.end == ReadEnd::TableFull && read.records.size() > TagTable::Capacity()) {
    read.records.resize(TagTable::Capacity());
  }
  return read;
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

std::string_view ReadEndText(ReadEnd end) {
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
    case ReadEnd::InDoubt:
      return "Replies came damaged, and reading again did not give every record alike.";
    case ReadEnd::Interrupted:
      return "The read was interrupted.";
  }
  return "";
}

RecordsRead ReadRecords(job::JobEnvironment& env, const ReadLoop& loop, bool verify) {
  PassReader reader(env, loop);
  std::vector<Pass> passes;
  const std::size_t needed = verify ? 2 : 1;
  for (int number = 1; number <= kMaxReadPasses; ++number) {
    passes.push_back(reader.Read(number));
    const ReadEnd end = passes.back().end;
    // Nothing more can be read, more than the table takes, or a reader that refuses again
    // and again: a new pass would not help.
    if (end == ReadEnd::LineLost || end == ReadEnd::Interrupted || end == ReadEnd::TableFull ||
        end == ReadEnd::Refused) {
      break;
    }
    RecordsRead read = Assembled(passes, needed);
    if (read.end == ReadEnd::Complete) return read;
  }
  return Assembled(passes, needed);
}

std::vector<char> ReadAttributes(job::JobEnvironment& env, AttributeList& attributes) {
  job::Transcript& transcript = env.transcript();
  std::vector<char> inDoubt;
  int failedInARow = 0;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    const char token = AttributeList::TokenAt(i);
    protocol::Reply reply;
    // A reader that answers no attribute at all is not asked each one again and again.
    const int attempts = failedInARow >= kAttributesFailedInARow ? 1 : kAttributeAttempts;
    bool damaged = false;
    for (int attempt = 0; attempt < attempts; ++attempt) {
      // What is left of a damaged reply is waited out first.
      if (damaged) env.reader().SettleLine();
      reply = env.reader().ReadAttribute(token);
      transcript.Sent(std::string("T") + token + "\r\n");
      // Reading an attribute moves nothing, so a refusal (the command damaged on its way,
      // perhaps) is asked again as well.
      if (reply.wholeFrame) break;
      const bool refused = reply.raw.size() == 1 && (reply.cls == serial::ReplyClass::Nak ||
                                                     reply.cls == serial::ReplyClass::Bel);
      damaged = !refused && reply.answered();
      if (damaged) transcript.Received("// bad frame\r\n");
    }
    failedInARow = reply.wholeFrame ? 0 : failedInARow + 1;
    std::string text = reply.payload;
    if (!reply.wholeFrame) inDoubt.push_back(token);
    if (text == std::string(1, token)) text.clear();
    attributes.Set(i, token + text);
    transcript.Received(text + "\r\n");
    transcript.Trim();
    platform::SleepMs(kAttributePauseMs);
  }
  return inDoubt;
}

std::string NumberList(const std::string& one, const std::string& many,
                       const std::vector<std::size_t>& numbers) {
  std::string text = (numbers.size() == 1 ? one : many) + " ";
  for (std::size_t i = 0; i < numbers.size() && i < 10; ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(numbers[i]);
  }
  if (numbers.size() > 10) text += " and " + std::to_string(numbers.size() - 10) + " more";
  return text;
}

}  // namespace tagline::database
