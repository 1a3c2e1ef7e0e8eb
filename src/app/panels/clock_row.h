// SPDX-License-Identifier: Apache-2.0
// The clock row: its read/write button switches what the clock button does, which reads
// the reader's clock or sets it to the PC's.
#pragma once

#include "app/window_context.h"
#include "job/job_result.h"

namespace tagline::app {

class ClockRow {
 public:
  // The read/write button (control 1068): switches the direction of the clock button.
  void ToggleDirection(WindowContext& window);
  // The clock button (control 1065): reads or sets the clock.
  job::CommandResult Run(WindowContext& window) const;
  bool writeMode() const { return writeMode_; }

 private:
  bool writeMode_ = false;
};

}  // namespace tagline::app
