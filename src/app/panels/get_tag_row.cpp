// SPDX-License-Identifier: Apache-2.0
#include "app/panels/get_tag_row.h"

#include "app/control_ids.h"
#include "app/panels/button_command.h"
#include "app/window_environment.h"
#include "reader/get_tag.h"

namespace tagline::app {

namespace {

constexpr std::uint32_t kContinuousPeriodMs = 200;
constexpr int kCursorToleranceX = 34;
constexpr int kCursorToleranceY = 6;

}  // namespace

job::CommandResult GetTagRow::ReadOnce(WindowContext& window) {
  std::string& result = window.fields().gtResult;
  return RunButtonCommand(window, result, [&](job::CommandResult& outcome) {
    WindowEnvironment env(window, {});
    outcome.ok = reader::ReadTag(env, result);
  });
}

void GetTagRow::ToggleContinuous(WindowContext& window) {
  bool& continuous = window.fields().continuousRead;
  if (continuous) {
    continuous = false;
    window.host().KillTimer(timer::kGetTag);
  } else {
    continuous = true;
    startCursor_ = window.host().CursorPosition();
    window.host().SetTimer(timer::kGetTag, kContinuousPeriodMs);
  }
}

void GetTagRow::OnTimer(WindowContext& window) {
  ReadOnce(window);
  const Point now = window.host().CursorPosition();
  const int dx = now.x - startCursor_.x;
  const int dy = now.y - startCursor_.y;
  if (dx > kCursorToleranceX || dx < -kCursorToleranceX || dy > kCursorToleranceY ||
      dy < -kCursorToleranceY) {
    ToggleContinuous(window);
  } else {
    window.host().SetTimer(timer::kGetTag, kContinuousPeriodMs);
  }
  window.PushControls();
}

}  // namespace tagline::app
