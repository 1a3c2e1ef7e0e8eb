// SPDX-License-Identifier: Apache-2.0
// Local time and its rendering the way the MSVC runtime renders "%c" under the C locale.
#pragma once

#include <ctime>
#include <string>

namespace tagline::platform {

std::tm LocalNow();
std::tm LocalTime(std::time_t time);

// "MM/DD/YY hh:mm:ss", as MSVC's strftime "%c" gives it (glibc's differs).
std::string FormatCTime(const std::tm& time);

}  // namespace tagline::platform
