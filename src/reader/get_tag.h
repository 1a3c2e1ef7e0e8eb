// SPDX-License-Identifier: Apache-2.0
// Get Tag ("GT"): one read of the transponder in the reader's field, shown in the number
// format the reader itself is set to. Continuous reading is the window's (its GT row).
#pragma once

#include <string>

#include "job/job_environment.h"

namespace tagline::reader {

// One read, shown in the panes; `result` is the GT row's text (left as it is when no reader
// answers the presence probe). True when the reader gave the code of a tag.
bool ReadTag(job::JobEnvironment& env, std::string& result);

}  // namespace tagline::reader
