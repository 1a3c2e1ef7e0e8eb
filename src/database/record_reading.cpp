#include "database/record_reading.h"

#include <algorithm>

#include "database/layouts.h"
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
constexpr int kAttributeAttempts = 3;

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

// One pass from "RP" to the end: the record at each position, or nothing where the reply
// was damaged.
struct Pass {
  std::vector<std::optional<std::string>> at;
  ReadEnd end = ReadEnd::Complete;
  bool damaged = false;
  std::size_t known() const {
    return static_cast<std::size_t>(std::count_if(at.begin(), at.end(),
                                                  [](const auto& r) { return r.has_value(); }));
  }
  bool clean() const { return end == ReadEnd::Complete && !damaged; }
};

class PassReader {
 public:
  PassReader(job::JobEnvironment& env, const ReadLoop& loop) : env_(env), loop_(loop) {}
  Pass Read(int number);

 private:
  // Takes one reply; the pass's end, or nothing to go on.
  std::optional<ReadEnd> Take(Pass& pass, const protocol::Reply& reply);
  void MarkDamaged(Pass& pass);

  job::JobEnvironment& env_;
  const ReadLoop& loop_;
  int failedReads_ = 0;
};

void PassReader::MarkDamaged(Pass& pass) {
  if (!pass.at.empty()) pass.at.back().reset();
  pass.damaged = true;
}

std::optional<ReadEnd> PassReader::Take(Pass& pass, const protocol::Reply& reply) {
  if (reply.raw.empty()) {
    pass.damaged = true;
    return ReadEnd::Silence;
  }
  // Only a whole frame with matching CRC digits is a record; anything else (a refusal,
  // garbage, a frame cut short) leaves its position in doubt.
  const std::string& data = reply.payload;
  const bool endMarker = reply.wholeFrame && !data.empty() &&
                         loop_.ends.find(data.front()) != std::string_view::npos;
  if (reply.wholeFrame && data.size() == loop_.kept - 1 && data.front() != '_') {
    pass.at.emplace_back(data);
    failedReads_ = 0;
    if (pass.at.size() > TagTable::Capacity()) return ReadEnd::TableFull;
    // An end marker that is a record ("X" on inspection readers) is kept.
    return endMarker ? std::optional(ReadEnd::Complete) : std::nullopt;
  }
  if (endMarker) return ReadEnd::Complete;
  pass.damaged = true;
  // A lone NAK or BEL is the reader refusing, not a record damaged on the way: it takes no
  // position. Whether the reader moved on all the same is not known, so the pass is read
  // again all the same.
  const bool refused = reply.raw.size() == 1 && (reply.cls == serial::ReplyClass::Nak ||
                                                 reply.cls == serial::ReplyClass::Bel);
  if (!refused) {
    pass.at.emplace_back();
    env_.transcript().Received(" // bad frame");
  }
  return ++failedReads_ > kMaxRefusals ? std::optional(ReadEnd::Refused) : std::nullopt;
}

Pass PassReader::Read(int number) {
  protocol::ReaderProtocol& reader = env_.reader();
  job::Transcript& transcript = env_.transcript();
  const int lostAtStart = reader.lostReads();
  failedReads_ = 0;
  if (number > 1) {
    transcript.Received("// read again from the first record\r\n");
    reader.SettleLine();
  }
  const protocol::Reply pointer = reader.ResetReadPointer();
  if (pointer.answered()) transcript.Log(pointer.cls);
  transcript.EndLine();
  env_.ProgressTotal(static_cast<int>(TagTable::Capacity()));

  Pass pass;
  std::optional<ReadEnd> end;
  while (!end) {
    if (env_.StopRequested()) {
      end = ReadEnd::Interrupted;
      break;
    }
    const protocol::Reply reply = reader.ReadNext(loop_.flushCount);
    // What was still waiting belonged to the reply before: that one is in doubt.
    if (HoldsStaleData(reply.stale)) MarkDamaged(pass);
    transcript.Sent("RN\r\n");
    transcript.Sent("\r\n");
    transcript.Received(KeptPart(reply.raw, loop_.kept));
    end = reader.lostReads() != lostAtStart ? ReadEnd::LineLost : Take(pass, reply);
    transcript.EndLine();
    env_.ShowCount(std::to_string(pass.known()));
    env_.Progress(static_cast<int>(pass.known()));
    env_.Idle();
    platform::SleepMs(kRecordPauseMs);
    transcript.Trim();
  }
  pass.end = *end;
  if (pass.end == ReadEnd::TableFull) pass.at.pop_back();
  env_.ProgressTotal(static_cast<int>(pass.known()));
  if (HoldsStaleData(reader.DrainKept(kFinalDrain))) MarkDamaged(pass);
  if (pass.end == ReadEnd::Complete && pass.damaged) pass.end = ReadEnd::InDoubt;
  return pass;
}

// The records of the complete passes of one length that agree at every position, each
// position known to `needed` of them at least; nothing when there are none.
std::optional<std::vector<std::string>> Agreed(const std::vector<Pass>& passes, std::size_t length,
                                               std::size_t needed) {
  std::vector<std::string> records(length);
  for (std::size_t i = 0; i < length; ++i) {
    std::size_t known = 0;
    for (const Pass& pass : passes) {
      if (pass.at.size() != length || pass.end == ReadEnd::Silence ||
          pass.end == ReadEnd::Refused || !pass.at[i]) {
        continue;
      }
      if (known > 0 && *pass.at[i] != records[i]) return std::nullopt;
      records[i] = *pass.at[i];
      ++known;
    }
    if (known < needed) return std::nullopt;
  }
  return records;
}

// Passes that ran to the end marker, damaged or not.
bool ReachedTheEnd(const Pass& pass) {
  return pass.end == ReadEnd::Complete || pass.end == ReadEnd::InDoubt;
}

std::optional<std::vector<std::string>> Combine(const std::vector<Pass>& passes, bool verify) {
  if (!verify) {
    for (const Pass& pass : passes) {
      if (!pass.clean()) continue;
      std::vector<std::string> records;
      for (const auto& record : pass.at) records.push_back(*record);
      return records;
    }
  }
  for (const Pass& pass : passes) {
    if (!ReachedTheEnd(pass)) continue;
    const std::size_t alike = static_cast<std::size_t>(
        std::count_if(passes.begin(), passes.end(), [&](const Pass& other) {
          return ReachedTheEnd(other) && other.at.size() == pass.at.size();
        }));
    if (alike < 2) continue;
    if (auto records = Agreed(passes, pass.at.size(), verify ? 2 : 1)) return records;
  }
  return std::nullopt;
}

// What an incomplete read keeps: the known records of its best pass, and the positions in
// doubt there.
RecordsRead BestEffort(const std::vector<Pass>& passes) {
  const auto best = std::max_element(passes.begin(), passes.end(), [](const Pass& a, const Pass& b) {
    return ReachedTheEnd(a) == ReachedTheEnd(b) ? a.known() < b.known() : !ReachedTheEnd(a);
  });
  RecordsRead read;
  read.end = best->end;
  for (std::size_t i = 0; i < best->at.size(); ++i) {
    if (best->at[i]) {
      read.records.push_back(*best->at[i]);
    } else {
      read.inDoubt.push_back(i + 1);
    }
  }
  if (read.end == ReadEnd::Complete) read.end = ReadEnd::InDoubt;
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
  for (int number = 1; number <= kMaxReadPasses; ++number) {
    passes.push_back(reader.Read(number));
    const Pass& pass = passes.back();
    // Nothing more can be read, more than the table takes, or a reader that refuses again
    // and again: a new pass would not help.
    if (pass.end == ReadEnd::LineLost || pass.end == ReadEnd::Interrupted ||
        pass.end == ReadEnd::TableFull || pass.end == ReadEnd::Refused) {
      break;
    }
    if (auto records = Combine(passes, verify)) {
      RecordsRead read;
      read.records = std::move(*records);
      read.passes = number;
      return read;
    }
  }
  RecordsRead read = BestEffort(passes);
  read.passes = static_cast<int>(passes.size());
  return read;
}

std::vector<char> ReadAttributes(job::JobEnvironment& env, AttributeList& attributes) {
  job::Transcript& transcript = env.transcript();
  std::vector<char> inDoubt;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    const char token = AttributeList::TokenAt(i);
    protocol::Reply reply;
    for (int attempt = 0; attempt < kAttributeAttempts; ++attempt) {
      if (attempt > 0) env.reader().SettleLine();
      reply = env.reader().ReadAttribute(token);
      transcript.Sent(std::string("T") + token + "\r\n");
      // A whole frame, or a refusal (a lone NAK or BEL), which asking again does not mend.
      const bool refused = reply.raw.size() == 1 && (reply.cls == serial::ReplyClass::Nak ||
                                                     reply.cls == serial::ReplyClass::Bel);
      if (reply.wholeFrame || refused) break;
      transcript.Received("// bad frame\r\n");
    }
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
