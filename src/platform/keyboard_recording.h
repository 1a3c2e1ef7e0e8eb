// SPDX-License-Identifier: Apache-2.0
// A keyboard that records what would be typed instead of typing it, for tests and for
// checking what a code turns into.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/keyboard.h"

namespace tagline::platform {

struct RecordedKeyEvent {
  std::uint8_t virtualKey = 0;
  bool keyUp = false;
  friend bool operator==(const RecordedKeyEvent&, const RecordedKeyEvent&) = default;
};

// One call on the keyboard, in the order made.
struct RecordedAction {
  enum class Type { Character, Key, Pause };
  Type type = Type::Key;
  char character = 0;           // Character
  std::uint8_t virtualKey = 0;  // Key
  bool keyUp = false;           // Key
  std::uint32_t ms = 0;         // Pause
  friend bool operator==(const RecordedAction&, const RecordedAction&) = default;
};

class RecordingKeyboard final : public Keyboard {
 public:
  KeyboardKind Kind() const override { return KeyboardKind::Recording; }
  void Character(char c) override;
  void KeyEvent(std::uint8_t virtualKey, bool keyUp) override;
  // Recorded, never slept.
  void Pause(std::uint32_t ms) override;

  const std::vector<RecordedKeyEvent>& events() const { return events_; }
  const std::string& characters() const { return characters_; }
  const std::vector<std::uint32_t>& pauses() const { return pauses_; }
  const std::vector<RecordedAction>& actions() const { return actions_; }

  // The text a US-layout application would receive from the key events: each key going
  // down types CharacterForKey with the Shift state of that moment.
  std::string TypedText() const;

  // The actions as text, one token each, separated by blanks: "'A'" or "'\x1e'" for a
  // character, "+41" / "-41" for a key down / up (virtual key in hex), "5ms" for a pause.
  std::string Transcript() const;

  void Clear();

 private:
  std::vector<RecordedKeyEvent> events_;
  std::string characters_;
  std::vector<std::uint32_t> pauses_;
  std::vector<RecordedAction> actions_;
};

}  // namespace tagline::platform
