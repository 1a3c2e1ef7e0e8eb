// SPDX-License-Identifier: Apache-2.0
#include "platform/iso_time.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

namespace tagline::platform {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

std::int64_t UnixMsNow() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string IsoTimeFormatter::Format(std::int64_t unixMs) {
  const std::int64_t second = FloorDiv(unixMs, 1000);
  if (second != second_) {
    second_ = second;
    const std::tm local = LocalTime(static_cast<std::time_t>(second));
    char text[32];
    (void)std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900,
                        local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    date_ = text;
    // The offset is what the local wall clock shows beyond UTC.
    const std::int64_t wall =
        DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) *
            86400 +
        std::int64_t{local.tm_hour} * 3600 + std::int64_t{local.tm_min} * 60 + local.tm_sec;
    const std::int64_t minutes = (wall - second) / 60;
    const std::int64_t size = minutes < 0 ? -minutes : minutes;
    (void)std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+',
                        static_cast<int>(size / 60), static_cast<int>(size % 60));
    offset_ = text;
  }
  const auto ms = static_cast<int>(unixMs - second * 1000);
  std::string out = date_;
  out += '.';
  out += static_cast<char>('0' + ms / 100);
  out += static_cast<char>('0' + ms / 10 % 10);
  out += static_cast<char>('0' + ms % 10);
  out += offset_;
  return out;
}

std::optional<std::int64_t> ParseIsoTimeMs(std::string_view text) {
  // YYYY-MM-DDThh:mm:ss.mmm+hh:mm
  if (text.size() != 29 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || text[19] != '.' || text[26] != ':' ||
      (text[23] != '+' && text[23] != '-')) {
    return std::nullopt;
  }
  // Year, month, day, hour, minute, second, milliseconds, offset hours and minutes.
  struct Field {
    std::size_t at;
    std::size_t digits;
  };
  static constexpr std::array<Field, 9> kFields = {
      {{0, 4}, {5, 2}, {8, 2}, {11, 2}, {14, 2}, {17, 2}, {20, 3}, {24, 2}, {27, 2}}};
  std::array<int, 9> v{};
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    if (!Digits(text, kFields[i].at, kFields[i].digits, v[i])) return std::nullopt;
  }
  const int year = v[0];
  const int month = v[1];
  const int day = v[2];
  const std::int64_t hour = v[3];
  const std::int64_t minute = v[4];
  const std::int64_t sec = v[5];
  const int ms = v[6];
  const int offH = v[7];
  const int offM = v[8];
  if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  const std::int64_t offset =
      std::int64_t{text[23] == '-' ? -1 : 1} * (std::int64_t{offH} * 60 + offM) * 60;
  const std::int64_t seconds =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
      hour * 3600 + minute * 60 + sec - offset;
  return seconds * 1000 + ms;
}

}  // namespace tagline::platform
