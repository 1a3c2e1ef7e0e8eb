// SPDX-License-Identifier: Apache-2.0
#include "platform/keyboard_stdout.h"

namespace tagline::platform {

void StdoutKeyboard::Character(char c) {
  // Once the reader has gone, later bytes could only land out of order; stop writing.
  if (failed_) return;
  if (std::fputc(static_cast<unsigned char>(c), out_) == EOF || std::fflush(out_) != 0) {
    failed_ = true;
  }
}

}  // namespace tagline::platform
