// SPDX-License-Identifier: Apache-2.0
#include "app/panes.h"

#include <algorithm>

namespace tagline::app {

namespace {

// Removes everything up to and including the first CR and the character after it.
void DropFirstLine(std::string& pane) {
  const auto cr = pane.find('\r');
  if (cr == std::string::npos) return;
  pane.erase(0, std::min(cr + 2, pane.size()));
}

}  // namespace

void Panes::ShowCommand(std::string_view command, serial::Echo echo) {
  if (echo == serial::Echo::None) return;
  sent += command;
  sent += "\r\n";
  if (echo == serial::Echo::SendField) sendText = std::string(command);
}

void Panes::Clear() {
  received.clear();
  sent.clear();
}

void Panes::Trim() {
  const auto lines = std::count(received.begin(), received.end(), '\r');
  for (auto excess = lines - kPaneLineLimit; excess > 0; --excess) {
    DropFirstLine(received);
    DropFirstLine(sent);
  }
  for (std::string* pane : {&received, &sent}) {
    if (pane->size() > kPaneByteLimit) pane->erase(0, pane->size() - kPaneByteLimit);
  }
}

}  // namespace tagline::app
