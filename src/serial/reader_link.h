// SPDX-License-Identifier: Apache-2.0
// The one way bytes reach the reader and come back: the port-open flag, framing, the waits
// for replies and their class, and a report of each to the link's observers (the panes'
// echo of the commands, a trace of the line). The link keeps no panes: what an exchange
// shows is its caller's business.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "serial/line.h"
#include "serial/reply.h"

namespace tagline::serial {

inline constexpr std::uint32_t kReplyTimeoutMs = 180;

// How the front end shows a command in the sent pane and the send field.
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
};

struct ExchangeOptions {
  std::uint32_t wanted = 1;
  std::uint32_t timeoutMs = kReplyTimeoutMs;
  ReplyByte which = ReplyByte::First;
  Echo echo = Echo::SentPane;
  bool flush = true;
  std::uint32_t pauseMs = 0;  // between writing and reading
};

// Told of everything that crosses the line, in order.
class LinkObserver {
 public:
  virtual ~LinkObserver() = default;
  // A framed command went out; `echo` is how the front end shows it.
  virtual void OnCommand(std::string_view command, Echo echo) = 0;
  // The bytes as they were written and as they were read (frames included).
  virtual void OnWritten(std::string_view /*bytes*/) {}
  virtual void OnRead(std::string_view /*bytes*/) {}
  // A read found the line gone.
  virtual void OnLost() {}
};

class ReaderLink {
 public:
  explicit ReaderLink(Line& line) : line_(line) {}
  ReaderLink(const ReaderLink&) = delete;
  ReaderLink& operator=(const ReaderLink&) = delete;

  // The port-open flag: 1 after a successful open, 0 when closed or lost. Callers send
  // nothing while it is clear.
  bool open() const { return open_; }
  void SetOpen(bool open) { open_ = open; }

  // Observers stay registered until removed; each is told in the order it was added.
  void AddObserver(LinkObserver& observer);
  void RemoveObserver(LinkObserver& observer);

  // The line's own calls, reported to the observers. ReadTimed counts the reads that found
  // the line lost.
  bool Write(const std::string& bytes);
  int ReadTimed(std::string& out, std::uint32_t wanted, std::uint32_t timeoutMs);

  // Takes up to 16 bytes within 1 ms and throws them away.
  void FlushInput() {
    line_.NoteFlush();
    Drain(16);
  }
  // Takes whatever has arrived, up to a wanted count, within 1 ms and throws it away.
  void Drain(std::uint32_t wanted);

  // Writes the framed command; the observers learn how it is shown.
  void Send(std::string_view command, Echo echo = Echo::SentPane);
  // Writes bytes as they are (the ONLINE acknowledgement, the Send button's protocols).
  void SendRaw(const std::string& bytes) { Write(bytes); }
  std::string Read(std::uint32_t wanted, std::uint32_t timeoutMs);
  // Reads in 1 ms chunks until a chunk holds one of `ends`, at most `chunkLimit` chunks and
  // 4096 bytes, or until the line is lost.
  std::string CollectUntil(std::string_view ends, int chunkLimit);

  // Flush, send, read and classify.
  Reply Exchange(std::string_view command, const ExchangeOptions& how = {});

  // How many reads so far found the line lost; a job compares it with its start.
  int lostReads() const { return lostReads_; }

 private:
  Line& line_;
  bool open_ = false;
  int lostReads_ = 0;
  std::vector<LinkObserver*> observers_;
};

}  // namespace tagline::serial
