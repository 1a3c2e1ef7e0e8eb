// SPDX-License-Identifier: Apache-2.0
// Putting the reader's records together from passes over a noisy line.
//
// Every "RN" moves the reader's pointer by one record at most, and its replies come in the
// order of the commands. A whole frame with matching CRC digits is a record as the reader
// holds it; only where it stands may be in doubt. Anything else (a refusal, silence, a frame
// damaged on the way, bytes left over) is a break: the pointer moved by one or not at all,
// and a late reply may have shifted what follows. So each pass is a row of segments, runs
// of records whose positions follow each other, with breaks between them. A segment is
// placed where the bounds allow one position only: the first of a pass starts at the first
// record, a segment's first record stands no further than the number of "RN" sent before
// it, and its records have to match those already placed. A read is exact only when every
// position up to the end is placed, and no two passes contradict each other.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tagline::database {

// What one pass from "RP" saw, reply by reply.
class PassLog {
 public:
  struct Segment {
    std::size_t firstReply = 0;  // the reply of the pass its first record came in (from 0)
    std::vector<std::string> records;
  };

  void Record(std::string record);
  void Break();
  // The end marker, or a record that is also the end ("X" on some readers): the reader's
  // records end after the last record taken, unless a break came between.
  void End();
  // Bytes left on the line between two replies, or after the last: what follows may not
  // stand next to what came before.
  void Split();

  const std::vector<Segment>& segments() const { return segments_; }
  std::size_t replies() const { return replies_; }
  std::size_t recordCount() const { return recordCount_; }
  bool reachedEnd() const { return endReply_.has_value(); }
  // The reply the end came in, and whether it came straight after the last record.
  std::optional<std::size_t> endReply() const { return endReply_; }
  bool endFollowsRecord() const { return endFollowsRecord_; }
  // No break at all, and the end reached.
  bool clean() const { return reachedEnd() && !broken_; }

 private:
  std::vector<Segment> segments_;
  std::size_t replies_ = 0;
  std::size_t recordCount_ = 0;
  bool afterBreak_ = true;  // the next record starts a segment
  bool broken_ = false;
  std::optional<std::size_t> endReply_;
  bool endFollowsRecord_ = false;
};

struct Assembly {
  // The number of records, when the passes settle it.
  std::optional<std::size_t> count;
  // The record at each position: certain ones, and for a read left in doubt, also records
  // put where they most likely stand (their text is the reader's, their place a guess).
  std::vector<std::optional<std::string>> records;
  // Every position up to `count` certain, seen in `needed` passes, nothing contradicting.
  bool exact = false;
  // Two passes, or a pass and the bounds, that cannot both be right.
  bool contradiction = false;
  // Positions (from 1) with no record, certain or guessed, up to the count or its estimate.
  std::vector<std::size_t> inDoubt;
};

// The records of `passes`; each position has to be seen in `needed` of them (1, or 2 for a
// verified read).
Assembly AssembleRecords(const std::vector<PassLog>& passes, std::size_t needed);

}  // namespace tagline::database
