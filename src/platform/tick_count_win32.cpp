// SPDX-License-Identifier: Apache-2.0
#include "platform/tick_count.h"

#include <windows.h>

namespace tagline::platform {

std::uint32_t GetTickCount() {
  return ::GetTickCount();
}

void SleepMs(std::uint32_t ms) {
  ::Sleep(ms);
}

}  // namespace tagline::platform
