// SPDX-License-Identifier: Apache-2.0
// The software-version exchange ("SV") that identifies the reader, as jobs and commands
// run it: quietly, or shown in the panes and the SV row. A reply that is no whole frame is
// asked for again; a model found without one is in doubt, and nothing that writes to the
// reader proceeds on it.
#pragma once

#include <string>

#include "job/job_environment.h"
#include "protocol/reader_model.h"

namespace tagline::job {

enum class VersionEcho {
  Quiet,  // nothing in the panes, no message
  Shown,  // command and reply in the panes and the SV row; "No Answer from reader"
};

// How often the version is asked for when its replies come damaged.
inline constexpr int kVersionAttempts = 3;
// A first silence may be a late reply: the version is asked once more before "No Answer".
inline constexpr int kSilentVersionAttempts = 2;

struct Identification {
  std::string version;  // the reply without its framing; empty for none
  protocol::ReaderModel model = protocol::ReaderModel::NoReply;
  // False when no try gave a whole frame: the version, and so the model, is in doubt.
  bool certain = true;
  int damagedReplies = 0;
};

// Asks for the version (nothing while the port is closed) and classifies it.
Identification Identify(JobEnvironment& env, VersionEcho echo);

// The text alone, empty for none.
std::string RequestSoftwareVersion(JobEnvironment& env, VersionEcho echo);

// The model alone, for what only reads.
protocol::ReaderModel IdentifyReader(JobEnvironment& env, VersionEcho echo);

// The message that refuses to write on an identification in doubt.
std::string DoubtfulIdentificationText(const Identification& identification);

}  // namespace tagline::job
