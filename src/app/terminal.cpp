// SPDX-License-Identifier: Apache-2.0
#include "app/terminal.h"

#include <algorithm>

#include "serial/frame.h"
#include "serial/trace_file.h"

namespace tagline::app {

void Terminal::OnSend(int protocol) {
  if (!link_.open()) return;
  const std::string& text = panes.sendText;
  switch (protocol) {
    case kProtocolDataCr:
      link_.SendRaw(text + "\r");
      panes.sent += text;
      break;
    case kProtocolData:
      link_.SendRaw(text);
      panes.sent += text;
      break;
    default:
      link_.SendRaw(serial::FrameCommand(text));
      panes.sent += text;
      panes.sent += serial::CrcDigits(text);
      break;
  }
}

bool Terminal::PollReceive(int onlineMode) {
  if (!link_.open()) return false;
  std::string data;
  if (link_.ReadTimed(data, 1, 1) == -1) {
    link_.SetOpen(false);
    data.clear();
  }
  if (data.empty()) return false;

  const std::size_t shown = panes.received.size();
  if (onlineMode == 0 && hexView) {
    panes.received += serial::TraceHex(data) + "\r\n";
    panes.sent += "\r\n";
    ++polledReplies;
  } else if (onlineMode == 0) {
    ShowTerminalData(std::move(data));
  } else {
    for (const char c : data) {
      if (c == serial::kEtx || c == serial::kCr) {
        HandOnlineFrame(c == serial::kEtx ? codes::FrameEnd::Etx : codes::FrameEnd::Cr);
      } else if (c != '\0') {
        online.buffer += c;
        if (online.buffer.size() > kOnlineCodeByteLimit) online.buffer.erase(0, 1);
      }
    }
  }
  if (timestamps) StampLines(shown);
  if (pollObserver_ && panes.received.size() > shown) {
    pollObserver_(std::string_view(panes.received).substr(shown));
  }
  panes.Trim();
  return true;
}

void Terminal::ShowTerminalData(std::string data) {
  std::erase_if(data, [](char c) { return c == serial::kStx || c == serial::kEtx; });
  ++polledReplies;
  lastPolledReply = serial::ReplyClass::NoAnswer;
  if (data.size() == 1) {
    const serial::ReplyClass cls = serial::ClassifyReply(data);
    if (cls != serial::ReplyClass::Other) lastPolledReply = cls;
    switch (data.front()) {
      case serial::kAck:
        data = "// ACK\r\n";
        break;
      case serial::kBel:
        data = "// BEL\r\n";
        break;
      case serial::kNak:
        data = "// NAK\r\n";
        break;
      default:
        break;
    }
  }
  if (data.find("\r\n") == std::string::npos) {
    std::string expanded;
    expanded.reserve(data.size() + 8);
    for (const char c : data) {
      expanded += c;
      if (c == '\r') expanded += '\n';
    }
    data = std::move(expanded);
  }
  for (const char c : data) {
    if (c != '\0') panes.received += c;
  }
  panes.sent += "\r\n";
}

void Terminal::StampLines(std::size_t from) {
  std::string& pane = panes.received;
  const std::string stamp = clock_.Format(platform::UnixMsNow()) + ' ';
  for (std::size_t at = from; at < pane.size(); ++at) {
    const bool lineStart = at == 0 || pane[at - 1] == '\n';
    if (!lineStart) continue;
    pane.insert(at, stamp);
    at += stamp.size();
  }
}

void Terminal::AddNote(const std::string& line) {
  const std::string text = line + "\r\n";
  panes.received += text;
  if (pollObserver_) pollObserver_(text);
  panes.Trim();
}

void Terminal::HandOnlineFrame(codes::FrameEnd end) {
  if (onlineHandler_) {
    onlineHandler_(end);
    return;
  }
  // Until keyboard processing is attached, show the code as a line of its own.
  std::string code = online.buffer;
  std::erase_if(code, [](char c) { return c == serial::kStx || c == '\n'; });
  panes.received += code + "\r\n";
  panes.sent += "\r\n";
  online.buffer.clear();
}

}  // namespace tagline::app
