// SPDX-License-Identifier: Apache-2.0
// The main window in ONLINE mode with a recording keyboard, handed frames as the receive
// poll hands them over.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "platform/keyboard_recording.h"

namespace tagline::app {

class OnlineTest : public DialogFixture {
 protected:
  void StartOnline(const std::string& com = {}, const std::string& online = {}) {
    WriteIni("[COM]\r\n" + com + "[ONLINE]\r\nonline=1\r\n" + online);
    Start();
    host.ClearMessages();
    auto recorder = std::make_unique<platform::RecordingKeyboard>();
    keys = recorder.get();
    dialog->SetKeyboard(std::move(recorder));
  }
  // A frame as the receive poll hands it over.
  void Receive(const std::string& text, codes::FrameEnd end = codes::FrameEnd::Cr) {
    dialog->terminal().online.buffer = text;
    dialog->ProcessOnlineFrame(end);
  }
  // The virtual keys pressed, without the Shift key.
  std::vector<std::uint8_t> KeysDown() const {
    std::vector<std::uint8_t> down;
    for (const auto& e : keys->events()) {
      if (!e.keyUp && e.virtualKey != platform::kVkShift) down.push_back(e.virtualKey);
    }
    return down;
  }
  platform::RecordingKeyboard* keys = nullptr;
};

}  // namespace tagline::app
