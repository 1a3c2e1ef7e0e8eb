// SPDX-License-Identifier: Apache-2.0
// C runtime behaviour of the target platform where it differs from the host's: the
// integer conversions of a compiler whose `long` is 32 bits wide.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tagline::platform {

// `atol` on a 32-bit long: leading white space skipped, an optional sign, then decimal
// digits up to the first other character. No digits gives 0; a value out of range
// saturates to INT32_MAX or INT32_MIN.
std::int32_t Atol32(std::string_view text);

// The "%i" text of `value`.
std::string FormatInt(std::int32_t value);

}  // namespace tagline::platform
