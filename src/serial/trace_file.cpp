// SPDX-License-Identifier: Apache-2.0
#include "serial/trace_file.h"

#include <array>
#include <fstream>
#include <sstream>

#include "platform/iso_time.h"

namespace tagline::serial {

namespace {

constexpr std::array<std::string_view, 8> kKindNames = {">",     "<",    "open", "flush",
                                                        "close", "lost", "note", "limit"};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "02 53 56" up to the bar or the end.
std::optional<std::string> ParseHex(std::string_view text) {
  std::string bytes;
  std::size_t i = 0;
  while (i < text.size() && text[i] != '|') {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return bytes;
}

}  // namespace

std::string_view TraceKindName(TraceKind kind) {
  return kKindNames[static_cast<std::size_t>(kind)];
}

std::string TraceHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

std::string TracePrintable(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out) {
    if (c < 0x20 || c > 0x7E) c = '.';
  }
  return out;
}

std::optional<Trace> ParseTrace(std::string_view text, std::string& error) {
  Trace trace;
  std::size_t lineNumber = 0;
  bool magic = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(lineNumber) + ": " + why;
      return std::nullopt;
    };
    if (line.front() == '#') {
      if (line == kTraceMagic) magic = true;
      trace.header.emplace_back(line.substr(line.size() > 1 && line[1] == ' ' ? 2 : 1));
      continue;
    }
    if (!magic) return fail("no \"" + std::string(kTraceMagic) + "\" header before it");
    const std::size_t space = line.find(' ');
    TraceEvent event;
    event.time = std::string(line.substr(0, space));
    const auto ms = platform::ParseIsoTimeMs(event.time);
    if (!ms) return fail("no time of the form 2026-12-09T14:03:12.345+01:00");
    event.unixMs = *ms;
    const std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);
    const std::size_t kindEnd = rest.find(' ');
    const std::string_view kind = rest.substr(0, kindEnd);
    const std::string_view detail =
        kindEnd == std::string_view::npos ? "" : rest.substr(kindEnd + 1);
    bool known = false;
    for (std::size_t k = 0; k < kKindNames.size(); ++k) {
      if (kind == kKindNames[k]) {
        event.kind = static_cast<TraceKind>(k);
        known = true;
      }
    }
    if (!known) return fail("unknown event \"" + std::string(kind) + "\"");
    if (event.kind == TraceKind::Sent || event.kind == TraceKind::Received) {
      auto bytes = ParseHex(detail);
      if (!bytes) return fail("the bytes are no hex pairs");
      event.bytes = std::move(*bytes);
    } else {
      event.detail = std::string(detail);
    }
    trace.events.push_back(std::move(event));
  }
  if (!magic) {
    error = "not a trace (no \"" + std::string(kTraceMagic) + "\" line)";
    return std::nullopt;
  }
  return trace;
}

std::optional<Trace> ReadTrace(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  auto trace = ParseTrace(text.str(), error);
  if (!trace) error = path + ": " + error;
  return trace;
}

}  // namespace tagline::serial
