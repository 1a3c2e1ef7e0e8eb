// SPDX-License-Identifier: Apache-2.0
// The local time the tests set the window's clock to: 07.12.26 03:27:00.
#pragma once

#include <ctime>

namespace tagline {

inline std::tm December7th2026() {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 3;
  t.tm_min = 27;
  t.tm_sec = 0;
  return t;
}

}  // namespace tagline
