// SPDX-License-Identifier: Apache-2.0
// The XT row: takes the reader out of communication or back into it, and shows which of
// the two its button does next.
#pragma once

#include "app/control_model.h"
#include "app/window_context.h"
#include "job/job_result.h"

namespace tagline::app {

class CommunicationRow {
 public:
  // The XT button: takes the reader out of communication or back into it.
  job::CommandResult Toggle(WindowContext& window);
  // One half of the button asked for by name: "s22400" (on) or "XT" (off) goes to the
  // reader whatever the model and whatever the row shows. The button cannot do that: on a
  // reader that cannot switch it only logs "s22400", and from the state of a fresh start
  // it sends "s22400" before it offers "XT".
  job::CommandResult Switch(WindowContext& window, bool on);
  // The row's label and button text for the state.
  static void ShowState(ControlModel& controls, bool open);
  void Reset(ControlModel& controls);
  bool open() const { return open_; }

 private:
  job::CommandResult Run(WindowContext& window, bool buttonPress, bool on);

  bool open_ = false;
};

}  // namespace tagline::app
