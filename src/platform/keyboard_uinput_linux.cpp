// SPDX-License-Identifier: Apache-2.0
#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "platform/keyboard_backends.h"
#include "platform/layout_typing.h"
#include "platform/tick_count.h"
#include "platform/xkb_layout.h"

namespace tagline::platform {

namespace {

// Time for the new device to be picked up by udev and the display server; keys sent
// before that are lost.
constexpr std::uint32_t kSettleMs = 200;

constexpr std::array<std::uint16_t, 256> BuildKeyTable() {
  std::array<std::uint16_t, 256> table{};
  constexpr std::array<std::uint16_t, 26> kLetters{
      KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
      KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
  for (std::size_t i = 0; i < kLetters.size(); ++i) table['A' + i] = kLetters[i];
  constexpr std::array<std::uint16_t, 10> kDigits{KEY_0, KEY_1, KEY_2, KEY_3, KEY_4,
                                                  KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
  for (std::size_t i = 0; i < kDigits.size(); ++i) table['0' + i] = kDigits[i];
  table[0x03] = KEY_CANCEL;
  table[kVkBack] = KEY_BACKSPACE;
  table[kVkTab] = KEY_TAB;
  table[kVkLineFeed] = KEY_LINEFEED;
  table[kVkReturn] = KEY_ENTER;
  table[kVkShift] = KEY_LEFTSHIFT;
  table[kVkEscape] = KEY_ESC;
  table[kVkSpace] = KEY_SPACE;
  table[kVkF12] = KEY_F12;
  table[0xBA] = KEY_SEMICOLON;
  table[0xBB] = KEY_EQUAL;
  table[0xBC] = KEY_COMMA;
  table[0xBD] = KEY_MINUS;
  table[0xBE] = KEY_DOT;
  table[0xBF] = KEY_SLASH;
  table[0xC0] = KEY_GRAVE;
  table[0xDB] = KEY_LEFTBRACE;
  table[0xDC] = KEY_BACKSLASH;
  table[0xDD] = KEY_RIGHTBRACE;
  table[0xDE] = KEY_APOSTROPHE;
  return table;
}

constexpr std::array<std::uint16_t, 256> kKeyTable = BuildKeyTable();

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd& operator=(UniqueFd&&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// Called right after the failing call, before anything can overwrite errno.
std::string SetupError(const std::string& devicePath, const char* step) {
  const int error = errno;
  return "cannot create the uinput keyboard on " + devicePath + " (" + step +
         "): " + std::strerror(error);
}

// xkb keycodes are the input codes + 8 (the X server's offset).
constexpr std::uint32_t kXkbKeycodeOffset = 8;
// The key codes the device announces: the whole keyboard range, so that any key of the
// layout can be pressed.
constexpr int kLastKeyCode = KEY_MICMUTE;

class UinputKeyboard final : public Keyboard {
 public:
  UinputKeyboard(UniqueFd fd, std::unique_ptr<XkbLayout> layout)
      : fd_(std::move(fd)), layout_(std::move(layout)) {}
  // Destroying the device releases the keys still down on it.
  ~UinputKeyboard() override { ::ioctl(fd_.get(), UI_DEV_DESTROY); }

  KeyboardKind Kind() const override { return KeyboardKind::Uinput; }

  // A character the layout lacks has no key here: it is reported, not typed.
  void Character(char c) override { typing_.Character(c, *layout_, 0, {}); }

  void KeyEvent(std::uint8_t virtualKey, bool keyUp) override {
    if (typing_.KeyEvent(virtualKey, keyUp, [this](std::uint32_t keycode, bool down) {
          if (keycode > kXkbKeycodeOffset)
            Press(static_cast<std::uint16_t>(keycode - kXkbKeycodeOffset), down);
        })) {
      return;
    }
    const std::uint16_t code = kKeyTable[virtualKey];
    if (code == 0) return;
    Press(code, !keyUp);
  }

  bool Failed() const override { return failed_; }
  std::string TakeUntypable() override { return typing_.TakeUntypable(); }

 private:
  void Press(std::uint16_t code, bool down) {
    // The input core ignores the release of a key that is not down.
    Write(EV_KEY, code, down ? 1 : 0);
    Write(EV_SYN, SYN_REPORT, 0);
  }

  void Write(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    ssize_t written;
    do {
      written = ::write(fd_.get(), &event, sizeof event);
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(sizeof event)) failed_ = true;
  }

  UniqueFd fd_;
  std::unique_ptr<XkbLayout> layout_;
  LayoutTyping typing_;
  bool failed_ = false;
};

}  // namespace

std::uint16_t LinuxKeyForVirtualKey(std::uint8_t virtualKey) {
  return kKeyTable[virtualKey];
}

std::string UinputOpenError(const std::string& devicePath, int error) {
  const std::string prefix = "cannot open " + devicePath + ": ";
  switch (error) {
    case EACCES:
    case EPERM:
      return prefix +
             "permission denied (add a udev rule such as KERNEL==\"uinput\", GROUP=\"input\", "
             "MODE=\"0660\" and add your user to the input group, or load the uinput module)";
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return prefix +
             "no such device (the uinput module is not loaded: run `modprobe uinput` as root, "
             "or list uinput in /etc/modules-load.d to load it at boot)";
    default:
      return prefix + std::strerror(error);
  }
}

std::unique_ptr<Keyboard> CreateUinputKeyboard(const std::string& devicePath, std::string& error,
                                               const std::string& layout) {
  // The device has no layout of its own: the display server applies the system's to it,
  // so the characters are looked up in that one.
  const LayoutNames names = ChooseLayout(SystemLayoutSources(layout));
  auto keymap = XkbLayout::FromNames(names, error);
  if (!keymap) return nullptr;
  UniqueFd fd(::open(devicePath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    const int openError = errno;
    error = UinputOpenError(devicePath, openError);
    return nullptr;
  }
  if (::ioctl(fd.get(), UI_SET_EVBIT, EV_KEY) < 0) {
    error = SetupError(devicePath, "key events");
    return nullptr;
  }
  for (int code = KEY_ESC; code <= kLastKeyCode; ++code) {
    if (::ioctl(fd.get(), UI_SET_KEYBIT, code) < 0) {
      error = SetupError(devicePath, "key codes");
      return nullptr;
    }
  }
  uinput_setup setup{};
  setup.id.bustype = BUS_VIRTUAL;
  std::strncpy(setup.name, kUinputDeviceName, UINPUT_MAX_NAME_SIZE - 1);
  if (::ioctl(fd.get(), UI_DEV_SETUP, &setup) < 0) {
    error = SetupError(devicePath, "device setup");
    return nullptr;
  }
  if (::ioctl(fd.get(), UI_DEV_CREATE) < 0) {
    error = SetupError(devicePath, "device creation");
    return nullptr;
  }
  SleepMs(kSettleMs);
  return std::make_unique<UinputKeyboard>(std::move(fd), std::move(keymap));
}

}  // namespace tagline::platform
