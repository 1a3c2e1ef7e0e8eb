// SPDX-License-Identifier: Apache-2.0
#include "platform/layout_typing.h"

#include "platform/keyboard.h"

namespace tagline::platform {

void LayoutTyping::Character(char c, const XkbLayout& layout, std::uint32_t group,
                             const Fallback& fallback) {
  const std::uint32_t keysym = KeysymOfCharacter(c);
  if (keysym == 0) {
    mode_ = Mode::VirtualKeys;
    return;
  }
  std::optional<KeyStroke> stroke = layout.Resolve(keysym, group);
  if (!stroke && fallback) stroke = fallback(keysym);
  if (!stroke) {
    mode_ = Mode::Dropped;
    untypable_ += c;
    return;
  }
  stroke_ = std::move(*stroke);
  mode_ = Mode::Stroke;
}

bool LayoutTyping::KeyEvent(std::uint8_t virtualKey, bool keyUp, const SendKey& send) {
  switch (mode_) {
    case Mode::VirtualKeys:
      return false;
    case Mode::Dropped:
      return true;
    case Mode::Stroke:
      break;
  }
  // The layout says which modifiers the character needs; the US Shift around it is not
  // one of them.
  if (virtualKey == kVkShift) return true;
  if (!keyUp) {
    for (const std::uint32_t modifier : stroke_.modifiers) send(modifier, true);
    send(stroke_.keycode, true);
  } else {
    send(stroke_.keycode, false);
    for (auto it = stroke_.modifiers.rbegin(); it != stroke_.modifiers.rend(); ++it) {
      send(*it, false);
    }
  }
  return true;
}

std::string LayoutTyping::TakeUntypable() {
  std::string taken;
  taken.swap(untypable_);
  return taken;
}

}  // namespace tagline::platform
