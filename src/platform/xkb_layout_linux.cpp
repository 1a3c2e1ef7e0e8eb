// SPDX-License-Identifier: Apache-2.0
#include "platform/xkb_layout.h"

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/windows_1252.h"

namespace tagline::platform {

namespace {

struct ContextDeleter {
  void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct StateDeleter {
  void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
using StatePtr = std::unique_ptr<xkb_state, StateDeleter>;

// Keys whose first level is one of these are the keymap's modifier keys. Latches and
// locks are left out: a typed character must not leave a modifier behind.
constexpr std::array<xkb_keysym_t, 9> kModifierKeysyms = {
    XKB_KEY_Shift_L,   XKB_KEY_Shift_R,          XKB_KEY_ISO_Level3_Shift,
    XKB_KEY_Control_L, XKB_KEY_Control_R,        XKB_KEY_Alt_L,
    XKB_KEY_Alt_R,     XKB_KEY_ISO_Level5_Shift, XKB_KEY_Mode_switch,
};

xkb_keysym_t FirstKeysym(xkb_keymap* keymap, xkb_keycode_t key, xkb_layout_index_t layout,
                         xkb_level_index_t level) {
  const xkb_keysym_t* syms = nullptr;
  const int count = xkb_keymap_key_get_syms_by_level(keymap, key, layout, level, &syms);
  return count > 0 ? syms[0] : XKB_KEY_NoSymbol;
}

// The evdev keymaps' stand-ins that carry a modifier for the others ("LVL3", "MDSW", ...).
bool IsVirtualModifierKey(xkb_keymap* keymap, xkb_keycode_t key) {
  const char* name = xkb_keymap_key_get_name(keymap, key);
  if (name == nullptr) return true;
  for (const std::string_view stand : {"LVL3", "LVL5", "MDSW", "ALT", "META", "SUPR", "HYPR"}) {
    if (stand == name) return true;
  }
  return false;
}

// "de", "ch(fr)": a layout and, in brackets, its variant.
LayoutNames SplitLayoutText(std::string text) {
  LayoutNames names;
  const std::size_t open = text.find('(');
  if (open != std::string::npos && text.back() == ')') {
    names.variant = text.substr(open + 1, text.size() - open - 2);
    text.resize(open);
  }
  names.layout = std::move(text);
  return names;
}

// The value of a `KEY=value` or `KEY="value"` line; nothing when the text has no such line.
std::optional<std::string> ShellValue(const std::string& text, const std::string& key) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(key + "=", 0) != 0) continue;
    std::string value = line.substr(key.size() + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::nullopt;
}

// The value of an `Option "Name" "value"` line, as systemd-localed writes the X11 layout
// (`localectl set-x11-keymap`) into /etc/X11/xorg.conf.d/00-keyboard.conf.
std::optional<std::string> XorgOption(const std::string& text, const std::string& name) {
  std::istringstream lines(text);
  std::string line;
  const std::string key = "\"" + name + "\"";
  while (std::getline(lines, line)) {
    const std::size_t option = line.find("Option");
    const std::size_t at = line.find(key);
    if (option == std::string::npos || at == std::string::npos || at < option) continue;
    const std::size_t open = line.find('"', at + key.size());
    const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos) continue;
    return line.substr(open + 1, close - open - 1);
  }
  return std::nullopt;
}

std::string ReadFile(const char* path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::unique_ptr<XkbLayout> XkbLayout::FromNames(const LayoutNames& names, std::string& error) {
  const std::unique_ptr<xkb_context, ContextDeleter> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (!context) {
    error = "libxkbcommon cannot start";
    return nullptr;
  }
  xkb_rule_names rules{};
  rules.layout = names.layout.c_str();
  rules.variant = names.variant.empty() ? nullptr : names.variant.c_str();
  // An unknown layout falls back to the default one in libxkbcommon; that would type with
  // the wrong keys without a word, so the names are checked against the compiled keymap.
  xkb_keymap* keymap =
      xkb_keymap_new_from_names(context.get(), &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
  const std::string shown = names.layout + (names.variant.empty() ? "" : "(" + names.variant + ")");
  if (keymap == nullptr) {
    error = "no keyboard layout \"" + shown + "\"";
    return nullptr;
  }
  std::unique_ptr<XkbLayout> layout(new XkbLayout(keymap));
  const char* first = xkb_keymap_layout_get_name(keymap, 0);
  if (first == nullptr) {
    error = "no keyboard layout \"" + shown + "\"";
    return nullptr;
  }
  return layout;
}

std::unique_ptr<XkbLayout> XkbLayout::FromKeymap(xkb_keymap* keymap) {
  return std::unique_ptr<XkbLayout>(new XkbLayout(keymap));
}

XkbLayout::XkbLayout(xkb_keymap* keymap) : keymap_(keymap) {
  FindModifierKeys();
}

XkbLayout::~XkbLayout() {
  xkb_keymap_unref(keymap_);
}

void XkbLayout::FindModifierKeys() {
  modifierKeys_.assign(xkb_keymap_num_mods(keymap_), 0);
  const xkb_mod_index_t caps = xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_CAPS);
  if (caps != XKB_MOD_INVALID) lockMask_ = 1u << caps;
  const xkb_keycode_t first = xkb_keymap_min_keycode(keymap_);
  const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_);
  // Keys of a real keyboard first; the keymap's virtual modifier keys (no key of a
  // keyboard sends them, so a uinput device cannot either) only for what is left.
  for (const bool virtualKeys : {false, true}) {
    for (xkb_keycode_t key = first; key <= last; ++key) {
      if (IsVirtualModifierKey(keymap_, key) != virtualKeys) continue;
      MapModifierKey(key);
    }
  }
}

void XkbLayout::MapModifierKey(std::uint32_t key) {
  const xkb_keysym_t sym = FirstKeysym(keymap_, key, 0, 0);
  bool modifier = false;
  for (const xkb_keysym_t m : kModifierKeysyms) modifier = modifier || sym == m;
  if (!modifier) return;
  // What the key sets is read from a state with it held: the keymap's modifier map is not
  // otherwise exposed.
  const StatePtr state(xkb_state_new(keymap_));
  if (!state) return;
  xkb_state_update_key(state.get(), key, XKB_KEY_DOWN);
  const xkb_mod_mask_t mask = xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_DEPRESSED);
  for (std::size_t bit = 0; bit < modifierKeys_.size() && bit < 32; ++bit) {
    if ((mask & (1u << bit)) != 0 && modifierKeys_[bit] == 0) modifierKeys_[bit] = key;
  }
}

std::optional<std::vector<std::uint32_t>> XkbLayout::KeysForMask(std::uint32_t mask) const {
  std::vector<std::uint32_t> keys;
  for (std::size_t bit = 0; bit < modifierKeys_.size() && bit < 32; ++bit) {
    if ((mask & (1u << bit)) == 0) continue;
    if (modifierKeys_[bit] == 0) return std::nullopt;
    // One key may set two bits (AltGr on some layouts): it is pressed once.
    bool held = false;
    for (const std::uint32_t k : keys) held = held || k == modifierKeys_[bit];
    if (!held) keys.push_back(modifierKeys_[bit]);
  }
  return keys;
}

std::optional<KeyStroke> XkbLayout::Resolve(std::uint32_t keysym, std::uint32_t layout) const {
  if (keysym == XKB_KEY_NoSymbol || layout >= LayoutCount()) return std::nullopt;
  std::optional<KeyStroke> best;
  const xkb_keycode_t first = xkb_keymap_min_keycode(keymap_);
  const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_);
  for (xkb_keycode_t key = first; key <= last; ++key) {
    const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, key, layout);
    for (xkb_level_index_t level = 0; level < levels; ++level) {
      const xkb_keysym_t* syms = nullptr;
      const int count = xkb_keymap_key_get_syms_by_level(keymap_, key, layout, level, &syms);
      // A level of several keysyms types them all; only a single one is this character.
      if (count != 1 || syms[0] != keysym) continue;
      std::array<xkb_mod_mask_t, 16> masks{};
      const std::size_t found = xkb_keymap_key_get_mods_for_level(keymap_, key, layout, level,
                                                                  masks.data(), masks.size());
      for (std::size_t m = 0; m < found; ++m) {
        // Caps Lock would stay on after the key.
        if ((masks[m] & lockMask_) != 0) continue;
        auto keys = KeysForMask(masks[m]);
        if (!keys) continue;
        if (!best || keys->size() < best->modifiers.size()) {
          best = KeyStroke{key, std::move(*keys)};
        }
      }
    }
  }
  return best;
}

std::string XkbLayout::Produces(const KeyStroke& stroke, std::uint32_t layout) const {
  const StatePtr state(xkb_state_new(keymap_));
  if (!state) return {};
  xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, layout);
  for (const std::uint32_t key : stroke.modifiers) {
    xkb_state_update_key(state.get(), key, XKB_KEY_DOWN);
  }
  std::array<char, 16> text{};
  xkb_state_key_get_utf8(state.get(), stroke.keycode, text.data(), text.size());
  return text.data();
}

std::uint32_t XkbLayout::LayoutCount() const {
  return xkb_keymap_num_layouts(keymap_);
}

std::uint32_t XkbLayout::KeyOf(std::uint32_t keysym) const {
  const xkb_keycode_t first = xkb_keymap_min_keycode(keymap_);
  const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_);
  for (xkb_keycode_t key = first; key <= last; ++key) {
    if (FirstKeysym(keymap_, key, 0, 0) == keysym) return key;
  }
  return 0;
}

std::uint32_t KeysymOfCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte == 0x7F) return XKB_KEY_NoSymbol;
  return xkb_utf32_to_keysym(Windows1252ToCodePoint(byte));
}

LayoutNames ChooseLayout(const LayoutSources& sources) {
  if (!sources.configured.empty()) return SplitLayoutText(sources.configured);
  if (sources.environmentLayout && !sources.environmentLayout->empty()) {
    return {*sources.environmentLayout, sources.environmentVariant.value_or("")};
  }
  if (const auto layout = ShellValue(sources.defaultKeyboard, "XKBLAYOUT");
      layout && !layout->empty()) {
    return {*layout, ShellValue(sources.defaultKeyboard, "XKBVARIANT").value_or("")};
  }
  if (const auto layout = XorgOption(sources.xorgKeyboard, "XkbLayout");
      layout && !layout->empty()) {
    return {*layout, XorgOption(sources.xorgKeyboard, "XkbVariant").value_or("")};
  }
  return {"us", ""};
}

LayoutSources SystemLayoutSources(const std::string& configured) {
  LayoutSources sources;
  sources.configured = configured;
  if (const char* layout = std::getenv("XKB_DEFAULT_LAYOUT")) sources.environmentLayout = layout;
  if (const char* variant = std::getenv("XKB_DEFAULT_VARIANT"))
    sources.environmentVariant = variant;
  sources.defaultKeyboard = ReadFile("/etc/default/keyboard");
  sources.xorgKeyboard = ReadFile("/etc/X11/xorg.conf.d/00-keyboard.conf");
  return sources;
}

}  // namespace tagline::platform
