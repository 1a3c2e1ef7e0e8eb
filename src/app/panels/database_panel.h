// SPDX-License-Identifier: Apache-2.0
// The DB group's own buttons: the database test, and the path buttons that choose the read
// target and the write source.
#pragma once

#include "app/window_context.h"
#include "job/job_result.h"

namespace tagline::app {

// The Test button: whether the reader's database holds data.
job::CommandResult TestDatabase(WindowContext& window);

// A path button: the file dialog for the read target (`read`) or the write source.
void ChooseDatabasePath(WindowContext& window, bool read);

}  // namespace tagline::app
