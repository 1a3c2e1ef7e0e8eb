// SPDX-License-Identifier: Apache-2.0
// Clearing the reader's 27 attributes ("t" + token + "___"), the factory job's step.
#pragma once

#include "job/attribute_tables.h"
#include "job/job_environment.h"

namespace tagline::reader {

// Clears the attributes when the tables are in the format for it; "DB has wrong format" when
// they are not. True when every token was acknowledged or there was nothing to clear; a
// clear that was refused is a failure, whatever the reader model.
bool ClearAttributes(job::JobEnvironment& env, job::AttributeTables tables);

}  // namespace tagline::reader
