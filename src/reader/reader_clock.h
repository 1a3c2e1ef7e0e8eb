// SPDX-License-Identifier: Apache-2.0
// The reader's clock: read with "R", set with "r" + DDMMYYhhmmss from the PC's clock. The
// clock row's read/write switch is the window's.
#pragma once

#include <string>

#include "job/job_environment.h"

namespace tagline::reader {

// Reads the clock; `result` (the row's text) becomes what the reader gave. True for twelve
// clock digits.
bool ReadClock(job::JobEnvironment& env, std::string& result);
// Sets the clock to the local time; `result` gets the answer's log text when one came.
// True when the reader acknowledged.
bool WriteClock(job::JobEnvironment& env, std::string& result);

// The factory job's clock step: sets the clock and shows the outcome as the job's result,
// sending it again (with the time of then) when it is not acknowledged. False when the
// reader never acknowledged.
bool SetReaderClock(job::JobEnvironment& env);

}  // namespace tagline::reader
