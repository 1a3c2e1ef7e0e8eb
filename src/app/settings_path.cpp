// SPDX-License-Identifier: Apache-2.0
#include "app/settings_path.h"

#include <utility>

#include "platform/current_directory.h"

namespace tagline::app {

Result<std::string> BuildSettingsPath(std::string_view currentDirectory, std::string_view separator,
                                      std::size_t maxLength) {
  if (currentDirectory.empty()) {
    return {std::nullopt, "The current directory is unknown, so the settings file " +
                              std::string(kSettingsFileName) + " cannot be found."};
  }
  std::string path(currentDirectory);
  if (!path.ends_with(separator)) path += separator;
  path += kSettingsFileName;

  if (path.size() > maxLength) {
    return {std::nullopt,
            "The current directory is too long for the settings file: the path "
            "would have " +
                std::to_string(path.size()) + " characters, at most " + std::to_string(maxLength) +
                " are possible (directory " + std::to_string(currentDirectory.size()) +
                " characters)."};
  }
  return {std::move(path), {}};
}

Result<std::string> BuildSettingsPath() {
  auto directory = platform::CurrentDirectory();
  if (!directory.path) {
    return {std::nullopt, "The settings file path cannot be built: " + directory.error};
  }
  return BuildSettingsPath(*directory.path, platform::PathSeparator(), platform::MaxPathLength());
}

}  // namespace tagline::app
