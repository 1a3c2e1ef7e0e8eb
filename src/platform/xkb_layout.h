// SPDX-License-Identifier: Apache-2.0
// Which key, with which modifiers, types a character on a keyboard layout: the keymap is
// libxkbcommon's, compiled from layout names (for a uinput device) or taken from the X
// server. Characters are typed as such, not as the key positions of a US keyboard.
#pragma once

#ifndef _WIN32

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct xkb_context;
struct xkb_keymap;

namespace tagline::platform {

// One key press: the key and the modifier keys held down around it, as xkb keycodes
// (the Linux input code + 8, the X server's keycodes).
struct KeyStroke {
  std::uint32_t keycode = 0;
  std::vector<std::uint32_t> modifiers;
};

// The layout names of a keymap: "de", "ch" with variant "fr", "us,de" for two groups.
struct LayoutNames {
  std::string layout;
  std::string variant;
};

class XkbLayout {
 public:
  // nullptr with `error` set when libxkbcommon knows no such layout.
  static std::unique_ptr<XkbLayout> FromNames(const LayoutNames& names, std::string& error);
  // Takes the keymap over (one reference).
  static std::unique_ptr<XkbLayout> FromKeymap(xkb_keymap* keymap);
  ~XkbLayout();
  XkbLayout(const XkbLayout&) = delete;
  XkbLayout& operator=(const XkbLayout&) = delete;

  // The stroke that types `keysym` in the layout (group) `layout`: the fewest modifiers,
  // then the lowest keycode. Nothing when no key of that layout has it at a level that
  // Shift, AltGr (level 3), Control or Alt reach.
  std::optional<KeyStroke> Resolve(std::uint32_t keysym, std::uint32_t layout = 0) const;
  // What the stroke types in `layout`, as UTF-8: the check of a resolution.
  std::string Produces(const KeyStroke& stroke, std::uint32_t layout = 0) const;
  std::uint32_t LayoutCount() const;
  // The xkb keycode of the first key whose first level is `keysym`; 0 when there is none.
  std::uint32_t KeyOf(std::uint32_t keysym) const;

 private:
  explicit XkbLayout(xkb_keymap* keymap);
  void FindModifierKeys();
  // Takes note of the modifier bits `key` sets, for those bits that have no key yet.
  void MapModifierKey(std::uint32_t key);
  // The modifier keys that make up `mask`; nothing when a bit has no key of its own.
  std::optional<std::vector<std::uint32_t>> KeysForMask(std::uint32_t mask) const;

  xkb_keymap* keymap_;
  // The key that sets each modifier bit (0: none), from the keymap's own modifier keys.
  std::vector<std::uint32_t> modifierKeys_;
  std::uint32_t lockMask_ = 0;
};

// The keysym a character of the program's text (Windows-1252) stands for; 0 for control
// bytes, which are typed as virtual keys.
std::uint32_t KeysymOfCharacter(char c);

// The layout a uinput keyboard types with, by precedence: the program's own setting
// (`configured`), XKB_DEFAULT_LAYOUT/XKB_DEFAULT_VARIANT, the XKBLAYOUT/XKBVARIANT lines of
// /etc/default/keyboard, the XkbLayout/XkbVariant options of the X11 keymap localectl
// keeps (/etc/X11/xorg.conf.d/00-keyboard.conf), "us".
// The texts are passed in so that the choice can be checked without the system's files.
struct LayoutSources {
  std::string configured;
  std::optional<std::string> environmentLayout;
  std::optional<std::string> environmentVariant;
  std::string defaultKeyboard;  // /etc/default/keyboard
  std::string xorgKeyboard;     // /etc/X11/xorg.conf.d/00-keyboard.conf
};
LayoutNames ChooseLayout(const LayoutSources& sources);
// The sources as this system has them (`configured` aside).
LayoutSources SystemLayoutSources(const std::string& configured);

}  // namespace tagline::platform

#endif  // _WIN32
