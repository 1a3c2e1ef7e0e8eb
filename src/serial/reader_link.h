// The one way every command reaches the reader: framing, the sent-pane line, the wait for
// the reply, its class, the received-pane line and the trim of both panes. Callers state
// only their command, byte counts, time-outs and what their result field shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "serial/command_exchange.h"
#include "serial/reply.h"

namespace tagline::serial {

// What the sent pane and the send field show of a command.
enum class Echo {
  None,       // nothing
  SentPane,   // the command and a line end in the sent pane
  SendField,  // that, and the command in the send field
};

struct Reply {
  bool sent = false;  // false while the port-open flag is clear
  std::string text;   // the bytes as read
  ReplyClass cls = ReplyClass::NoAnswer;
  bool answered() const { return cls != ReplyClass::NoAnswer; }
  bool ack() const { return cls == ReplyClass::Ack; }
  // The class's log text ("// ACK", ...); empty for no answer.
  std::string logText() const { return std::string(ReplyLogText(cls)); }
};

struct ExchangeOptions {
  std::uint32_t wanted = 1;
  std::uint32_t timeoutMs = kReplyTimeoutMs;
  ReplyByte which = ReplyByte::First;
  Echo echo = Echo::SentPane;
  bool flush = true;
  std::uint32_t pauseMs = 0;  // between writing and reading
};

class ReaderLink {
 public:
  explicit ReaderLink(CommandExchange& exchange) : exchange_(exchange) {}

  // The port-open flag: nothing is sent while it is clear.
  bool open() const { return exchange_.portOpen != 0; }

  std::string& receivedPane() { return exchange_.receivedPane; }
  std::string& sentPane() { return exchange_.sentPane; }
  std::string& sendText() { return exchange_.sendText; }
  // The ONLINE code being received and the one before it.
  std::string& onlineBuffer() { return exchange_.onlineBuffer; }
  std::string& lastOnlineCode() { return exchange_.lastOnlineCode; }
  void ClearPanes();

  void FlushInput() { exchange_.FlushInput(); }
  // Takes whatever has arrived, up to a wanted count, within 1 ms and throws it away.
  void Drain(std::uint32_t wanted);

  // Writes the framed command and shows it as `echo` says.
  void Send(std::string_view command, Echo echo = Echo::SentPane);
  // Writes bytes as they are (the ONLINE acknowledgement).
  void SendRaw(const std::string& bytes);
  std::string Read(std::uint32_t wanted, std::uint32_t timeoutMs);
  // Reads in 1 ms chunks until a chunk holds one of `ends`, at most `chunkLimit` chunks and
  // 4096 bytes, or until the line is lost.
  std::string CollectUntil(std::string_view ends, int chunkLimit);

  // Flush, send, read and classify. Logs nothing of the reply: see LogReply.
  Reply Exchange(std::string_view command, const ExchangeOptions& how = {});
  // The whole skeleton: Exchange, then the reply's log line with its context in the
  // received pane, the line end, and the trim.
  Reply Transact(std::string_view command, const ExchangeOptions& how = {},
                 std::string_view context = {});

  // Sends a one-token command; a BEL or an unexpected first byte sends it again, at most
  // `maxRepeats` times (none when 0). Each reply is collected until ACK or NAK. Returns the
  // first byte of the last reply, 0 for none. With `logRepeats` each repeated reply gets
  // its log line.
  char SendToken(std::string_view command, int maxRepeats, bool logRepeats);

  // The reply's log text, ", " and the context if there is one.
  void LogReply(ReplyClass cls, std::string_view context = {});
  // The log line of a one-byte answer and its line end ("// ACK\r\n").
  void LogLine(ReplyClass cls);
  void EndReceivedLine() { exchange_.receivedPane += "\r\n"; }
  void TrimPanes() { exchange_.TrimPanes(); }
  // How many reads so far found the line lost; a job compares it with its start.
  int lostReads() const { return exchange_.lostReads; }

 private:
  CommandExchange& exchange_;
};

}  // namespace tagline::serial
