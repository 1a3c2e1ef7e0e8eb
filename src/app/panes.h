// SPDX-License-Identifier: Apache-2.0
// The terminal's two panes and its send text: the transcript jobs and commands write to,
// and the echo of every command the reader link sends. Both panes keep the last 20 lines,
// cut side by side so that they stay line by line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "job/transcript.h"
#include "serial/reader_link.h"

namespace tagline::app {

inline constexpr int kPaneLineLimit = 20;
// A pane that never gets its line end stops growing here: a reader sending without end
// would otherwise fill the memory.
inline constexpr std::size_t kPaneByteLimit = std::size_t{64} * 1024;

class Panes : public job::Transcript, public serial::LinkObserver {
 public:
  std::string received;
  std::string sent;
  std::string sendText;  // the "To Send" field

  // Transcript.
  void Received(std::string_view text) override { received += text; }
  void Sent(std::string_view text) override { sent += text; }
  void ShowCommand(std::string_view command, serial::Echo echo) override;
  void ClearReceived() override { received.clear(); }
  void Clear() override;
  void Trim() override;

  // The link's echo of each command it sends.
  void OnCommand(std::string_view command, serial::Echo echo) override {
    ShowCommand(command, echo);
  }
};

}  // namespace tagline::app
