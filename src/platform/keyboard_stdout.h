// SPDX-License-Identifier: Apache-2.0
// A keyboard that writes the typed text as bytes to a stream, for piping codes into another
// program instead of typing them.
#pragma once

#include <cstdio>

#include "platform/keyboard.h"

namespace tagline::platform {

class StdoutKeyboard final : public Keyboard {
 public:
  // `out` is not owned and must outlive the keyboard.
  explicit StdoutKeyboard(std::FILE* out) : out_(out) {}

  KeyboardKind Kind() const override { return KeyboardKind::Stdout; }
  // Writes the byte and flushes, so a reader sees each code as soon as it is typed.
  void Character(char c) override;
  // The text is the output; key strokes carry nothing more.
  void KeyEvent(std::uint8_t /*virtualKey*/, bool /*keyUp*/) override {}
  // A pipe needs no pacing.
  void Pause(std::uint32_t /*ms*/) override {}
  bool Failed() const override { return failed_; }

 private:
  std::FILE* out_;
  bool failed_ = false;
};

}  // namespace tagline::platform
