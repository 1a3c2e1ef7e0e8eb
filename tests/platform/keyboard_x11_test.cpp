// SPDX-License-Identifier: Apache-2.0
// The XTest backend against a real X server (Xvfb), typing into a window that has the
// focus and reading back what arrives there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/keyboard.h"
#include "platform/keyboard_backends.h"
#include "xvfb_server.h"

#ifdef TAGLINE_HAVE_XTEST
// Last: Xlib's macros (None, Bool, Status) would clash with names above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#endif

extern char** environ;

namespace tagline::platform {
namespace {

using tagline::testing::FindInPath;
using tagline::testing::Xvfb;

#ifdef TAGLINE_HAVE_XTEST

using Clock = std::chrono::steady_clock;

// Waits (bounded) for the next event; false on time-out.
bool NextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
  while (XPending(display) == 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd pfd{ConnectionNumber(display), POLLIN, 0};
    ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left, 100)));
  }
  XNextEvent(display, &event);
  return true;
}

class KeyboardX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string program = FindInPath("Xvfb");
    if (program.empty()) GTEST_SKIP() << "Xvfb is not installed";
    std::string error;
    ASSERT_TRUE(server_.Start(program, error)) << error;
    client_ = XOpenDisplay(server_.display().c_str());
    ASSERT_NE(client_, nullptr);
  }

  void TearDown() override {
    if (client_ != nullptr) XCloseDisplay(client_);
  }

  // A mapped window holding the input focus, listening for key presses.
  Window FocusedWindow() {
    const Window window =
        XCreateSimpleWindow(client_, DefaultRootWindow(client_), 0, 0, 100, 50, 0, 0, 0);
    XSelectInput(client_, window, KeyPressMask | StructureNotifyMask);
    XMapWindow(client_, window);
    XEvent event;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (NextEvent(client_, event, deadline)) {
      if (event.type == MapNotify) break;
    }
    XSetInputFocus(client_, window, RevertToParent, CurrentTime);
    XSync(client_, False);
    return window;
  }

  // Key presses until `count` characters arrived or the time is up; keysyms of presses that
  // give no character go to `silent`.
  std::string ReadTyped(std::size_t count, std::vector<KeySym>& silent) {
    std::string text;
    XEvent event;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (text.size() < count && NextEvent(client_, event, deadline)) {
      if (event.type != KeyPress) continue;
      char buffer[8];
      KeySym keysym = 0;
      const int got = XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
      if (got > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
      } else {
        silent.push_back(keysym);
      }
    }
    return text;
  }

  Xvfb server_;
  Display* client_ = nullptr;
};

// Types like the ONLINE typing does: Shift around capitals only, the low byte of the scan.
void TypeText(Keyboard& keyboard, const std::string& text) {
  for (const char c : text) {
    keyboard.Character(c);
    if (c >= 'A' && c <= 'Z') keyboard.KeyEvent(kVkShift, false);
    const auto key = c == '\r' ? kVkReturn : static_cast<std::uint8_t>(VkKeyScanA(c) & 0xFF);
    keyboard.KeyEvent(key, false);
    keyboard.Pause(5);
    keyboard.KeyEvent(key, true);
    keyboard.Pause(5);
    keyboard.KeyEvent(kVkShift, true);
  }
}

TEST_F(KeyboardX11, TypedTextArrivesInTheFocusedWindow) {
  FocusedWindow();
  std::string error;
  auto keyboard = CreateX11Keyboard(server_.display(), error);
  ASSERT_NE(keyboard, nullptr) << error;
  EXPECT_EQ(keyboard->Kind(), KeyboardKind::X11);

  keyboard->KeyEvent(kVkNoKey, false);  // no key: nothing arrives
  TypeText(*keyboard, "Ab1\r");
  keyboard->KeyEvent(kVkF12, false);
  keyboard->KeyEvent(kVkF12, true);
  TypeText(*keyboard, "z;");

  std::vector<KeySym> silent;
  EXPECT_EQ(ReadTyped(6, silent), "Ab1\rz;");
  EXPECT_EQ(silent, (std::vector<KeySym>{XK_Shift_L, XK_F12}));
}

TEST_F(KeyboardX11, CharactersAreTypedByTheServersLayoutNotByUsKeyPositions) {
  FocusedWindow();
  std::string error;
  auto keyboard = CreateX11Keyboard(server_.display(), error);
  ASSERT_NE(keyboard, nullptr) << error;
  // Symbols the US Shift rule gets wrong ("_" and "@" need Shift), and a character the
  // server's layout lacks: a spare key is bound to it for the moment.
  const std::string text = "_@\"~\xE9";
  TypeText(*keyboard, text);
  std::vector<KeySym> silent;
  EXPECT_EQ(ReadTyped(text.size(), silent), text);  // XLookupString gives Latin-1
  EXPECT_EQ(keyboard->TakeUntypable(), "");
}

TEST_F(KeyboardX11, AutomaticChoosesTheReachableDisplay) {
  const char* old = getenv("DISPLAY");
  const std::string saved = old != nullptr ? old : "";
  setenv("DISPLAY", server_.display().c_str(), 1);
  std::string error;
  auto keyboard = CreateKeyboard(KeyboardKind::Automatic, error);
  if (old != nullptr) {
    setenv("DISPLAY", saved.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
  ASSERT_NE(keyboard, nullptr) << error;
  EXPECT_EQ(keyboard->Kind(), KeyboardKind::X11);
}

TEST_F(KeyboardX11, UnreachableDisplayIsReported) {
  std::string error;
  EXPECT_EQ(CreateX11Keyboard(":9999", error), nullptr);
  EXPECT_EQ(error, "cannot open the X display \":9999\"");
}

TEST(KeyboardX11Keysyms, EverySentKeyHasItsKeysym) {
  std::vector<std::uint8_t> keys{kVkShift, kVkReturn, kVkLineFeed, kVkF12, kVkTab};
  for (int c = 0; c < 0x80; ++c)
    keys.push_back(static_cast<std::uint8_t>(VkKeyScanA(static_cast<char>(c)) & 0xFF));
  for (const std::uint8_t key : keys) EXPECT_NE(X11KeysymForVirtualKey(key), 0u) << int(key);
  // Letters by their lower-case keysym, the punctuation keys by their unshifted one.
  EXPECT_EQ(X11KeysymForVirtualKey('A'), static_cast<std::uint32_t>(XK_a));
  EXPECT_EQ(X11KeysymForVirtualKey('Z'), static_cast<std::uint32_t>(XK_z));
  EXPECT_EQ(X11KeysymForVirtualKey('7'), static_cast<std::uint32_t>(XK_7));
  EXPECT_EQ(X11KeysymForVirtualKey(0xBB), static_cast<std::uint32_t>(XK_equal));
  EXPECT_EQ(X11KeysymForVirtualKey(0xDC), static_cast<std::uint32_t>(XK_backslash));
  EXPECT_EQ(X11KeysymForVirtualKey(0xDE), static_cast<std::uint32_t>(XK_apostrophe));
  EXPECT_EQ(X11KeysymForVirtualKey(kVkLineFeed), static_cast<std::uint32_t>(XK_Linefeed));
  EXPECT_EQ(X11KeysymForVirtualKey(kVkNoKey), 0u);
  // Every unshifted printable character's key has the character as its keysym, and every
  // capital's key its small letter: the X side of the table agrees with the Windows side.
  for (int c = 0x20; c < 0x7F; ++c) {
    const std::int16_t scan = VkKeyScanA(static_cast<char>(c));
    const std::uint32_t base = X11KeysymForVirtualKey(static_cast<std::uint8_t>(scan & 0xFF));
    if (c >= 'A' && c <= 'Z') {
      EXPECT_EQ(base, static_cast<std::uint32_t>(c - 'A' + 'a')) << c;
    } else if (((scan >> 8) & kScanShift) == 0) {
      EXPECT_EQ(base, static_cast<std::uint32_t>(c)) << c;
    }
  }
}

#else

TEST(KeyboardX11, BuiltWithoutXTestReportsIt) {
  std::string error;
  EXPECT_EQ(CreateX11Keyboard(":0", error), nullptr);
  EXPECT_EQ(error, "built without X11 support");
}

#endif

}  // namespace
}  // namespace tagline::platform
