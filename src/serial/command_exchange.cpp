#include "serial/command_exchange.h"

#include <algorithm>

#include "serial/frame.h"

namespace tagline::serial {

namespace {

// Removes everything up to and including the first CR and the character after it.
void DropFirstLine(std::string& pane) {
  const auto cr = pane.find('\r');
  if (cr == std::string::npos) return;
  pane.erase(0, std::min(cr + 2, pane.size()));
}

}  // namespace

int CommandExchange::ReadTimed(std::string& out, std::uint32_t wanted, std::uint32_t timeoutMs) {
  const int count = port_.ReadTimed(out, wanted, timeoutMs);
  if (count == -1) ++lostReads;
  return count;
}

void CommandExchange::FlushInput() {
  std::string discarded;
  ReadTimed(discarded, 16, 1);
}

std::string CommandExchange::ReadReply(std::uint32_t wanted, std::uint32_t timeoutMs) {
  std::string reply;
  ReadTimed(reply, wanted, timeoutMs);
  return reply;
}

void CommandExchange::AppendLog(ReplyClass reply, std::string_view context) {
  receivedPane += ReplyLogText(reply);
  if (!context.empty()) {
    receivedPane += ", ";
    receivedPane += context;
  }
}

void CommandExchange::TrimPanes() {
  const auto lines = std::count(receivedPane.begin(), receivedPane.end(), '\r');
  for (auto excess = lines - kPaneLineLimit; excess > 0; --excess) {
    DropFirstLine(receivedPane);
    DropFirstLine(sentPane);
  }
  for (std::string* pane : {&receivedPane, &sentPane}) {
    if (pane->size() > kPaneByteLimit) pane->erase(0, pane->size() - kPaneByteLimit);
  }
}

void CommandExchange::OnSend(int protocol) {
  if (portOpen == 0) return;
  switch (protocol) {
    case kProtocolDataCr:
      port_.Write(sendText + "\r");
      sentPane += sendText;
      break;
    case kProtocolData:
      port_.Write(sendText);
      sentPane += sendText;
      break;
    default:
      port_.Write(FrameCommand(sendText));
      sentPane += sendText;
      sentPane += CrcDigits(sendText);
      break;
  }
}

bool CommandExchange::PollReceive(int onlineMode) {
  if (portOpen == 0) return false;
  std::string data;
  if (ReadTimed(data, 1, 1) == -1) {
    portOpen = 0;
    data.clear();
  }
  if (data.empty()) return false;

  const std::size_t shown = receivedPane.size();
  if (onlineMode == 0) {
    ShowTerminalData(std::move(data));
  } else {
    for (const char c : data) {
      if (c == kEtx || c == kCr) {
        HandOnlineFrame(c == kEtx ? FrameEnd::Etx : FrameEnd::Cr);
      } else if (c != '\0') {
        onlineBuffer += c;
        if (onlineBuffer.size() > kOnlineCodeByteLimit) onlineBuffer.erase(0, 1);
      }
    }
  }
  if (pollObserver_ && receivedPane.size() > shown) {
    pollObserver_(std::string_view(receivedPane).substr(shown));
  }
  TrimPanes();
  return true;
}

void CommandExchange::ShowTerminalData(std::string data) {
  std::erase_if(data, [](char c) { return c == kStx || c == kEtx; });
  ++polledReplies;
  lastPolledReply = ReplyClass::NoAnswer;
  if (data.size() == 1) {
    const ReplyClass cls = ClassifyReply(data);
    if (cls != ReplyClass::Other) lastPolledReply = cls;
    switch (data.front()) {
      case kAck:
        data = "// ACK\r\n";
        break;
      case kBel:
        data = "// BEL\r\n";
        break;
      case kNak:
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
    if (c != '\0') receivedPane += c;
  }
  sentPane += "\r\n";
}

void CommandExchange::HandOnlineFrame(FrameEnd end) {
  if (onlineHandler_) {
    onlineHandler_(*this, end);
    return;
  }
  // Until keyboard processing is attached, show the code as a line of its own.
  std::string code = onlineBuffer;
  std::erase_if(code, [](char c) { return c == kStx || c == '\n'; });
  receivedPane += code + "\r\n";
  sentPane += "\r\n";
  onlineBuffer.clear();
}

}  // namespace tagline::serial
