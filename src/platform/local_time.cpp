#include "platform/local_time.h"

#include <cstdio>

namespace tagline::platform {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

std::string FormatCTime(const std::tm& time) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", (time.tm_mon + 1) % 100,
                      time.tm_mday % 100, time.tm_year % 100, time.tm_hour % 100, time.tm_min % 100,
                      time.tm_sec % 100);
  return text;
}

}  // namespace tagline::platform
