// The reader's clock: read with "R", set with "r" + DDMMYYhhmmss from the PC's clock.
#pragma once

#include "app/job_context.h"
#include "app/job_result.h"

namespace tagline::reader {

class ReaderClock {
 public:
  // The read/write button of the clock row: switches what the clock button does.
  void ToggleDirection(app::JobContext& ctx);
  // The clock button: reads or sets the clock.
  app::CommandResult Run(app::JobContext& ctx) const;
  bool writeMode() const { return writeMode_; }

 private:
  bool writeMode_ = false;
};

// The factory job's clock step: sets the clock and shows the outcome in the factory row.
// False when the reader did not acknowledge (or did not answer).
bool SetReaderClock(app::JobContext& ctx);

}  // namespace tagline::reader
