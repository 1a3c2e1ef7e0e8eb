// SPDX-License-Identifier: Apache-2.0
#include <memory>
#include <string>

#include "platform/keyboard_backends.h"

namespace tagline::platform {

std::unique_ptr<Keyboard> CreateNativeKeyboard(KeyboardKind kind, std::string& error,
                                               const std::string& layout) {
  switch (kind) {
    case KeyboardKind::X11:
      return CreateX11Keyboard({}, error);
    case KeyboardKind::Uinput:
      return CreateUinputKeyboard(kUinputPath, error, layout);
    case KeyboardKind::Automatic: {
      // XTest first: it needs no rights and types with the layout of the running X server.
      std::string x11Error;
      if (auto keyboard = CreateX11Keyboard({}, x11Error)) return keyboard;
      std::string uinputError;
      if (auto keyboard = CreateUinputKeyboard(kUinputPath, uinputError, layout)) return keyboard;
      error = "no keyboard for typing codes: X11: " + x11Error + "; uinput: " + uinputError;
      return nullptr;
    }
    default:
      error = "the " + std::string(KeyboardKindName(kind)) +
              " keyboard is not available on this system";
      return nullptr;
  }
}

}  // namespace tagline::platform
