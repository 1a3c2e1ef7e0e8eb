// SPDX-License-Identifier: Apache-2.0
#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/keyboard_backends.h"
#include "platform/layout_typing.h"
#include "platform/tick_count.h"
#include "platform/xkb_layout.h"

// After our own headers: Xlib defines macros (None, Bool, Status) that clash with names
// there.
#ifdef TAGLINE_HAVE_XTEST
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>
#endif

namespace tagline::platform {

#ifdef TAGLINE_HAVE_XTEST

namespace {

constexpr std::array<std::uint32_t, 256> BuildKeysymTable() {
  std::array<std::uint32_t, 256> table{};
  // Letters by their lower-case keysym: that is the one bound to the key's first level,
  // and Shift (sent as its own key event) makes the capital.
  for (unsigned i = 0; i < 26; ++i) table['A' + i] = XK_a + i;
  for (unsigned i = 0; i < 10; ++i) table['0' + i] = XK_0 + i;
  table[0x03] = XK_Cancel;
  table[kVkBack] = XK_BackSpace;
  table[kVkTab] = XK_Tab;
  table[kVkLineFeed] = XK_Linefeed;
  table[kVkReturn] = XK_Return;
  table[kVkShift] = XK_Shift_L;
  table[kVkEscape] = XK_Escape;
  table[kVkSpace] = XK_space;
  table[kVkF12] = XK_F12;
  table[0xBA] = XK_semicolon;
  table[0xBB] = XK_equal;
  table[0xBC] = XK_comma;
  table[0xBD] = XK_minus;
  table[0xBE] = XK_period;
  table[0xBF] = XK_slash;
  table[0xC0] = XK_grave;
  table[0xDB] = XK_bracketleft;
  table[0xDC] = XK_backslash;
  table[0xDD] = XK_bracketright;
  table[0xDE] = XK_apostrophe;
  return table;
}

constexpr std::array<std::uint32_t, 256> kKeysymTable = BuildKeysymTable();

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct XcbCloser {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XcbPtr = std::unique_ptr<xcb_connection_t, XcbCloser>;

struct ContextCloser {
  void operator()(xkb_context* context) const { xkb_context_unref(context); }
};

// A new keymap is fetched when a code starts (no character for this long): the user may
// have switched layouts between two codes, never within one.
constexpr std::uint32_t kKeymapAgeMs = 500;
// Keys bound for characters the layout lacks are taken in turn, so that a client still
// looking up the last one sees it bound.
constexpr std::size_t kSpareKeys = 8;

class X11Keyboard final : public Keyboard {
 public:
  X11Keyboard(DisplayPtr display, XcbPtr xcb, std::unique_ptr<xkb_context, ContextCloser> context,
              std::int32_t device)
      : display_(std::move(display)),
        xcb_(std::move(xcb)),
        context_(std::move(context)),
        device_(device) {
    FindSpareKeys();
  }

  ~X11Keyboard() override {
    // The spare keys go back to having nothing bound.
    for (const KeyCode code : spares_) {
      KeySym none = NoSymbol;
      XChangeKeyboardMapping(display_.get(), code, 1, &none, 1);
    }
    XSync(display_.get(), False);
  }

  KeyboardKind Kind() const override { return KeyboardKind::X11; }

  void Character(char c) override {
    const std::uint32_t now = GetTickCount();
    if (!layout_ || now - lastCharacter_ >= kKeymapAgeMs) FetchKeymap();
    lastCharacter_ = now;
    if (!layout_) return;
    typing_.Character(c, *layout_, group_,
                      [this](std::uint32_t keysym) { return BindSpare(keysym); });
  }

  void KeyEvent(std::uint8_t virtualKey, bool keyUp) override {
    if (typing_.KeyEvent(virtualKey, keyUp,
                         [this](std::uint32_t keycode, bool down) { Send(keycode, down); })) {
      return;
    }
    const std::uint32_t keysym = kKeysymTable[virtualKey];
    if (keysym == 0) return;
    const KeyCode code = XKeysymToKeycode(display_.get(), keysym);
    if (code == 0) return;  // the server's layout has no key for it
    Send(code, !keyUp);
  }

  std::string TakeUntypable() override { return typing_.TakeUntypable(); }

 private:
  void Send(std::uint32_t keycode, bool down) {
    XTestFakeKeyEvent(display_.get(), keycode, down ? True : False, CurrentTime);
    XFlush(display_.get());
  }

  // The server's keymap and the group in use now.
  void FetchKeymap() {
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context_.get(), xcb_.get(), device_,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr) return;  // the last one stays
    layout_ = XkbLayout::FromKeymap(keymap);
    if (xkb_state* state = xkb_x11_state_new_from_device(keymap, xcb_.get(), device_)) {
      group_ = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
      xkb_state_unref(state);
    }
  }

  // Keycodes the server has and binds nothing to.
  void FindSpareKeys() {
    int first = 0;
    int last = 0;
    XDisplayKeycodes(display_.get(), &first, &last);
    int perCode = 0;
    KeySym* syms = XGetKeyboardMapping(display_.get(), static_cast<KeyCode>(first),
                                       last - first + 1, &perCode);
    if (syms == nullptr) return;
    for (int code = last; code >= first && spareCandidates_.size() < kSpareKeys; --code) {
      bool empty = true;
      for (int k = 0; k < perCode; ++k) {
        empty = empty && syms[(code - first) * perCode + k] == NoSymbol;
      }
      if (empty) spareCandidates_.push_back(static_cast<KeyCode>(code));
    }
    XFree(syms);
  }

  // Binds the keysym to the next spare key for the moment, as xdotool does.
  std::optional<KeyStroke> BindSpare(std::uint32_t keysym) {
    if (spareCandidates_.empty()) return std::nullopt;
    const KeyCode code = spareCandidates_[nextSpare_++ % spareCandidates_.size()];
    std::array<KeySym, 2> syms{keysym, keysym};
    XChangeKeyboardMapping(display_.get(), code, static_cast<int>(syms.size()), syms.data(), 1);
    XSync(display_.get(), False);
    if (std::find(spares_.begin(), spares_.end(), code) == spares_.end()) spares_.push_back(code);
    // The keymap changed under the cached one.
    layout_.reset();
    return KeyStroke{code, {}};
  }

  // Keys still down when the connection closes are released by the server, and it ignores
  // the release of a key that is not down: no key state is kept here.
  DisplayPtr display_;
  XcbPtr xcb_;
  std::unique_ptr<xkb_context, ContextCloser> context_;
  std::int32_t device_;
  std::unique_ptr<XkbLayout> layout_;
  std::uint32_t group_ = 0;
  std::uint32_t lastCharacter_ = 0;
  LayoutTyping typing_;
  std::vector<KeyCode> spareCandidates_;
  std::vector<KeyCode> spares_;
  std::size_t nextSpare_ = 0;
};

}  // namespace

std::uint32_t X11KeysymForVirtualKey(std::uint8_t virtualKey) {
  return kKeysymTable[virtualKey];
}

std::unique_ptr<Keyboard> CreateX11Keyboard(const std::string& displayName, std::string& error) {
  const char* name = displayName.empty() ? std::getenv("DISPLAY") : displayName.c_str();
  if (name == nullptr || *name == '\0') {
    error = "no X display (DISPLAY is not set)";
    return nullptr;
  }
  DisplayPtr display(XOpenDisplay(name));
  if (!display) {
    error = "cannot open the X display \"" + std::string(name) + "\"";
    return nullptr;
  }
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (!XTestQueryExtension(display.get(), &eventBase, &errorBase, &major, &minor)) {
    error = "the X display \"" + std::string(name) + "\" has no XTEST extension";
    return nullptr;
  }
  // The keymap comes through XCB: libxkbcommon reads the server's layout from there.
  XcbPtr xcb(xcb_connect(name, nullptr));
  if (!xcb || xcb_connection_has_error(xcb.get()) != 0) {
    error = "cannot open the X display \"" + std::string(name) + "\" through XCB";
    return nullptr;
  }
  if (xkb_x11_setup_xkb_extension(
          xcb.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
          XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0) {
    error = "the X display \"" + std::string(name) + "\" has no XKB extension";
    return nullptr;
  }
  const std::int32_t device = xkb_x11_get_core_keyboard_device_id(xcb.get());
  std::unique_ptr<xkb_context, ContextCloser> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (device < 0 || !context) {
    error = "the X display \"" + std::string(name) + "\" has no core keyboard";
    return nullptr;
  }
  return std::make_unique<X11Keyboard>(std::move(display), std::move(xcb), std::move(context),
                                       device);
}

#else

std::unique_ptr<Keyboard> CreateX11Keyboard(const std::string&, std::string& error) {
  error = "built without X11 support";
  return nullptr;
}

#endif

}  // namespace tagline::platform
