// SPDX-License-Identifier: Apache-2.0
#include "job/identification.h"

#include "protocol/classify_reader_version.h"

namespace tagline::job {

Identification Identify(JobEnvironment& env, VersionEcho echo) {
  Identification found;
  protocol::ReaderProtocol& reader = env.reader();
  if (!reader.open()) return found;
  const bool visible = echo == VersionEcho::Shown;
  Transcript& transcript = env.transcript();
  protocol::Reply reply;
  int silences = 0;
  for (int attempt = 0; attempt < kVersionAttempts; ++attempt) {
    protocol::Reply next =
        reader.RequestVersion(visible ? serial::Echo::SendField : serial::Echo::None);
    // Silence after a damaged reply leaves the damaged one to go on with.
    if (!next.answered() && reply.answered()) break;
    reply = std::move(next);
    if (!reply.answered()) {
      if (++silences >= kSilentVersionAttempts || !reader.open()) break;
      reader.SettleLine();
      continue;
    }
    if (reply.wholeFrame) break;
    // A damaged reply: what is left of it is waited out before the version is asked again.
    ++found.damagedReplies;
    if (visible) transcript.Received("// bad frame\r\n");
    reader.SettleLine();
  }
  if (reply.answered()) {
    found.version = reply.payload;
    found.certain = reply.wholeFrame;
    if (visible && !found.version.empty()) {
      transcript.Received(found.version);
      env.ShowVersion(found.version);
    }
  } else if (visible) {
    env.Message("No Answer from reader");
  }
  if (visible) {
    transcript.EndLine();
    transcript.Trim();
  }
  found.model = protocol::ClassifyReaderVersion(found.version);
  return found;
}

std::string RequestSoftwareVersion(JobEnvironment& env, VersionEcho echo) {
  return Identify(env, echo).version;
}

protocol::ReaderModel IdentifyReader(JobEnvironment& env, VersionEcho echo) {
  return Identify(env, echo).model;
}

std::string DoubtfulIdentificationText(const Identification& identification) {
  return "The reader's version reply came damaged " +
         std::to_string(identification.damagedReplies) +
         " times; which reader this is stays in doubt, so nothing was written to it.";
}

}  // namespace tagline::job
