// SPDX-License-Identifier: Apache-2.0
#include "platform/keyboard.h"

#include <array>
#include <cstdio>

#include "platform/keyboard_backends.h"
#include "platform/keyboard_recording.h"
#include "platform/keyboard_stdout.h"
#include "platform/tick_count.h"

namespace tagline::platform {

namespace {

// The character keys of the US layout other than the letters, with what they type
// unshifted and with Shift. Each character comes from one key only: the numeric pad and the
// extra 102nd key, which repeat characters of the main block, are left out, as VkKeyScanA
// finds the main block first and never reports them.
struct KeyCharacters {
  std::uint8_t virtualKey;
  char base;
  char shifted;
};

constexpr std::array<KeyCharacters, 27> kUsKeys{{
    {0x30, '0', ')'},   {0x31, '1', '!'},   {0x32, '2', '@'},   {0x33, '3', '#'},
    {0x34, '4', '$'},   {0x35, '5', '%'},   {0x36, '6', '^'},   {0x37, '7', '&'},
    {0x38, '8', '*'},   {0x39, '9', '('},   {0xBA, ';', ':'},   {0xBB, '=', '+'},
    {0xBC, ',', '<'},   {0xBD, '-', '_'},   {0xBE, '.', '>'},   {0xBF, '/', '?'},
    {0xC0, '`', '~'},   {0xDB, '[', '{'},   {0xDC, '\\', '|'},  {0xDD, ']', '}'},
    {0xDE, '\'', '"'},  {0x20, ' ', ' '},   {0x09, '\t', '\t'}, {0x0D, '\r', '\r'},
    {0x08, '\b', '\b'}, {0x1B, 0x1B, 0x1B}, {0x03, 0x03, 0x03},
}};

constexpr std::int16_t ScanResult(std::uint8_t virtualKey, std::uint8_t shiftState) {
  return static_cast<std::int16_t>((shiftState << 8) | virtualKey);
}

// VkKeyScanA for every byte, US layout (kbdus), Windows-1252 code page:
//
//   byte            result           key
//   'a'-'z'         0x0041-0x005A    the letter keys
//   'A'-'Z'         0x0141-0x015A    Shift + the letter keys
//   '0'-'9'         0x0030-0x0039    the main digit row
//   ) ! @ # $ % ^ & * (  0x0130-0x0139  Shift + the digit keys 0-9
//   ' '             0x0020           VK_SPACE
//   ; :             0x00BA 0x01BA    VK_OEM_1
//   = +             0x00BB 0x01BB    VK_OEM_PLUS (the numeric pad '+' comes later)
//   , <             0x00BC 0x01BC    VK_OEM_COMMA
//   - _             0x00BD 0x01BD    VK_OEM_MINUS (the numeric pad '-' comes later)
//   . >             0x00BE 0x01BE    VK_OEM_PERIOD (VK_DECIMAL comes later)
//   / ?             0x00BF 0x01BF    VK_OEM_2 (VK_DIVIDE comes later)
//   ` ~             0x00C0 0x01C0    VK_OEM_3
//   [ {             0x00DB 0x01DB    VK_OEM_4
//   \ |             0x00DC 0x01DC    VK_OEM_5 (VK_OEM_102 types the same, found later)
//   ] }             0x00DD 0x01DD    VK_OEM_6
//   ' "             0x00DE 0x01DE    VK_OEM_7
//   0x08            0x0008           VK_BACK
//   0x09            0x0009           VK_TAB
//   0x0D            0x000D           VK_RETURN
//   0x1B            0x001B           VK_ESCAPE (an unmodified key wins over Ctrl+[)
//   0x03            0x0003           VK_CANCEL
//   0x0A            0x020D           Ctrl + VK_RETURN
//   0x7F            0x0208           Ctrl + VK_BACK
//   0x1C            0x02DC           Ctrl + VK_OEM_5
//   0x1D            0x02DD           Ctrl + VK_OEM_6
//   0x00            0x0332           Shift + Ctrl + 2
//   0x1E            0x0336           Shift + Ctrl + 6
//   0x1F            0x03BD           Shift + Ctrl + VK_OEM_MINUS
//   other 0x01-0x1A 0x0241-0x025A    Ctrl + letter (byte + 0x40): no table holds them, and
//                                    Windows falls back to Ctrl + the letter key
//   0x80-0xFF       -1               no key of the US layout types a character above ASCII
constexpr std::array<std::int16_t, 256> BuildUsScanTable() {
  std::array<std::int16_t, 256> table{};
  for (auto& entry : table) entry = -1;
  auto set = [&table](char c, std::int16_t result) {
    auto& entry = table[static_cast<unsigned char>(c)];
    if (entry == -1) entry = result;
  };
  // Unmodified and Shift columns first: Windows prefers them over any Ctrl combination.
  for (const auto& key : kUsKeys) {
    set(key.base, ScanResult(key.virtualKey, 0));
    set(key.shifted, ScanResult(key.virtualKey, kScanShift));
  }
  for (char c = 'a'; c <= 'z'; ++c) {
    const auto virtualKey = static_cast<std::uint8_t>(c - 'a' + 'A');
    set(c, ScanResult(virtualKey, 0));
    set(static_cast<char>(virtualKey), ScanResult(virtualKey, kScanShift));
  }
  // The Ctrl and Shift+Ctrl columns of the layout.
  set('\n', ScanResult(kVkReturn, kScanCtrl));
  set(0x7F, ScanResult(kVkBack, kScanCtrl));
  set(0x1C, ScanResult(0xDC, kScanCtrl));
  set(0x1D, ScanResult(0xDD, kScanCtrl));
  set(0x00, ScanResult(0x32, kScanShift | kScanCtrl));
  set(0x1E, ScanResult(0x36, kScanShift | kScanCtrl));
  set(0x1F, ScanResult(0xBD, kScanShift | kScanCtrl));
  // Remaining control characters: Ctrl + the letter key.
  for (int c = 0x01; c <= 0x1A; ++c) {
    set(static_cast<char>(c), ScanResult(static_cast<std::uint8_t>(c + 0x40), kScanCtrl));
  }
  return table;
}

constexpr std::array<std::int16_t, 256> kUsScanTable = BuildUsScanTable();

constexpr std::array<std::string_view, 7> kKindNames{"auto",      "x11",    "uinput", "win32",
                                                     "recording", "stdout", "none"};

// "none": typing is switched off; nothing is sent and there is nothing to pace.
class NullKeyboard final : public Keyboard {
 public:
  KeyboardKind Kind() const override { return KeyboardKind::None; }
  void KeyEvent(std::uint8_t /*virtualKey*/, bool /*keyUp*/) override {}
  void Pause(std::uint32_t /*ms*/) override {}
};

}  // namespace

std::int16_t VkKeyScanA(char c) {
  return kUsScanTable[static_cast<unsigned char>(c)];
}

std::optional<char> CharacterForKey(std::uint8_t virtualKey, bool shift) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    return static_cast<char>(shift ? virtualKey : virtualKey - 'A' + 'a');
  }
  for (const auto& key : kUsKeys) {
    if (key.virtualKey == virtualKey) return shift ? key.shifted : key.base;
  }
  return std::nullopt;
}

std::optional<KeyboardKind> ParseKeyboardKind(std::string_view text) {
  static constexpr std::array<KeyboardKind, 6> kParsable{
      KeyboardKind::Automatic, KeyboardKind::X11,    KeyboardKind::Uinput,
      KeyboardKind::Win32,     KeyboardKind::Stdout, KeyboardKind::None};
  for (const KeyboardKind kind : kParsable) {
    if (text == KeyboardKindName(kind)) return kind;
  }
  return std::nullopt;
}

std::string_view KeyboardKindName(KeyboardKind kind) {
  return kKindNames[static_cast<std::size_t>(kind)];
}

Keyboard::~Keyboard() = default;

void Keyboard::Pause(std::uint32_t ms) {
  SleepMs(ms);
}

std::int16_t Keyboard::KeyScan(char c) const {
  return VkKeyScanA(c);
}

std::unique_ptr<Keyboard> CreateKeyboard(KeyboardKind kind, std::string& error,
                                         const std::string& layout) {
  error.clear();
  switch (kind) {
    case KeyboardKind::Recording:
      return std::make_unique<RecordingKeyboard>();
    case KeyboardKind::Stdout:
      return std::make_unique<StdoutKeyboard>(stdout);
    case KeyboardKind::None:
      return std::make_unique<NullKeyboard>();
    case KeyboardKind::Automatic:
    case KeyboardKind::X11:
    case KeyboardKind::Uinput:
    case KeyboardKind::Win32:
      break;
  }
  return CreateNativeKeyboard(kind, error, layout);
}

}  // namespace tagline::platform
