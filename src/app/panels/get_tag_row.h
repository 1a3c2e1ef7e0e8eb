// SPDX-License-Identifier: Apache-2.0
// The GT row: one read of the tag in the reader's field, and continuous reading on timer 4
// that stops when the mouse pointer moves away.
#pragma once

#include "app/host.h"
#include "app/window_context.h"
#include "job/job_result.h"

namespace tagline::app {

class GetTagRow {
 public:
  // The GT button: one read, shown in the GT row and the panes.
  job::CommandResult ReadOnce(WindowContext& window);
  // The continuous-read check box: starts or stops timer 4.
  void ToggleContinuous(WindowContext& window);
  // Timer 4: one read; the reading stops when the mouse pointer has moved away.
  void OnTimer(WindowContext& window);

 private:
  Point startCursor_;
};

}  // namespace tagline::app
