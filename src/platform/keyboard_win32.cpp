// SPDX-License-Identifier: Apache-2.0
#include <windows.h>

#include <memory>
#include <string>

#include "platform/keyboard_backends.h"

namespace tagline::platform {

namespace {

class Win32Keyboard final : public Keyboard {
 public:
  KeyboardKind Kind() const override { return KeyboardKind::Win32; }

  void KeyEvent(std::uint8_t virtualKey, bool keyUp) override {
    // With the key's scan code, for applications that read scan codes rather than keys.
    const auto scan = static_cast<BYTE>(::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    ::keybd_event(virtualKey, scan, keyUp ? KEYEVENTF_KEYUP : 0, 0);
  }

  void Pause(std::uint32_t ms) override { ::Sleep(ms); }

  // The user's own layout: the keys sent must be the ones that type the character there.
  std::int16_t KeyScan(char c) const override { return ::VkKeyScanA(c); }
};

}  // namespace

// Windows types with the user's own layout through VkKeyScanA; `layout` is for uinput.
std::unique_ptr<Keyboard> CreateNativeKeyboard(KeyboardKind kind, std::string& error,
                                               const std::string& /*layout*/) {
  switch (kind) {
    case KeyboardKind::Automatic:
    case KeyboardKind::Win32:
      return std::make_unique<Win32Keyboard>();
    default:
      error =
          "the " + std::string(KeyboardKindName(kind)) + " keyboard is not available on Windows";
      return nullptr;
  }
}

}  // namespace tagline::platform
