// SPDX-License-Identifier: Apache-2.0
// Classes of the reader's one-byte answers.
#pragma once

#include <string>
#include <string_view>

namespace tagline::serial {

enum class ReplyClass { Ack, Nak, Bel, Other, NoAnswer };

// Which byte of a reply decides its class.
enum class ReplyByte { First, Last };

ReplyClass ClassifyReply(std::string_view reply, ReplyByte which = ReplyByte::First);

// "// ACK", "// NAK", "// BEL", "//"; empty for NoAnswer.
std::string_view ReplyLogText(ReplyClass reply);

}  // namespace tagline::serial
