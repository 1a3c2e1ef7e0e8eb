// Get Tag ("GT"): one read of the transponder in the reader's field, shown in the number
// format the reader itself is set to, and continuous reading on timer 4.
#pragma once

#include "app/host.h"
#include "app/job_context.h"
#include "app/job_result.h"

namespace tagline::reader {

class GetTag {
 public:
  // The GT button: one read, shown in the GT row and the panes.
  app::CommandResult ReadOnce(app::JobContext& ctx);
  // The continuous-read check box: starts or stops timer 4.
  void ToggleContinuous(app::JobContext& ctx);
  // Timer 4: one read; the reading stops when the mouse pointer has moved away.
  void OnTimer(app::JobContext& ctx);

 private:
  // True when the reader gave the code of a tag.
  bool Read(app::JobContext& ctx);

  app::Point startCursor_;
};

}  // namespace tagline::reader
