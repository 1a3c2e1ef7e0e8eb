// Communication control ("XT" / "s22400") and the database test ("ET").
#pragma once

#include "app/job_context.h"
#include "app/job_result.h"

namespace tagline::reader {

class CommunicationControl {
 public:
  // The XT button: takes the reader out of communication or back into it.
  app::CommandResult Toggle(app::JobContext& ctx);
  // The row's label and button text for the state.
  static void ShowState(app::ControlModel& controls, bool open);
  void Reset(app::ControlModel& controls);
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

// The database test button: whether the reader's database holds data.
app::CommandResult TestDatabase(app::JobContext& ctx);

}  // namespace tagline::reader
