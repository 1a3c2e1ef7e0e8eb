// SPDX-License-Identifier: Apache-2.0
// Which key and modifiers type a character, over keymaps libxkbcommon compiles from layout
// names: no display needed. Each resolution is checked by asking the keymap what the
// stroke types.
#include "platform/xkb_layout.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/keyboard.h"
#include "platform/layout_typing.h"

namespace tagline::platform {
namespace {

constexpr std::uint32_t kOffset = 8;  // xkb keycodes are the input codes + 8

std::unique_ptr<XkbLayout> Compile(const std::string& layout, const std::string& variant = {}) {
  std::string error;
  auto keymap = XkbLayout::FromNames({layout, variant}, error);
  EXPECT_NE(keymap, nullptr) << layout << ": " << error;
  return keymap;
}

std::optional<KeyStroke> Stroke(const XkbLayout& keymap, char c) {
  return keymap.Resolve(KeysymOfCharacter(c));
}

// What a person types into a code's start and end texts, and every character of hex,
// decimal, ISO and BDE codes.
const std::string kTypedCharacters = "0123456789ABCDEFabcdef _.-,;:/#+*=@()<>!?$%&'\"xyzXYZqwQW";

TEST(XkbLayout, EveryCharacterOfCodesAndCommonTextsTypesItselfOnEuropeanLayouts) {
  for (const char* name : {"us", "de", "fr", "ch", "gb"}) {
    const auto keymap = Compile(name);
    ASSERT_NE(keymap, nullptr);
    for (const char c : kTypedCharacters) {
      const auto stroke = Stroke(*keymap, c);
      ASSERT_TRUE(stroke.has_value()) << name << " has no key for '" << c << "'";
      EXPECT_EQ(keymap->Produces(*stroke), std::string(1, c)) << name << " '" << c << "'";
    }
  }
}

TEST(XkbLayout, KeysAndModifiersAreTheLayoutsOwn) {
  const auto us = Compile("us");
  const auto de = Compile("de");
  const auto fr = Compile("fr");
  const auto ch = Compile("ch");
  const auto gb = Compile("gb");
  ASSERT_TRUE(us && de && fr && ch && gb);
  const std::uint32_t shift = us->KeyOf(0xffe1);  // Shift_L
  ASSERT_EQ(shift, KEY_LEFTSHIFT + kOffset);

  // German: Y and Z change places, "@" is AltGr+Q, "#" is a key of its own.
  EXPECT_EQ(Stroke(*de, 'z')->keycode, KEY_Y + kOffset);
  EXPECT_EQ(Stroke(*de, 'y')->keycode, KEY_Z + kOffset);
  const auto deAt = Stroke(*de, '@');
  EXPECT_EQ(deAt->keycode, KEY_Q + kOffset);
  ASSERT_EQ(deAt->modifiers.size(), 1u);
  EXPECT_EQ(deAt->modifiers[0], KEY_RIGHTALT + kOffset);
  EXPECT_TRUE(Stroke(*de, '#')->modifiers.empty());

  // French: the digits of the top row need Shift; "a" sits where a US "q" is.
  for (const char digit : std::string("0123456789")) {
    const auto stroke = Stroke(*fr, digit);
    EXPECT_EQ(stroke->modifiers, std::vector<std::uint32_t>{shift}) << digit;
  }
  EXPECT_EQ(Stroke(*fr, '1')->keycode, KEY_1 + kOffset);
  EXPECT_EQ(Stroke(*fr, 'a')->keycode, KEY_Q + kOffset);

  // Swiss: digits unshifted, "@" on AltGr+2.
  EXPECT_TRUE(Stroke(*ch, '5')->modifiers.empty());
  EXPECT_EQ(Stroke(*ch, '@')->keycode, KEY_2 + kOffset);
  // British: '"' is Shift+2, '#' has a key of its own.
  EXPECT_EQ(Stroke(*gb, '"')->keycode, KEY_2 + kOffset);
  EXPECT_EQ(Stroke(*gb, '"')->modifiers, std::vector<std::uint32_t>{shift});
  EXPECT_TRUE(Stroke(*gb, '#')->modifiers.empty());
  // Upper-case letters take Shift, never Caps Lock.
  EXPECT_EQ(Stroke(*us, 'A')->modifiers, std::vector<std::uint32_t>{shift});
}

TEST(XkbLayout, CharactersALayoutLacksHaveNoStroke) {
  const auto us = Compile("us");
  const auto fr = Compile("fr");
  ASSERT_TRUE(us && fr);
  const char eAcute = static_cast<char>(0xE9);  // Windows-1252 "é"
  EXPECT_FALSE(Stroke(*us, eAcute).has_value());
  ASSERT_TRUE(Stroke(*fr, eAcute).has_value());
  EXPECT_EQ(fr->Produces(*Stroke(*fr, eAcute)), "\xC3\xA9");
  // Control bytes are virtual keys, not characters of a layout.
  EXPECT_EQ(KeysymOfCharacter('\r'), 0u);
  EXPECT_EQ(KeysymOfCharacter('\x1b'), 0u);
}

TEST(XkbLayout, SecondGroupIsResolvedInItsOwnLayout) {
  const auto keymap = Compile("us,de");
  ASSERT_NE(keymap, nullptr);
  ASSERT_EQ(keymap->LayoutCount(), 2u);
  const auto z = keymap->Resolve(KeysymOfCharacter('z'), 1);
  ASSERT_TRUE(z.has_value());
  EXPECT_EQ(z->keycode, KEY_Y + kOffset);
  EXPECT_EQ(keymap->Produces(*z, 1), "z");
}

// The key events of one character as the typing code sends them: Shift by the US rule,
// the key down and up, Shift up.
std::vector<std::pair<std::uint32_t, bool>> TypeOne(LayoutTyping& typing, const XkbLayout& keymap,
                                                    char c, std::uint8_t virtualKey) {
  std::vector<std::pair<std::uint32_t, bool>> sent;
  const auto send = [&sent](std::uint32_t keycode, bool down) { sent.emplace_back(keycode, down); };
  typing.Character(c, keymap, 0, {});
  for (const auto& [key, up] : {std::pair{kVkShift, false}, std::pair{virtualKey, false},
                                std::pair{virtualKey, true}, std::pair{kVkShift, true}}) {
    if (!typing.KeyEvent(key, up, send)) sent.emplace_back(0xFFFF0000u | key, !up);
  }
  return sent;
}

TEST(LayoutTyping, ModifiersComeFromTheLayoutAndControlBytesStayVirtualKeys) {
  const auto de = Compile("de");
  ASSERT_NE(de, nullptr);
  LayoutTyping typing;
  using Events = std::vector<std::pair<std::uint32_t, bool>>;
  const std::uint32_t altGr = KEY_RIGHTALT + kOffset;
  const std::uint32_t q = KEY_Q + kOffset;
  EXPECT_EQ(TypeOne(typing, *de, '@', '2'),
            (Events{{altGr, true}, {q, true}, {q, false}, {altGr, false}}));
  EXPECT_EQ(TypeOne(typing, *de, 'z', 'Z'),
            (Events{{KEY_Y + kOffset, true}, {KEY_Y + kOffset, false}}));
  // Enter is the backend's virtual key, Shift and all.
  EXPECT_EQ(TypeOne(typing, *de, '\r', kVkReturn).size(), 4u);
  // A character the layout lacks is dropped and reported.
  const auto us = Compile("us");
  ASSERT_NE(us, nullptr);
  EXPECT_TRUE(TypeOne(typing, *us, static_cast<char>(0xE9), 'E').empty());
  EXPECT_EQ(typing.TakeUntypable(), "\xE9");
  EXPECT_EQ(typing.TakeUntypable(), "");
}

TEST(XkbLayout, UnknownLayoutIsRefusedByName) {
  std::string error;
  EXPECT_EQ(XkbLayout::FromNames({"no-such-layout", ""}, error), nullptr);
  EXPECT_EQ(error, "no keyboard layout \"no-such-layout\"");
}

TEST(XkbLayout, LayoutOfTheUinputKeyboardComesFromTheFirstSourceThatNamesOne) {
  LayoutSources sources;
  sources.defaultKeyboard = "XKBMODEL=\"pc105\"\nXKBLAYOUT=\"de\"\nXKBVARIANT=\"nodeadkeys\"\n";
  sources.xorgKeyboard = "Section \"InputClass\"\n        Option \"XkbLayout\" \"fr\"\n";
  auto chosen = ChooseLayout(sources);
  EXPECT_EQ(chosen.layout, "de");
  EXPECT_EQ(chosen.variant, "nodeadkeys");

  sources.environmentLayout = "gb";
  EXPECT_EQ(ChooseLayout(sources).layout, "gb");
  EXPECT_EQ(ChooseLayout(sources).variant, "");

  sources.configured = "ch(fr)";
  chosen = ChooseLayout(sources);
  EXPECT_EQ(chosen.layout, "ch");
  EXPECT_EQ(chosen.variant, "fr");

  LayoutSources onlyXorg;
  onlyXorg.xorgKeyboard =
      "Section \"InputClass\"\n        Identifier \"system-keyboard\"\n"
      "        Option \"XkbLayout\" \"fr\"\n        Option \"XkbVariant\" \"bepo\"\nEndSection\n";
  chosen = ChooseLayout(onlyXorg);
  EXPECT_EQ(chosen.layout, "fr");
  EXPECT_EQ(chosen.variant, "bepo");
  EXPECT_EQ(ChooseLayout(LayoutSources{}).layout, "us");
}

}  // namespace
}  // namespace tagline::platform
