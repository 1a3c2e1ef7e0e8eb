// SPDX-License-Identifier: Apache-2.0
// Keyboard synthesis, the stand-in for keybd_event, VkKeyScanA and Sleep. Key events are
// Windows virtual-key codes; each backend turns them into what its host understands (the
// Win32 input queue, X11 XTest, a Linux uinput device, a byte stream, a recording).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tagline::platform {

// Windows virtual-key codes used by the typing code.
inline constexpr std::uint8_t kVkBack = 0x08;
inline constexpr std::uint8_t kVkTab = 0x09;
// Not a Windows key (the range is reserved); a line feed is sent with it all the same.
inline constexpr std::uint8_t kVkLineFeed = 0x0A;
inline constexpr std::uint8_t kVkReturn = 0x0D;
inline constexpr std::uint8_t kVkShift = 0x10;
inline constexpr std::uint8_t kVkEscape = 0x1B;
inline constexpr std::uint8_t kVkSpace = 0x20;
inline constexpr std::uint8_t kVkF12 = 0x7B;
// The low byte of VkKeyScanA for a character that no key produces.
inline constexpr std::uint8_t kVkNoKey = 0xFF;

// Shift-state bits in the high byte of a VkKeyScanA result.
inline constexpr std::uint8_t kScanShift = 1;
inline constexpr std::uint8_t kScanCtrl = 2;

// VkKeyScanA as Windows answers it for the US layout: the virtual key in the low byte, the
// shift state (kScanShift, kScanCtrl) in the high byte; -1 for a character no key produces.
std::int16_t VkKeyScanA(char c);

// The character a US-layout application receives for a key press with the given Shift
// state and no Ctrl, the inverse of VkKeyScanA; nullopt for keys that type nothing.
std::optional<char> CharacterForKey(std::uint8_t virtualKey, bool shift);

enum class KeyboardKind { Automatic, X11, Uinput, Win32, Recording, Stdout, None };

// "auto", "x11", "uinput", "win32", "stdout", "none"; nullopt for anything else.
std::optional<KeyboardKind> ParseKeyboardKind(std::string_view text);
std::string_view KeyboardKindName(KeyboardKind kind);

class Keyboard {
 public:
  Keyboard() = default;
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;
  virtual ~Keyboard();

  virtual KeyboardKind Kind() const = 0;
  // The character about to be typed, before its key events.
  virtual void Character(char /*c*/) {}
  // keybd_event: one key going down or (keyUp) up. Keys the host has no key for are dropped.
  virtual void KeyEvent(std::uint8_t virtualKey, bool keyUp) = 0;
  // Sleep between key events; really sleeps unless the backend needs no pacing.
  virtual void Pause(std::uint32_t ms);
  // VkKeyScanA for the layout this keyboard types with; the US table unless the host has
  // its own (Windows asks the user's layout).
  virtual std::int16_t KeyScan(char c) const;
  // True once output was lost (closed pipe, failed device write); typing then goes nowhere.
  virtual bool Failed() const { return false; }
  // The characters of the text given to Character() that the keyboard's layout has no key
  // for and that were not typed, since the last call.
  virtual std::string TakeUntypable() { return {}; }
};

// The backend for `kind`. Automatic takes X11 when a display is reachable and has XTest,
// else uinput (on Windows: the Win32 input queue). nullptr with `error` set when the
// backend cannot be had; for Automatic the error names every backend's reason.
// `layout` names the layout a uinput keyboard types with ("de", "ch(fr)"); empty: the
// system's. X11 types with the X server's own layout.
std::unique_ptr<Keyboard> CreateKeyboard(KeyboardKind kind, std::string& error,
                                         const std::string& layout = {});

}  // namespace tagline::platform
