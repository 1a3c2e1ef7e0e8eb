// SPDX-License-Identifier: Apache-2.0
// Scripted answers to choice dialogs, by dialog name: the option taken (or none, which
// closes the dialog) and the text typed into its text field. For front ends without a
// user at the dialogs: the tests and the command line.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "job/questions.h"

namespace tagline::app {

class ChoiceScript {
 public:
  void SetAnswer(const std::string& name, std::optional<int> answer) { answers_[name] = answer; }
  void SetText(const std::string& name, std::string text) { texts_[name] = std::move(text); }

  // The dialog answered: the scripted text typed, the scripted option taken (the dialog's
  // initial one without a script). The first option is not on offer while the text is not
  // accepted.
  std::optional<int> Answer(const job::ChoiceRequest& request) const;

 private:
  std::map<std::string, std::optional<int>> answers_;
  std::map<std::string, std::string> texts_;
};

}  // namespace tagline::app
