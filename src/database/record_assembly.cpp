// SPDX-License-Identifier: Apache-2.0
#include "database/record_assembly.h"

#include <algorithm>
#include <limits>

namespace tagline::database {

void PassLog::Record(std::string record) {
  if (afterBreak_) segments_.push_back(Segment{replies_, {}});
  segments_.back().records.push_back(std::move(record));
  afterBreak_ = false;
  ++replies_;
  ++recordCount_;
}

void PassLog::Break() {
  afterBreak_ = true;
  broken_ = true;
  ++replies_;
}

void PassLog::End() {
  endReply_ = replies_;
  endFollowsRecord_ = !afterBreak_;
}

void PassLog::Split() {
  afterBreak_ = true;
  broken_ = true;
}

namespace {

struct Bounds {
  std::size_t low = 0;
  std::size_t high = std::numeric_limits<std::size_t>::max();
};

class Assembler {
 public:
  Assembler(const std::vector<PassLog>& passes, std::size_t needed);
  Assembly Run();

 private:
  const PassLog::Segment& SegmentAt(std::size_t pass, std::size_t index) const {
    return passes_[pass].segments()[index];
  }
  std::size_t Length(std::size_t pass, std::size_t index) const {
    return SegmentAt(pass, index).records.size();
  }
  Bounds BoundsOf(std::size_t pass, std::size_t index) const;
  // Where the end of `pass` may be, by its own segments.
  Bounds EndOf(std::size_t pass) const;
  bool Fits(const std::vector<std::optional<std::string>>& records, std::size_t pass,
            std::size_t index, std::size_t at) const;
  bool PlaceOne();
  void Place(std::size_t pass, std::size_t index, std::size_t at);
  bool SettleCount();
  void Guess(Assembly& assembly) const;

  const std::vector<PassLog>& passes_;
  const std::size_t needed_;
  std::vector<std::vector<std::optional<std::size_t>>> at_;
  std::vector<std::vector<bool>> dead_;
  std::vector<std::optional<std::string>> known_;
  std::vector<std::size_t> seen_;
  std::optional<std::size_t> count_;
  std::size_t countPins_ = 0;
  bool contradiction_ = false;
};

Assembler::Assembler(const std::vector<PassLog>& passes, std::size_t needed)
    : passes_(passes), needed_(needed) {
  for (const PassLog& pass : passes) {
    at_.emplace_back(pass.segments().size());
    dead_.emplace_back(pass.segments().size(), false);
  }
}

Bounds Assembler::BoundsOf(std::size_t pass, std::size_t index) const {
  const std::vector<PassLog::Segment>& segments = passes_[pass].segments();
  Bounds bounds;
  // After everything before it in its pass.
  for (std::size_t j = 0; j < index; ++j) {
    bounds.low = at_[pass][j] ? *at_[pass][j] + Length(pass, j) : bounds.low + Length(pass, j);
  }
  // No further than the replies before it, nor than what follows it allows.
  bounds.high = segments[index].firstReply;
  std::size_t after = Length(pass, index);
  constexpr Bounds kNowhere{1, 0};
  for (std::size_t j = index + 1; j < segments.size(); ++j) {
    const std::size_t next = at_[pass][j] ? *at_[pass][j] : segments[j].firstReply;
    if (next < after) return kNowhere;
    bounds.high = std::min(bounds.high, next - after);
    after += Length(pass, j);
  }
  std::optional<std::size_t> end = count_;
  if (!end && passes_[pass].reachedEnd()) end = passes_[pass].endReply();
  if (end) {
    if (*end < after) return kNowhere;
    bounds.high = std::min(bounds.high, *end - after);
  }
  if (count_ && index + 1 == segments.size() && passes_[pass].endFollowsRecord()) {
    bounds.low = std::max(bounds.low, *count_ - std::min(*count_, after));
  }
  return bounds;
}

Bounds Assembler::EndOf(std::size_t pass) const {
  const PassLog& log = passes_[pass];
  const std::size_t segments = log.segments().size();
  Bounds end{0, *log.endReply()};
  for (std::size_t j = 0; j < segments; ++j) {
    end.low = at_[pass][j] ? *at_[pass][j] + Length(pass, j) : end.low + Length(pass, j);
  }
  if (end.low > end.high) return Bounds{1, 0};
  if (log.endFollowsRecord() && segments > 0 && at_[pass][segments - 1]) end.high = end.low;
  return end;
}

bool Assembler::Fits(const std::vector<std::optional<std::string>>& records, std::size_t pass,
                     std::size_t index, std::size_t at) const {
  const std::vector<std::string>& segment = SegmentAt(pass, index).records;
  for (std::size_t k = 0; k < segment.size(); ++k) {
    const std::size_t position = at + k;
    if (position < records.size() && records[position] && *records[position] != segment[k]) {
      return false;
    }
  }
  // The end straight after this segment: nothing may stand beyond it.
  const bool last = index + 1 == passes_[pass].segments().size();
  if (last && passes_[pass].endFollowsRecord()) {
    for (std::size_t p = at + segment.size(); p < records.size(); ++p) {
      if (records[p]) return false;
    }
  }
  return true;
}

void Assembler::Place(std::size_t pass, std::size_t index, std::size_t at) {
  at_[pass][index] = at;
  const std::vector<std::string>& segment = SegmentAt(pass, index).records;
  if (known_.size() < at + segment.size()) {
    known_.resize(at + segment.size());
    seen_.resize(at + segment.size(), 0);
  }
  for (std::size_t k = 0; k < segment.size(); ++k) {
    known_[at + k] = segment[k];
    ++seen_[at + k];
  }
}

// Places the segments whose bounds and records leave one position; true if any was.
bool Assembler::PlaceOne() {
  bool placed = false;
  for (std::size_t pass = 0; pass < passes_.size(); ++pass) {
    for (std::size_t index = 0; index < at_[pass].size(); ++index) {
      if (at_[pass][index] || dead_[pass][index]) continue;
      const Bounds bounds = BoundsOf(pass, index);
      std::size_t fits = 0;
      std::size_t where = 0;
      for (std::size_t at = bounds.low; at <= bounds.high && fits < 2; ++at) {
        if (Fits(known_, pass, index, at)) {
          ++fits;
          where = at;
        }
      }
      if (fits == 0) {
        dead_[pass][index] = true;
        contradiction_ = true;
      } else if (fits == 1) {
        Place(pass, index, where);
        placed = true;
      }
    }
  }
  return placed;
}

// Settles the number of records where the ends of the passes pin it; true if newly settled.
bool Assembler::SettleCount() {
  Bounds count;
  for (std::size_t p = 0; p < known_.size(); ++p) {
    if (known_[p]) count.low = p + 1;
  }
  std::vector<Bounds> ends;
  for (std::size_t pass = 0; pass < passes_.size(); ++pass) {
    if (!passes_[pass].reachedEnd()) continue;
    ends.push_back(EndOf(pass));
    count.low = std::max(count.low, ends.back().low);
    count.high = std::min(count.high, ends.back().high);
  }
  if (count.low > count.high) {
    contradiction_ = true;
    return false;
  }
  if (count.low != count.high) return false;
  countPins_ = static_cast<std::size_t>(std::count_if(
      ends.begin(), ends.end(), [](const Bounds& end) { return end.low == end.high; }));
  if (count_) return false;
  count_ = count.low;
  return true;
}

// Puts the segments left over where they most likely stand: as far on as their bounds
// allow, which is where they are when every break moved the pointer.
void Assembler::Guess(Assembly& assembly) const {
  for (std::size_t pass = 0; pass < passes_.size(); ++pass) {
    for (std::size_t index = 0; index < at_[pass].size(); ++index) {
      if (at_[pass][index] || dead_[pass][index]) continue;
      const Bounds bounds = BoundsOf(pass, index);
      for (std::size_t at = bounds.high + 1; at-- > bounds.low;) {
        if (!Fits(assembly.records, pass, index, at)) continue;
        const std::vector<std::string>& segment = SegmentAt(pass, index).records;
        if (assembly.records.size() < at + segment.size()) {
          assembly.records.resize(at + segment.size());
        }
        for (std::size_t k = 0; k < segment.size(); ++k) {
          if (!assembly.records[at + k]) assembly.records[at + k] = segment[k];
        }
        break;
      }
    }
  }
}

Assembly Assembler::Run() {
  while (PlaceOne() || SettleCount()) {
  }
  SettleCount();
  Assembly assembly;
  assembly.count = count_;
  assembly.records = known_;
  assembly.contradiction = contradiction_;
  const bool settled = count_ && !contradiction_ && countPins_ >= needed_;
  assembly.exact = settled && known_.size() <= *count_;
  for (std::size_t p = 0; assembly.exact && p < *count_; ++p) {
    assembly.exact = p < known_.size() && known_[p] && seen_[p] >= needed_;
  }
  if (assembly.exact) return assembly;
  Guess(assembly);
  std::size_t estimate = count_.value_or(0);
  for (std::size_t p = 0; p < assembly.records.size(); ++p) {
    if (assembly.records[p]) estimate = std::max(estimate, p + 1);
  }
  for (std::size_t p = 0; p < estimate; ++p) {
    if (p >= assembly.records.size() || !assembly.records[p]) assembly.inDoubt.push_back(p + 1);
  }
  return assembly;
}

}  // namespace

Assembly AssembleRecords(const std::vector<PassLog>& passes, std::size_t needed) {
  return Assembler(passes, needed).Run();
}

}  // namespace tagline::database
