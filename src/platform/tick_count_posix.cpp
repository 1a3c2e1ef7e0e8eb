// SPDX-License-Identifier: Apache-2.0
#include "platform/tick_count.h"

#include <time.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>

namespace tagline::platform {

std::uint32_t GetTickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

void SleepMs(std::uint32_t ms) {
#ifdef __linux__
  // The default timer slack (50 us) lets every sleep end late; the read and write loops
  // sleep twice a record, 5000 records a job.
  static const bool tightened = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
  (void)tightened;
#endif
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace tagline::platform
