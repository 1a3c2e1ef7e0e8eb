// SPDX-License-Identifier: Apache-2.0
// Millisecond tick counter and sleep, the GetTickCount / Sleep stand-ins.
#pragma once

#include <cstdint>

namespace tagline::platform {

// Milliseconds since an arbitrary start; wraps like the Win32 counter.
std::uint32_t GetTickCount();

void SleepMs(std::uint32_t ms);

}  // namespace tagline::platform
