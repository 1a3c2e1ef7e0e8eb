// SPDX-License-Identifier: Apache-2.0
// Where the settings file lives: "Tagline_Console.ini" in the current directory at start-up.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tagline::app {

// A value, or the message saying why there is none.
template <class T>
struct Result {
  std::optional<T> value;
  std::string error;

  bool ok() const { return value.has_value(); }
};

inline constexpr std::string_view kSettingsFileName = "Tagline_Console.ini";

// `currentDirectory` + `separator` + kSettingsFileName. A directory that already ends in
// the separator (a drive or file system root) gets no second one. A path longer than
// `maxLength` is refused, never cut.
Result<std::string> BuildSettingsPath(std::string_view currentDirectory, std::string_view separator,
                                      std::size_t maxLength);

// The same for the process's current directory, separator and path limit.
Result<std::string> BuildSettingsPath();

}  // namespace tagline::app
