// SPDX-License-Identifier: Apache-2.0
// The host-dependent keyboard backends behind CreateKeyboard, one set per OS.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/keyboard.h"

namespace tagline::platform {

// Automatic, X11, Uinput and Win32: whatever of them this OS has.
std::unique_ptr<Keyboard> CreateNativeKeyboard(KeyboardKind kind, std::string& error,
                                               const std::string& layout);

#ifndef _WIN32

inline constexpr const char* kUinputPath = "/dev/uinput";
inline constexpr const char* kUinputDeviceName = "Tagline Console keyboard";

// XTest on the X server `displayName` (empty: $DISPLAY).
std::unique_ptr<Keyboard> CreateX11Keyboard(const std::string& displayName, std::string& error);

// A virtual keyboard device created through the uinput node at `devicePath`, typing with
// the layout `layout` ("de", "ch(fr)"; empty: the system's, see SystemLayoutSources).
std::unique_ptr<Keyboard> CreateUinputKeyboard(const std::string& devicePath, std::string& error,
                                               const std::string& layout = {});

// The message for a failed open of the uinput node, with the usual remedy.
std::string UinputOpenError(const std::string& devicePath, int error);

// The Linux input key code (KEY_*) at the position of a virtual key on a US keyboard; 0 for
// a virtual key the backend does not send.
std::uint16_t LinuxKeyForVirtualKey(std::uint8_t virtualKey);

#ifdef TAGLINE_HAVE_XTEST
// The X keysym a virtual key stands for; 0 for a virtual key the backend does not send.
std::uint32_t X11KeysymForVirtualKey(std::uint8_t virtualKey);
#endif

#endif  // _WIN32

}  // namespace tagline::platform
