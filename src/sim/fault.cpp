// SPDX-License-Identifier: Apache-2.0
#include "sim/fault.h"

#include <algorithm>

#include "serial/frame.h"

namespace tagline::sim {

std::string_view GarbageBytes() {
  static constexpr char kGarbage[] = "#\xA5Z\xFF\x80?";
  return {kGarbage, sizeof(kGarbage) - 1};
}

bool FaultReplacesReply(FaultKind kind) {
  return kind != FaultKind::Split && kind != FaultKind::Delay && kind != FaultKind::Cut &&
         kind != FaultKind::Flip && kind != FaultKind::Twice && kind != FaultKind::Prefix;
}

std::vector<ReplyPart> ShapeReply(const std::optional<Fault>& fault, const std::string& reply) {
  if (!fault) {
    if (reply.empty()) return {};
    return {ReplyPart{reply, 0}};
  }
  switch (fault->kind) {
    case FaultKind::Nak:
      return {ReplyPart{std::string(1, serial::kNak), 0}};
    case FaultKind::Bel:
      return {ReplyPart{std::string(1, serial::kBel), 0}};
    case FaultKind::Byte:
      return {ReplyPart{std::string(1, fault->byte), 0}};
    case FaultKind::Silence:
      return {};
    case FaultKind::Garbage:
      return {ReplyPart{std::string(GarbageBytes()), 0}};
    case FaultKind::Delay:
      if (reply.empty()) return {};
      return {ReplyPart{reply, fault->delayMs}};
    case FaultKind::Cut: {
      if (reply.empty()) return {};
      const std::size_t kept =
          fault->length > 0 ? std::min(fault->length, reply.size() - 1) : reply.size() / 2;
      if (kept == 0) return {};
      return {ReplyPart{reply.substr(0, kept), 0}};
    }
    case FaultKind::Flip: {
      if (reply.empty()) return {};
      std::string flipped = reply;
      const std::size_t at =
          fault->length > 0 ? std::min(fault->length, reply.size() - 1) : reply.size() / 2;
      flipped[at] = static_cast<char>(flipped[at] ^ 1);
      return {ReplyPart{std::move(flipped), 0}};
    }
    case FaultKind::Twice:
      if (reply.empty()) return {};
      return {ReplyPart{reply + reply, 0}};
    case FaultKind::Prefix:
      if (reply.empty()) return {};
      return {ReplyPart{fault->byte + reply, 0}};
    case FaultKind::Storm:
      return {ReplyPart{std::string(std::max<std::size_t>(fault->length, 1), fault->byte), 0}};
    case FaultKind::Split: {
      if (reply.empty()) return {};
      const std::size_t parts = std::clamp<std::size_t>(
          static_cast<std::size_t>(std::max(fault->parts, 1)), 1, reply.size());
      const std::size_t base = reply.size() / parts;
      const std::size_t extra = reply.size() % parts;
      std::vector<ReplyPart> out;
      std::size_t offset = 0;
      for (std::size_t i = 0; i < parts; ++i) {
        const std::size_t length = base + (i < extra ? 1 : 0);
        out.push_back(ReplyPart{reply.substr(offset, length), i == 0 ? 0 : fault->pauseMs});
        offset += length;
      }
      return out;
    }
  }
  return {};
}

void FaultQueue::Push(const Fault& fault) {
  if (fault.count == 0) return;
  faults_.push_back(fault);
}

std::optional<Fault> FaultQueue::TakeNext() {
  if (faults_.empty()) return std::nullopt;
  Fault& front = faults_.front();
  const Fault taken = front;
  if (front.count > 0 && --front.count == 0) faults_.pop_front();
  return taken;
}

}  // namespace tagline::sim
