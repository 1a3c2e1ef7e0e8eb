#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "platform/keyboard_backends.h"

// After our own headers: Xlib defines macros (None, Bool, Status) that clash with names
// there.
#ifdef TAGLINE_HAVE_XTEST
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
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

class X11Keyboard final : public Keyboard {
 public:
  explicit X11Keyboard(DisplayPtr display) : display_(std::move(display)) {}

  KeyboardKind Kind() const override { return KeyboardKind::X11; }

  void KeyEvent(std::uint8_t virtualKey, bool keyUp) override {
    const std::uint32_t keysym = kKeysymTable[virtualKey];
    if (keysym == 0) return;
    // Looked up on every event: the server's layout may change while the program runs.
    const KeyCode code = XKeysymToKeycode(display_.get(), keysym);
    if (code == 0) return;  // the server's layout has no key for it
    XTestFakeKeyEvent(display_.get(), code, keyUp ? False : True, CurrentTime);
    XFlush(display_.get());
  }

 private:
  // Keys still down when the connection closes are released by the server, and it ignores
  // the release of a key that is not down: no key state is kept here.
  DisplayPtr display_;
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
  return std::make_unique<X11Keyboard>(std::move(display));
}

#else

std::unique_ptr<Keyboard> CreateX11Keyboard(const std::string&, std::string& error) {
  error = "built without X11 support";
  return nullptr;
}

#endif

}  // namespace tagline::platform
