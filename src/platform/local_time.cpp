// SPDX-License-Identifier: Apache-2.0
#include "platform/local_time.h"

#include <cstdio>

namespace tagline::platform {

std::tm LocalTime(std::time_t time) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &time);
#else
  localtime_r(&time, &local);
#endif
  return local;
}

std::tm LocalNow() {
  return LocalTime(std::time(nullptr));
}

std::string FormatCTime(const std::tm& time) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", (time.tm_mon + 1) % 100,
                      time.tm_mday % 100, time.tm_year % 100, time.tm_hour % 100, time.tm_min % 100,
                      time.tm_sec % 100);
  return text;
}

}  // namespace tagline::platform
