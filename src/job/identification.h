// The software-version exchange ("SV") that identifies the reader, as jobs and commands
// run it: quietly, or shown in the panes and the SV row.
#pragma once

#include <string>

#include "job/job_environment.h"
#include "protocol/reader_model.h"

namespace tagline::job {

enum class VersionEcho {
  Quiet,  // nothing in the panes, no message
  Shown,  // command and reply in the panes and the SV row; "No Answer from reader"
};

// The reply without its framing, empty for none (and while the port is closed).
std::string RequestSoftwareVersion(JobEnvironment& env, VersionEcho echo);

// The exchange, classified.
protocol::ReaderModel IdentifyReader(JobEnvironment& env, VersionEcho echo);

}  // namespace tagline::job
