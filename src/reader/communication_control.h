// Communication control ("XT" / "s22400") and the database test ("ET").
#pragma once

#include <functional>

#include "app/job_context.h"
#include "app/job_result.h"
#include "reader/reader_model.h"

namespace tagline::reader {

class CommunicationControl {
 public:
  // The XT button: takes the reader out of communication or back into it.
  app::CommandResult Toggle(app::JobContext& ctx);
  // One half of the button asked for by name: "s22400" (on) or "XT" (off) goes to the
  // reader whatever the model and whatever the row shows. The button cannot do that: on a
  // reader that cannot switch it only logs "s22400", and from the state of a fresh start
  // it sends "s22400" before it offers "XT".
  app::CommandResult Switch(app::JobContext& ctx, bool on);
  // The row's label and button text for the state.
  static void ShowState(app::ControlModel& controls, bool open);
  void Reset(app::ControlModel& controls);
  bool open() const { return open_; }

 private:
  // The command of a press, and whether it goes to the reader or only into the panes.
  struct Press {
    const char* command;
    bool send;
  };
  app::CommandResult Run(app::JobContext& ctx, const std::function<Press(ReaderModel)>& choose);

  bool open_ = false;
};

// The database test button: whether the reader's database holds data.
app::CommandResult TestDatabase(app::JobContext& ctx);

}  // namespace tagline::reader
