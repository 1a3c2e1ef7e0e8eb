// The software-version exchange ("SV") that identifies the reader.
#pragma once

#include <string>

#include "app/job_context.h"
#include "reader/reader_model.h"

namespace tagline::reader {

enum class VersionEcho {
  Quiet,  // nothing in the panes, no message
  Shown,  // command and reply in the panes and the SV row; "No Answer from reader"
};
enum class PollAfter { Restart, LeaveOff };

// Returns the reply without its framing, empty for none. The receive poll is stopped for
// the exchange.
std::string RequestSoftwareVersion(app::JobContext& ctx, VersionEcho echo, PollAfter poll);

// The exchange, classified.
ReaderModel IdentifyReader(app::JobContext& ctx, VersionEcho echo, PollAfter poll);

}  // namespace tagline::reader
