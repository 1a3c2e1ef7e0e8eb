// SPDX-License-Identifier: Apache-2.0
#include "app/window_environment.h"

#include "app/control_ids.h"

namespace tagline::app {

void WindowEnvironment::ProgressTotal(int total) {
  window_.controls().SetProgressRange(ctl::kProgress, 0, total);
}

void WindowEnvironment::Progress(int count) {
  window_.controls().SetProgress(ctl::kProgress, count);
}

void WindowEnvironment::ShowCommand(const std::string& command) {
  if (row_.commandControl != 0) window_.controls().SetText(row_.commandControl, command);
}

void WindowEnvironment::ShowResult(const std::string& text) {
  if (row_.result != nullptr) window_.fields().*row_.result = text;
}

bool WindowEnvironment::Confirm(const std::string& text) {
  return window_.host().MessageBox(text, {}, mb::kOkCancel | mb::kIconQuestion) == id::kOk;
}

std::optional<int> WindowEnvironment::Choose(const job::ChoiceRequest& request) {
  window_.PushControls();
  const std::optional<int> answer = window_.host().ChoiceDialog(request);
  window_.PullControls();
  return answer;
}

void WindowEnvironment::Idle() {
  window_.PushControls();
  window_.host().DispatchPendingMessages();
}

}  // namespace tagline::app
