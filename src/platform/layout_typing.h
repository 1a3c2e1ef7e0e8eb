// SPDX-License-Identifier: Apache-2.0
// The keyboard backends that type characters in the host's layout (X11, uinput) take the
// virtual-key events of the typing code as the timing of each character's press and
// release: the key and the modifiers come from the layout, not from a US keyboard.
#pragma once

#ifndef _WIN32

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/xkb_layout.h"

namespace tagline::platform {

class LayoutTyping {
 public:
  // Sends one key (an xkb keycode) down or up.
  using SendKey = std::function<void(std::uint32_t keycode, bool down)>;
  // Finds a key for a keysym the layout lacks (X11 binds a spare key); nothing: untypable.
  using Fallback = std::function<std::optional<KeyStroke>(std::uint32_t keysym)>;

  // The character whose key events follow. Control bytes are left to the virtual keys.
  void Character(char c, const XkbLayout& layout, std::uint32_t group, const Fallback& fallback);
  // True when the event belongs to a character and was sent (or dropped) here; false when
  // the backend sends the virtual key itself.
  bool KeyEvent(std::uint8_t virtualKey, bool keyUp, const SendKey& send);
  // The characters no key could type since the last call.
  std::string TakeUntypable();

 private:
  enum class Mode { VirtualKeys, Stroke, Dropped };
  Mode mode_ = Mode::VirtualKeys;
  KeyStroke stroke_;
  std::string untypable_;
};

}  // namespace tagline::platform

#endif  // _WIN32
