// SPDX-License-Identifier: Apache-2.0
// An open registry key that closes itself.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace tagline::platform {

struct RegistryKeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegistryKeyCloser>;

}  // namespace tagline::platform
