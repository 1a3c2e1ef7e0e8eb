// SPDX-License-Identifier: Apache-2.0
#include "serial/reply.h"

#include "serial/frame.h"

namespace tagline::serial {

ReplyClass ClassifyReply(std::string_view reply, ReplyByte which) {
  if (reply.empty()) return ReplyClass::NoAnswer;
  switch (which == ReplyByte::First ? reply.front() : reply.back()) {
    case kAck:
      return ReplyClass::Ack;
    case kNak:
      return ReplyClass::Nak;
    case kBel:
      return ReplyClass::Bel;
    default:
      return ReplyClass::Other;
  }
}

std::string_view ReplyLogText(ReplyClass reply) {
  switch (reply) {
    case ReplyClass::Ack:
      return "// ACK";
    case ReplyClass::Nak:
      return "// NAK";
    case ReplyClass::Bel:
      return "// BEL";
    case ReplyClass::Other:
      return "//";
    case ReplyClass::NoAnswer:
      break;
  }
  return {};
}

}  // namespace tagline::serial
