// SPDX-License-Identifier: Apache-2.0
#include "app/panels/clock_row.h"

#include "app/control_ids.h"
#include "app/panels/button_command.h"
#include "app/window_environment.h"
#include "reader/reader_clock.h"

namespace tagline::app {

void ClockRow::ToggleDirection(WindowContext& window) {
  window.PullControls();
  window.fields().clockResult.clear();
  writeMode_ = !writeMode_;
  window.controls().SetText(ctl::kClockDirection, writeMode_ ? "write" : "read");
  window.PushControls();
}

job::CommandResult ClockRow::Run(WindowContext& window) const {
  std::string& result = window.fields().clockResult;
  return RunButtonCommand(window, result, [&](job::CommandResult& outcome) {
    WindowEnvironment env(window, {ctl::kClockSet, nullptr});
    outcome.ok = writeMode_ ? reader::WriteClock(env, result) : reader::ReadClock(env, result);
  });
}

}  // namespace tagline::app
