// SPDX-License-Identifier: Apache-2.0
// Faults the simulated reader can put into its replies, and how a reply is shaped by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagline::sim {

enum class FaultKind {
  Nak,      // answer NAK instead of the reply
  Bel,      // answer BEL instead of the reply
  Byte,     // answer the single byte `byte`
  Silence,  // no answer at all
  Garbage,  // a few bytes of junk that no reply class or frame matches
  Split,    // the normal reply in `parts` writes, `pauseMs` apart
  Delay,    // the normal reply, `delayMs` later than usual
  Cut,      // the first `length` bytes of the normal reply (half if 0); the rest never comes
  Storm,    // `length` copies of `byte` (a line full of refusals, say) instead of the reply
  Flip,     // the normal reply with the lowest bit of its byte `length` flipped (middle if 0)
  Twice,    // the normal reply, sent twice
  Prefix,   // the normal reply after the stray byte `byte`
};

struct Fault {
  FaultKind kind = FaultKind::Nak;
  char byte = 0;
  int parts = 2;
  std::uint32_t pauseMs = 0;
  std::uint32_t delayMs = 0;
  // Replies affected; any negative value means every reply until the faults are cleared.
  int count = 1;
  std::size_t length = 0;
  // The reader acted on the command before its reply was replaced: the reply was lost or
  // garbled on its way back.
  bool acted = false;
};

// The junk sent for FaultKind::Garbage: no STX, ETX, ACK, NAK, BEL, CR or LF in it.
std::string_view GarbageBytes();

// Whether the fault throws the normal reply away (then the command's handler is not run,
// as a real reader that failed would not have acted on the command either).
bool FaultReplacesReply(FaultKind kind);

// One write of a reply, to be made `delayMs` after the previous part (for the first part:
// after the reader's usual latency).
struct ReplyPart {
  std::string bytes;
  std::uint32_t delayMs = 0;
};

// The writes that carry `reply` under `fault` (none for silence or an empty reply).
std::vector<ReplyPart> ShapeReply(const std::optional<Fault>& fault, const std::string& reply);

// Faults waiting to be applied, oldest first.
class FaultQueue {
 public:
  void Push(const Fault& fault);
  void Clear() { faults_.clear(); }
  bool Empty() const { return faults_.empty(); }
  // The fault for the next reply, if any; uses up one of its count.
  std::optional<Fault> TakeNext();

 private:
  std::deque<Fault> faults_;
};

}  // namespace tagline::sim
