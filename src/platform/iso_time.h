// SPDX-License-Identifier: Apache-2.0
// ISO 8601 local times with milliseconds and the offset from UTC, as a trace records each
// event ("2026-12-09T14:03:12.345+01:00"), and back to a point in time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tagline::platform {

// Milliseconds since 1970-01-01T00:00:00Z, from the system clock.
std::int64_t UnixMsNow();

// The local time of `unixMs`. Renders the date, the time and the offset once a second and
// only the milliseconds in between: a trace stamps every event.
class IsoTimeFormatter {
 public:
  std::string Format(std::int64_t unixMs);

 private:
  std::int64_t second_ = INT64_MIN;
  std::string date_;    // "2026-12-09T14:03:12"
  std::string offset_;  // "+01:00"
};

// The point in time of such a text (any offset); nothing for a text of another form.
std::optional<std::int64_t> ParseIsoTimeMs(std::string_view text);

}  // namespace tagline::platform
