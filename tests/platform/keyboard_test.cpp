// SPDX-License-Identifier: Apache-2.0
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/keyboard.h"
#include "platform/keyboard_backends.h"
#include "platform/keyboard_recording.h"
#include "platform/keyboard_stdout.h"

namespace tagline::platform {
namespace {

namespace fs = std::filesystem;

std::int16_t Scan(int byte) {
  return VkKeyScanA(static_cast<char>(byte));
}

// An environment variable set or removed for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// The virtual keys the typing code can send: every low byte VkKeyScanA gives for ASCII,
// and the keys it presses by name.
std::set<std::uint8_t> KeysSentForAscii() {
  std::set<std::uint8_t> keys{kVkShift, kVkReturn, kVkLineFeed, kVkF12, kVkTab};
  for (int c = 0; c < 0x80; ++c) keys.insert(static_cast<std::uint8_t>(Scan(c) & 0xFF));
  return keys;
}

TEST(KeyboardScan, LettersAreTheirCapitalKeyAndCapitalsAddShift) {
  for (char c = 'a'; c <= 'z'; ++c) {
    const int key = 0x41 + (c - 'a');
    EXPECT_EQ(VkKeyScanA(c), key) << c;
    EXPECT_EQ(VkKeyScanA(static_cast<char>(c - 'a' + 'A')), 0x100 + key) << c;
  }
}

TEST(KeyboardScan, DigitsAndTheirShiftedSymbols) {
  const std::string shifted = ")!@#$%^&*(";
  for (int d = 0; d < 10; ++d) {
    EXPECT_EQ(Scan('0' + d), 0x30 + d);
    EXPECT_EQ(VkKeyScanA(shifted[d]), 0x130 + d) << shifted[d];
  }
}

TEST(KeyboardScan, PunctuationKeysOfTheUsLayout) {
  const std::vector<std::pair<char, int>> expected{
      {';', 0xBA}, {':', 0x1BA}, {'=', 0xBB},  {'+', 0x1BB}, {',', 0xBC},  {'<', 0x1BC},
      {'-', 0xBD}, {'_', 0x1BD}, {'.', 0xBE},  {'>', 0x1BE}, {'/', 0xBF},  {'?', 0x1BF},
      {'`', 0xC0}, {'~', 0x1C0}, {'[', 0xDB},  {'{', 0x1DB}, {'\\', 0xDC}, {'|', 0x1DC},
      {']', 0xDD}, {'}', 0x1DD}, {'\'', 0xDE}, {'"', 0x1DE}, {' ', 0x20}};
  for (const auto& [c, result] : expected) EXPECT_EQ(VkKeyScanA(c), result) << c;
}

TEST(KeyboardScan, ControlCharactersAsWindowsAnswersThem) {
  const std::map<int, int> expected{{0x00, 0x0332}, {0x03, 0x0003}, {0x08, 0x0008}, {0x09, 0x0009},
                                    {0x0A, 0x020D}, {0x0D, 0x000D}, {0x1B, 0x001B}, {0x1C, 0x02DC},
                                    {0x1D, 0x02DD}, {0x1E, 0x0336}, {0x1F, 0x03BD}, {0x7F, 0x0208}};
  for (const auto& [byte, result] : expected) EXPECT_EQ(Scan(byte), result) << byte;
  // The rest of 0x01-0x1A is Ctrl with the letter key.
  for (int byte = 0x01; byte <= 0x1A; ++byte) {
    if (expected.count(byte) == 0) {
      EXPECT_EQ(Scan(byte), 0x200 + 0x40 + byte) << byte;
    }
  }
}

TEST(KeyboardScan, EveryAsciiByteHasAKeyAndNoByteAboveHasOne) {
  for (int byte = 0; byte < 0x80; ++byte) EXPECT_NE(Scan(byte), -1) << byte;
  for (int byte = 0x80; byte < 0x100; ++byte) {
    EXPECT_EQ(Scan(byte), -1) << byte;
    EXPECT_EQ(Scan(byte) & 0xFF, kVkNoKey);
  }
}

TEST(KeyboardScan, CharacterForKeyReversesTheScan) {
  for (int byte = 0; byte < 0x80; ++byte) {
    const std::int16_t scan = Scan(byte);
    if ((scan >> 8) & kScanCtrl) {
      // Ctrl characters are not typed by the key alone.
      continue;
    }
    const auto key = static_cast<std::uint8_t>(scan & 0xFF);
    EXPECT_EQ(CharacterForKey(key, (scan >> 8) & kScanShift), static_cast<char>(byte)) << byte;
  }
  EXPECT_EQ(CharacterForKey(0x41, false), 'a');
  EXPECT_EQ(CharacterForKey(0xBC, true), '<');
  EXPECT_FALSE(CharacterForKey(kVkShift, false));
  EXPECT_FALSE(CharacterForKey(kVkF12, true));
  EXPECT_FALSE(CharacterForKey(kVkLineFeed, false));
  EXPECT_FALSE(CharacterForKey(kVkNoKey, false));
}

TEST(KeyboardKinds, ParseAcceptsTheOptionWordsOnly) {
  const std::vector<std::pair<std::string, KeyboardKind>> words{
      {"auto", KeyboardKind::Automatic}, {"x11", KeyboardKind::X11},
      {"uinput", KeyboardKind::Uinput},  {"win32", KeyboardKind::Win32},
      {"stdout", KeyboardKind::Stdout},  {"none", KeyboardKind::None}};
  for (const auto& [word, kind] : words) {
    EXPECT_EQ(ParseKeyboardKind(word), kind) << word;
    EXPECT_EQ(KeyboardKindName(kind), word);
  }
  for (const char* bad : {"", "X11", "auto ", "recording", "std", "automatic", "nonex"}) {
    EXPECT_FALSE(ParseKeyboardKind(bad)) << bad;
  }
  EXPECT_EQ(KeyboardKindName(KeyboardKind::Recording), "recording");
}

TEST(KeyboardRecording, KeepsEveryCallInOrderWithoutSleeping) {
  RecordingKeyboard keyboard;
  keyboard.Character('A');
  keyboard.KeyEvent(kVkShift, false);
  keyboard.KeyEvent(0x41, false);
  // An hour: the test would time out if this slept.
  keyboard.Pause(3'600'000);
  keyboard.KeyEvent(0x41, true);
  keyboard.Pause(5);
  keyboard.KeyEvent(kVkShift, true);

  EXPECT_EQ(keyboard.characters(), "A");
  const std::vector<RecordedKeyEvent> events{
      {kVkShift, false}, {0x41, false}, {0x41, true}, {kVkShift, true}};
  EXPECT_EQ(keyboard.events(), events);
  EXPECT_EQ(keyboard.pauses(), (std::vector<std::uint32_t>{3'600'000, 5}));
  ASSERT_EQ(keyboard.actions().size(), 7u);
  EXPECT_EQ(keyboard.actions()[0].type, RecordedAction::Type::Character);
  EXPECT_EQ(keyboard.actions()[3].type, RecordedAction::Type::Pause);
  EXPECT_EQ(keyboard.Transcript(), "'A' +10 +41 3600000ms -41 5ms -10");
  EXPECT_EQ(keyboard.Kind(), KeyboardKind::Recording);
  EXPECT_FALSE(keyboard.Failed());

  keyboard.Clear();
  EXPECT_TRUE(keyboard.events().empty());
  EXPECT_TRUE(keyboard.actions().empty());
  EXPECT_EQ(keyboard.Transcript(), "");
}

TEST(KeyboardRecording, TranscriptEscapesControlAndQuoteCharacters) {
  RecordingKeyboard keyboard;
  for (char c : {'\x1e', '\'', '\\', 'z', '\xff'}) keyboard.Character(c);
  EXPECT_EQ(keyboard.Transcript(), "'\\x1e' '\\x27' '\\x5c' 'z' '\\xff'");
}

TEST(KeyboardRecording, TypedTextFollowsTheShiftKey) {
  RecordingKeyboard keyboard;
  // "Ab1<" typed with Shift only where pressed; '<' comes out as ',' without Shift.
  auto press = [&keyboard](std::uint8_t key, bool shift) {
    if (shift) keyboard.KeyEvent(kVkShift, false);
    keyboard.KeyEvent(key, false);
    keyboard.KeyEvent(key, true);
    keyboard.KeyEvent(kVkShift, true);
  };
  press(0x41, true);
  press(0x42, false);
  press(0x31, false);
  press(static_cast<std::uint8_t>(VkKeyScanA('<') & 0xFF), false);
  press(kVkReturn, true);
  press(kVkF12, false);
  press(kVkLineFeed, false);
  press(kVkNoKey, false);
  EXPECT_EQ(keyboard.TypedText(), "Ab1,\r");
}

TEST(KeyboardRecording, KeyScanDefaultsToTheUsTable) {
  const RecordingKeyboard keyboard;
  for (int byte = 0; byte < 0x100; ++byte) {
    EXPECT_EQ(keyboard.KeyScan(static_cast<char>(byte)), Scan(byte));
  }
}

std::string ReadAll(std::FILE* file) {
  std::rewind(file);
  std::string text;
  int c;
  while ((c = std::fgetc(file)) != EOF) text.push_back(static_cast<char>(c));
  return text;
}

TEST(KeyboardStdout, WritesEachCharacterAsItsByte) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  {
    StdoutKeyboard keyboard(file);
    const std::string text("A1\x1e\x1f\r\n\0\xe4", 8);
    for (const char c : text) {
      keyboard.Character(c);
      keyboard.KeyEvent(kVkShift, false);
      keyboard.KeyEvent(static_cast<std::uint8_t>(VkKeyScanA(c) & 0xFF), false);
      keyboard.Pause(3'600'000);  // would time out the test if slept
      keyboard.KeyEvent(kVkShift, true);
    }
    EXPECT_FALSE(keyboard.Failed());
    EXPECT_EQ(keyboard.Kind(), KeyboardKind::Stdout);
    // Flushed per character: visible without closing the stream.
    EXPECT_EQ(ReadAll(file), text);
  }
  std::fclose(file);
}

TEST(KeyboardStdout, ReportsAStreamThatCannotBeWritten) {
  const fs::path path = fs::temp_directory_path() / ("tagline-kbd-" + std::to_string(getpid()));
  { std::ofstream(path) << "x"; }
  std::FILE* readOnly = std::fopen(path.c_str(), "r");
  ASSERT_NE(readOnly, nullptr);
  StdoutKeyboard keyboard(readOnly);
  keyboard.Character('a');
  EXPECT_TRUE(keyboard.Failed());
  std::fclose(readOnly);
  fs::remove(path);
}

TEST(KeyboardCreate, PortableKinds) {
  std::string error = "stale";
  auto recording = CreateKeyboard(KeyboardKind::Recording, error);
  ASSERT_NE(recording, nullptr);
  EXPECT_EQ(recording->Kind(), KeyboardKind::Recording);
  EXPECT_EQ(error, "");

  auto out = CreateKeyboard(KeyboardKind::Stdout, error);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Kind(), KeyboardKind::Stdout);

  auto none = CreateKeyboard(KeyboardKind::None, error);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->Kind(), KeyboardKind::None);
  none->KeyEvent(0x41, false);
  none->Pause(3'600'000);  // nothing is typed, so nothing is paced
  none->KeyEvent(0x41, true);
  EXPECT_FALSE(none->Failed());
}

TEST(KeyboardCreate, Win32IsRefusedOffWindows) {
  std::string error;
  EXPECT_EQ(CreateKeyboard(KeyboardKind::Win32, error), nullptr);
  EXPECT_NE(error.find("win32"), std::string::npos) << error;
}

TEST(KeyboardCreate, X11WithoutADisplayNamesTheReason) {
  const ScopedEnv noDisplay("DISPLAY", nullptr);
  std::string error;
  EXPECT_EQ(CreateKeyboard(KeyboardKind::X11, error), nullptr);
#ifdef TAGLINE_HAVE_XTEST
  EXPECT_EQ(error, "no X display (DISPLAY is not set)");
#else
  EXPECT_EQ(error, "built without X11 support");
#endif
}

TEST(KeyboardCreate, AutomaticFallsBackToUinputOrNamesBothReasons) {
  const ScopedEnv noDisplay("DISPLAY", nullptr);
  std::string error;
  auto keyboard = CreateKeyboard(KeyboardKind::Automatic, error);
  std::string uinputError;
  const int probe = ::open(kUinputPath, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (probe >= 0) {
    ::close(probe);
    ASSERT_NE(keyboard, nullptr) << error;
    EXPECT_EQ(keyboard->Kind(), KeyboardKind::Uinput);
  } else {
    const int openError = errno;
    EXPECT_EQ(keyboard, nullptr);
    std::string x11Error;
    EXPECT_EQ(CreateX11Keyboard({}, x11Error), nullptr);
    EXPECT_EQ(error, "no keyboard for typing codes: X11: " + x11Error +
                         "; uinput: " + UinputOpenError(kUinputPath, openError));
  }
}

TEST(KeyboardUinput, OpenErrorsSayHowToFixThem) {
  const std::string denied =
      "cannot open /dev/uinput: permission denied (add a udev rule such as "
      "KERNEL==\"uinput\", GROUP=\"input\", MODE=\"0660\" and add your user to the input "
      "group, or load the uinput module)";
  EXPECT_EQ(UinputOpenError("/dev/uinput", EACCES), denied);
  EXPECT_EQ(UinputOpenError("/dev/uinput", EPERM), denied);
  for (int missing : {ENOENT, ENODEV, ENXIO}) {
    const std::string text = UinputOpenError("/dev/uinput", missing);
    EXPECT_EQ(text.rfind("cannot open /dev/uinput: no such device", 0), 0u) << text;
    EXPECT_NE(text.find("modprobe uinput"), std::string::npos) << text;
  }
  EXPECT_EQ(UinputOpenError("/dev/x", EBUSY),
            "cannot open /dev/x: " + std::string(strerror(EBUSY)));
}

TEST(KeyboardUinput, MissingNodeAndNonDeviceFail) {
  std::string error;
  EXPECT_EQ(CreateUinputKeyboard("/nonexistent-tagline/uinput", error), nullptr);
  EXPECT_EQ(error, UinputOpenError("/nonexistent-tagline/uinput", ENOENT));

  // A plain file opens but refuses the device set-up.
  const fs::path path = fs::temp_directory_path() / ("tagline-uinput-" + std::to_string(getpid()));
  { std::ofstream(path) << ""; }
  error.clear();
  EXPECT_EQ(CreateUinputKeyboard(path.string(), error), nullptr);
  EXPECT_EQ(error.rfind("cannot create the uinput keyboard on " + path.string(), 0), 0u) << error;
  fs::remove(path);
}

TEST(KeyboardUinput, KeyTableCoversEverySentKeyAtItsUsPosition) {
  std::map<std::uint16_t, std::uint8_t> seen;
  for (const std::uint8_t key : KeysSentForAscii()) {
    const std::uint16_t code = LinuxKeyForVirtualKey(key);
    EXPECT_NE(code, 0) << "virtual key " << int(key);
    const auto [it, fresh] = seen.emplace(code, key);
    EXPECT_TRUE(fresh) << "virtual keys " << int(it->second) << " and " << int(key)
                       << " share key code " << code;
  }
  const std::vector<std::pair<std::uint8_t, std::uint16_t>> positions{
      {'A', KEY_A},           {'Q', KEY_Q},
      {'Z', KEY_Z},           {'M', KEY_M},
      {'0', KEY_0},           {'1', KEY_1},
      {'9', KEY_9},           {kVkShift, KEY_LEFTSHIFT},
      {kVkReturn, KEY_ENTER}, {kVkLineFeed, KEY_LINEFEED},
      {kVkTab, KEY_TAB},      {kVkF12, KEY_F12},
      {0xBA, KEY_SEMICOLON},  {0xBF, KEY_SLASH},
      {0xC0, KEY_GRAVE},      {0xDE, KEY_APOSTROPHE}};
  for (const auto& [key, code] : positions) EXPECT_EQ(LinuxKeyForVirtualKey(key), code) << int(key);
  EXPECT_EQ(LinuxKeyForVirtualKey(kVkNoKey), 0);
}

// The event node of the newest input device called `name`, or "".
std::string FindEventNode(const std::string& name) {
  std::string best;
  long bestInput = -1;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/sys/class/input", ec)) {
    const std::string node = entry.path().filename().string();
    if (node.rfind("event", 0) != 0) continue;
    std::ifstream nameFile(entry.path() / "device" / "name");
    std::string deviceName;
    std::getline(nameFile, deviceName);
    if (deviceName != name) continue;
    const std::string input = fs::read_symlink(entry.path() / "device", ec).filename().string();
    const long number = input.rfind("input", 0) == 0 ? std::atol(input.c_str() + 5) : 0;
    if (number > bestInput) {
      bestInput = number;
      best = "/dev/input/" + node;
    }
  }
  return best;
}

TEST(KeyboardUinput, DeviceDeliversTheKeysTyped) {
  const int probe = ::open(kUinputPath, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  const int openError = errno;
  if (probe < 0) GTEST_SKIP() << UinputOpenError(kUinputPath, openError);
  ::close(probe);

  std::string error;
  auto keyboard = CreateUinputKeyboard(kUinputPath, error);
  ASSERT_NE(keyboard, nullptr) << error;

  std::string node;
  int reader = -1;
  for (int attempt = 0; attempt < 40 && reader < 0; ++attempt) {
    node = FindEventNode(kUinputDeviceName);
    if (!node.empty()) reader = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader < 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_GE(reader, 0) << "no event node for the uinput keyboard";
  // Keep the keys away from whatever has the focus on this machine.
  ASSERT_EQ(::ioctl(reader, EVIOCGRAB, 1), 0);

  keyboard->KeyEvent(kVkShift, true);  // not down: dropped
  for (const char c : std::string("Ab1\r")) {
    const bool shift = c >= 'A' && c <= 'Z';
    if (shift) keyboard->KeyEvent(kVkShift, false);
    const auto key = c == '\r' ? kVkReturn : static_cast<std::uint8_t>(VkKeyScanA(c) & 0xFF);
    keyboard->KeyEvent(key, false);
    keyboard->KeyEvent(key, true);
    keyboard->KeyEvent(kVkShift, true);
  }
  keyboard->KeyEvent(kVkNoKey, false);  // no key: nothing sent
  EXPECT_FALSE(keyboard->Failed());

  const std::vector<std::pair<int, int>> expected{
      {KEY_LEFTSHIFT, 1}, {KEY_A, 1}, {KEY_A, 0}, {KEY_LEFTSHIFT, 0}, {KEY_B, 1},
      {KEY_B, 0},         {KEY_1, 1}, {KEY_1, 0}, {KEY_ENTER, 1},     {KEY_ENTER, 0}};
  std::vector<std::pair<int, int>> received;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (received.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
    pollfd pfd{reader, POLLIN, 0};
    if (::poll(&pfd, 1, 100) <= 0) continue;
    input_event event{};
    while (::read(reader, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
      if (event.type == EV_KEY) received.emplace_back(event.code, event.value);
    }
  }
  ::ioctl(reader, EVIOCGRAB, 0);
  ::close(reader);
  EXPECT_EQ(received, expected);
}

}  // namespace
}  // namespace tagline::platform
