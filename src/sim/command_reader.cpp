// SPDX-License-Identifier: Apache-2.0
#include "sim/command_reader.h"

#include "serial/frame.h"

namespace tagline::sim {

std::vector<ReceivedCommand> CommandReader::Feed(std::string_view bytes) {
  std::vector<ReceivedCommand> out;
  for (const char c : bytes) Take(c, out);
  return out;
}

void CommandReader::Take(char c, std::vector<ReceivedCommand>& out) {
  if (c == serial::kStx) {
    // A new frame start resynchronises, whatever was pending.
    buffer_.clear();
    inFrame_ = true;
    overflowed_ = false;
    return;
  }
  if (inFrame_) {
    if (c == serial::kEtx) {
      if (!overflowed_) out.push_back(FromFrame(std::move(buffer_)));
      buffer_.clear();
      inFrame_ = false;
      overflowed_ = false;
      return;
    }
  } else {
    if (c == serial::kCr) {
      if (!overflowed_ && !buffer_.empty()) {
        out.push_back(ReceivedCommand{ReceivedCommand::Kind::Line, std::move(buffer_)});
      }
      buffer_.clear();
      overflowed_ = false;
      return;
    }
    // A line feed after the CR of the previous line, or a stray ETX, is no command text.
    if (c == '\n' || c == serial::kEtx) return;
  }
  if (overflowed_) return;
  if (buffer_.size() >= kMaxLength) {
    buffer_.clear();
    overflowed_ = true;
    return;
  }
  buffer_ += c;
}

ReceivedCommand CommandReader::FromFrame(std::string body) {
  if (body.size() == 1 && (body[0] == serial::kAck || body[0] == serial::kNak)) {
    return {ReceivedCommand::Kind::Acknowledge, std::move(body)};
  }
  if (body.size() < 4) return {ReceivedCommand::Kind::BadCrc, std::move(body)};
  const std::string_view text(body.data(), body.size() - 4);
  const std::string_view digits(body.data() + text.size(), 4);
  if (digits != serial::CrcDigits(text)) return {ReceivedCommand::Kind::BadCrc, std::move(body)};
  body.resize(text.size());
  return {ReceivedCommand::Kind::Framed, std::move(body)};
}

}  // namespace tagline::sim
