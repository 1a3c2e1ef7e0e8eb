// SPDX-License-Identifier: Apache-2.0
// What the panes show of a job or a command: text added to the received and the sent pane,
// the log lines of replies, and the trim that keeps both short. The window's panes are one
// transcript; the command line keeps one of its own.
#pragma once

#include <string_view>

#include "serial/reader_link.h"
#include "serial/reply.h"

namespace tagline::job {

class Transcript {
 public:
  virtual ~Transcript() = default;

  virtual void Received(std::string_view text) = 0;
  virtual void Sent(std::string_view text) = 0;
  // A command shown as the reader link's echo shows one (for a command shown, not sent).
  virtual void ShowCommand(std::string_view command, serial::Echo echo) = 0;
  virtual void ClearReceived() = 0;
  // Both panes.
  virtual void Clear() = 0;
  // Keeps both panes to their line limit.
  virtual void Trim() = 0;

  // The line end of the received pane.
  void EndLine() { Received("\r\n"); }
  // A reply's log text ("// ACK", ...), then ", " and the context if there is one.
  void Log(serial::ReplyClass cls, std::string_view context = {});
  // The log text of a one-byte answer and its line end ("// ACK\r\n").
  void LogLine(serial::ReplyClass cls);
};

}  // namespace tagline::job
