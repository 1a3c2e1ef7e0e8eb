// SPDX-License-Identifier: Apache-2.0
// The terminal of the main window: the two panes and the send text, the Send button, the
// receive poll that shows what the reader sends on its own, and the ONLINE frame buffer the
// poll collects codes in. The main window owns one for the whole run.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "app/panes.h"
#include "codes/online_typing.h"
#include "platform/iso_time.h"
#include "serial/reader_link.h"
#include "serial/reply.h"

namespace tagline::app {

// An ONLINE code that never gets its ETX stops growing here.
inline constexpr std::size_t kOnlineCodeByteLimit = std::size_t{4} * 1024;

// Line protocols of the Send button.
enum LineProtocol : int { kProtocolFramed = 0, kProtocolDataCr = 1, kProtocolData = 2 };

class Terminal {
 public:
  // Takes a complete ONLINE code out of `onlineBuffer` (and leaves it empty).
  using OnlineFrameHandler = std::function<void(codes::FrameEnd)>;
  // Is told what one poll added to the received pane, before the trim can cut it off.
  using PollObserver = std::function<void(std::string_view added)>;

  explicit Terminal(serial::ReaderLink& link) : link_(link) {}

  // The Send button: the send text in the given line protocol. Does not read.
  void OnSend(int protocol);

  // One tick of the receive poll. Returns true when data arrived, i.e. when the panes
  // must be pushed to the window and the received pane scrolled to its end.
  bool PollReceive(int onlineMode);

  void SetOnlineFrameHandler(OnlineFrameHandler handler) { onlineHandler_ = std::move(handler); }
  // A line of the program's own in the received pane, told to the poll observer as well.
  void AddNote(const std::string& line);
  // None (the default) stops the reports.
  void SetPollObserver(PollObserver observer) { pollObserver_ = std::move(observer); }

  Panes panes;
  codes::OnlineLine online;
  // Terminal mode shows each poll's bytes as hex pairs, a line each.
  bool hexView = false;
  // Each line the receive poll adds begins with its local time.
  bool timestamps = false;
  // The terminal-mode polls that brought data, and the class of the last one when it was a
  // lone ACK, NAK or BEL (NoAnswer otherwise).
  int polledReplies = 0;
  serial::ReplyClass lastPolledReply = serial::ReplyClass::NoAnswer;

 private:
  void HandOnlineFrame(codes::FrameEnd end);
  void ShowTerminalData(std::string data);

  // Puts the time before each line that begins in the received pane from `from` on.
  void StampLines(std::size_t from);

  serial::ReaderLink& link_;
  platform::IsoTimeFormatter clock_;
  OnlineFrameHandler onlineHandler_;
  PollObserver pollObserver_;
};

}  // namespace tagline::app
