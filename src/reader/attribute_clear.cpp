// SPDX-License-Identifier: Apache-2.0
#include "reader/attribute_clear.h"

#include <string>

#include "job/repeated_write.h"
#include "protocol/attribute_tokens.h"
#include "serial/frame.h"

namespace tagline::reader {

namespace {

// A token answered with BEL or an unexpected byte is sent again, but not for ever.
constexpr int kMaxTokenRepeats = 5;

}  // namespace

bool ClearAttributes(job::JobEnvironment& env, job::AttributeTables tables) {
  switch (tables) {
    case job::AttributeTables::NothingToClear:
      return true;
    case job::AttributeTables::WrongFormat:
      env.Message("DB has wrong format");
      return false;
    case job::AttributeTables::Clear:
      break;
  }
  protocol::ReaderProtocol& reader = env.reader();
  reader.Drain(50);
  env.transcript().Sent("t...\r\n");
  std::size_t acknowledged = 0;
  job::RepeatedWrite writes(reader);
  for (std::size_t i = 0; i < protocol::kAttributeCount; ++i) {
    const std::string command = std::string("t") + protocol::AttributeToken(i) + "___";
    env.ShowCommand(command);
    char reply = 0;
    const job::WriteAnswer answer = writes.Send([&] {
      const protocol::TokenReply token =
          reader.WriteAttribute(command, i > 0 ? kMaxTokenRepeats : 0);
      reply = token.last;
      if (reply == 0) return job::WriteAnswer::Silent;
      if (reply == serial::kAck) return job::WriteAnswer::Ack;
      return token.repeated.empty() ? job::WriteAnswer::Refused : job::WriteAnswer::Rejected;
    });
    if (answer == job::WriteAnswer::Ack) reply = serial::kAck;
    if (reply == 0) {
      env.Message("No Answer from reader");
      break;
    }
    if (reply == serial::kAck) ++acknowledged;
    env.ShowResult(std::string(serial::ReplyLogText(serial::ClassifyReply(std::string(1, reply)))));
  }
  const bool cleared = acknowledged == protocol::kAttributeCount;
  env.transcript().Received(cleared ? "// ACK, Clear Attributes successful\r\n"
                                    : "// NAK, Clear Attributes failed\r\n");
  return cleared;
}

}  // namespace tagline::reader
