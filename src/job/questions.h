// SPDX-License-Identifier: Apache-2.0
// What a job may ask the user: a choice among fixed options (the factory-default job's
// dialogs and the like) and a file. Each front end answers them its own way.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tagline::job {

struct FileDialogRequest {
  std::string title;
  std::string initialPath;
  std::string defaultExtension;                              // without the dot
  std::vector<std::pair<std::string, std::string>> filters;  // label, pattern ("*.xml")
};

struct ChoiceRequest {
  std::string name;  // identifies the dialog for scripted answers
  std::string caption;
  std::string prompt;
  std::vector<std::string> options;
  int initial = 0;
  // A text field above the options, when set: its text in and out. The first option is
  // offered only while `acceptText` accepts the text (when given).
  std::string* text = nullptr;
  std::function<bool(const std::string&)> acceptText;
};

}  // namespace tagline::job
