// SPDX-License-Identifier: Apache-2.0
#include "app/choice_script.h"

namespace tagline::app {

std::optional<int> ChoiceScript::Answer(const job::ChoiceRequest& request) const {
  if (request.text != nullptr) {
    if (const auto text = texts_.find(request.name); text != texts_.end()) {
      *request.text = text->second;
    }
  }
  const auto it = answers_.find(request.name);
  const std::optional<int> answer = it == answers_.end() ? request.initial : it->second;
  if (answer == 0 && request.text != nullptr && request.acceptText &&
      !request.acceptText(*request.text)) {
    return std::nullopt;
  }
  return answer;
}

}  // namespace tagline::app
