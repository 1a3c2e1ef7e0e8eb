// SPDX-License-Identifier: Apache-2.0
// What the database jobs show when they begin and end: empty panes, no dataset count, the
// progress bar at its start.
#pragma once

#include "job/job_environment.h"

namespace tagline::database {

inline void BeginDatabaseJob(job::JobEnvironment& env, int progress) {
  env.transcript().Clear();
  env.Progress(progress);
  env.ShowCount("");
}

inline void EndDatabaseJob(job::JobEnvironment& env) {
  env.Progress(0);
  env.ShowCount("");
}

}  // namespace tagline::database
