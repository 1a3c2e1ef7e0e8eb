// SPDX-License-Identifier: Apache-2.0
#include "platform/keyboard_recording.h"

#include <cstdio>

namespace tagline::platform {

void RecordingKeyboard::Character(char c) {
  characters_.push_back(c);
  RecordedAction action;
  action.type = RecordedAction::Type::Character;
  action.character = c;
  actions_.push_back(action);
}

void RecordingKeyboard::KeyEvent(std::uint8_t virtualKey, bool keyUp) {
  events_.push_back({virtualKey, keyUp});
  RecordedAction action;
  action.type = RecordedAction::Type::Key;
  action.virtualKey = virtualKey;
  action.keyUp = keyUp;
  actions_.push_back(action);
}

void RecordingKeyboard::Pause(std::uint32_t ms) {
  pauses_.push_back(ms);
  RecordedAction action;
  action.type = RecordedAction::Type::Pause;
  action.ms = ms;
  actions_.push_back(action);
}

std::string RecordingKeyboard::TypedText() const {
  std::string text;
  bool shift = false;
  for (const RecordedKeyEvent& event : events_) {
    if (event.virtualKey == kVkShift) {
      shift = !event.keyUp;
    } else if (!event.keyUp) {
      if (const auto c = CharacterForKey(event.virtualKey, shift)) text.push_back(*c);
    }
  }
  return text;
}

std::string RecordingKeyboard::Transcript() const {
  std::string text;
  char token[16];
  for (const RecordedAction& action : actions_) {
    switch (action.type) {
      case RecordedAction::Type::Character: {
        const auto byte = static_cast<unsigned char>(action.character);
        if (byte >= 0x20 && byte < 0x7F && byte != '\'' && byte != '\\') {
          (void)std::snprintf(token, sizeof token, "'%c'", action.character);
        } else {
          (void)std::snprintf(token, sizeof token, "'\\x%02x'", byte);
        }
        break;
      }
      case RecordedAction::Type::Key:
        (void)std::snprintf(token, sizeof token, "%c%02X", action.keyUp ? '-' : '+',
                            static_cast<unsigned>(action.virtualKey));
        break;
      case RecordedAction::Type::Pause:
        (void)std::snprintf(token, sizeof token, "%lums", static_cast<unsigned long>(action.ms));
        break;
    }
    if (!text.empty()) text.push_back(' ');
    text += token;
  }
  return text;
}

void RecordingKeyboard::Clear() {
  events_.clear();
  characters_.clear();
  pauses_.clear();
  actions_.clear();
}

}  // namespace tagline::platform
