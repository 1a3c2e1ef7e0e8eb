// Command-line commands that run the window's timer jobs: the database transfer and the
// factory default.
#pragma once

#include "cli/cli_host.h"
#include "cli/cli_options.h"

namespace tagline::cli {

// db read PATH, db write PATH, db clear, factory-default.
int RunJobCommand(Session& session, const CliOptions& options);

}  // namespace tagline::cli
