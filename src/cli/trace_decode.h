// SPDX-License-Identifier: Apache-2.0
// A trace read back as exchanges: each command with its name and what it carries, the
// reply with its class, whether its frame holds, what the program makes of it, the time it
// took, and what went wrong on the way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serial/trace_file.h"

namespace tagline::cli {

struct TraceExchange {
  std::string time;             // of the command (or of the event)
  std::string event;            // "command", "unsolicited", "open", "flush", "close", "lost", ...
  std::string command;          // the command text ("SV", "w" + record, ...)
  std::string code;             // the command as its name goes ("SV", "w", "s22400")
  std::string name;             // "software version", ...
  std::string argument;         // what the command carries, decoded ("cell 00C = 31")
  std::string reply;            // the reply's data as the program takes it (frame removed)
  std::string replyClass;       // "ACK", "NAK", "BEL", "frame", "text", "none"
  std::optional<bool> crcGood;  // for framed replies
  std::string decoded;          // "model 41 KtrH9V43Build54", a record's fields, ...
  std::optional<std::int64_t> replyMs;  // from the command to the first reply byte
  std::string fault;                    // "bad frame", "silence", "port lost"
  std::string detail;                   // of open, note and limit events
};

std::vector<TraceExchange> DecodeTrace(const serial::Trace& trace);

// One line of text for an exchange, as `trace show` prints it.
std::string ExchangeLine(const TraceExchange& exchange);

}  // namespace tagline::cli
