// Command-line commands that run one of the reader buttons of the main window.
#pragma once

#include "cli/cli_host.h"
#include "cli/cli_options.h"

namespace tagline::cli {

// tag, online, comm, dbtest, clock, param, numeric, tagtypes, params.
int RunReaderCommand(Session& session, const CliOptions& options);

}  // namespace tagline::cli
