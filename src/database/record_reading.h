// SPDX-License-Identifier: Apache-2.0
// Reading the reader's records and attributes so that nothing is lost on a noisy line.
// "RN" moves the reader's pointer, so a damaged reply leaves a gap that asking again cannot
// fill: a pass that saw any fault is read again from "RP", and the result is made of passes
// that agree (see record_assembly.h). A clean pass costs nothing extra.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/tag_table.h"
#include "job/job_environment.h"
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

// The passes over the records at the most.
inline constexpr int kMaxReadPasses = 3;

// How a read ended; every end but the first leaves the read incomplete.
enum class ReadEnd { Complete, Silence, Refused, TableFull, LineLost, InDoubt, Interrupted };
std::string_view ReadEndText(ReadEnd end);

struct RecordsRead {
  // Complete: every record, in order. Otherwise the records known, in order.
  std::vector<std::string> records;
  ReadEnd end = ReadEnd::Complete;
  // The positions (from 1) whose record stayed in doubt.
  std::vector<std::size_t> inDoubt;
  // Where the records end was not settled.
  bool countInDoubt = false;
  int passes = 0;
};

// The records, read in passes until one comes clean or (with `verify`, which a clean line
// also gets) two agree, `kMaxReadPasses` at most.
RecordsRead ReadRecords(job::JobEnvironment& env, const ReadLoop& loop, bool verify);

// The 27 attributes ("T"); a reply that is no whole frame is asked for again, twice at most
// (not at all after two attributes in a row came to nothing). The tokens whose text stayed
// in doubt.
std::vector<char> ReadAttributes(job::JobEnvironment& env, AttributeList& attributes);

// "Records 5, 9" or "Record 5" (the first ten), for the messages.
std::string NumberList(const std::string& one, const std::string& many,
                       const std::vector<std::size_t>& numbers);

}  // namespace tagline::database
