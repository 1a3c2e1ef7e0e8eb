// SPDX-License-Identifier: Apache-2.0
// A trace of the serial line: a text file, one event per line, that support can read and
// the simulator can replay. Format version 1:
//
//   # tagline trace 1
//   # program: tagline 6.82
//   # port: /dev/ttyUSB0
//   2026-12-09T14:03:12.345+01:00 open /dev/ttyUSB0 9600 8N1
//   2026-12-09T14:03:12.351+01:00 > 02 53 56 43 45 32 43 03 |.SVCE2C.|
//   2026-12-09T14:03:12.402+01:00 < 02 4B 54 52 ... 03 |.KTR ...|
//   2026-12-09T14:03:13.010+01:00 flush
//   2026-12-09T14:03:14.000+01:00 lost
//   2026-12-09T14:03:14.001+01:00 close
//
// Lines starting with "#" are the header (one per recording; a file may hold several,
// appended). An event is the local time with milliseconds and offset, its kind and what
// belongs to it: ">" bytes sent to the reader and "<" bytes received, as upper-case hex
// pairs and then their printable form between bars (other bytes as "."); "open" with the
// port and its line settings; "flush", "close", "lost"; "note" with a text; "limit" where
// the size limit dropped the events before it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagline::serial {

inline constexpr std::string_view kTraceMagic = "# tagline trace 1";

enum class TraceKind { Sent, Received, Open, Flush, Close, Lost, Note, Limit };

struct TraceEvent {
  std::int64_t unixMs = 0;
  std::string time;  // as written
  TraceKind kind = TraceKind::Note;
  std::string bytes;   // Sent, Received
  std::string detail;  // Open: port and line settings; Note, Limit: the text
};

struct Trace {
  std::vector<std::string> header;  // without the "# "
  std::vector<TraceEvent> events;
};

std::string_view TraceKindName(TraceKind kind);

// Upper-case hex pairs separated by blanks.
std::string TraceHex(std::string_view bytes);
// Printable ASCII as it is, every other byte as ".".
std::string TracePrintable(std::string_view bytes);

// Reads a trace; nothing, with the line and what is wrong with it in `error`, for a file
// that is no trace.
std::optional<Trace> ReadTrace(const std::string& path, std::string& error);
std::optional<Trace> ParseTrace(std::string_view text, std::string& error);

}  // namespace tagline::serial
