#include "job/identification.h"

#include "protocol/classify_reader_version.h"

namespace tagline::job {

std::string RequestSoftwareVersion(JobEnvironment& env, VersionEcho echo) {
  protocol::ReaderProtocol& reader = env.reader();
  if (!reader.open()) return {};
  const bool visible = echo == VersionEcho::Shown;
  const protocol::Reply reply =
      reader.RequestVersion(visible ? serial::Echo::SendField : serial::Echo::None);
  std::string version;
  if (reply.answered()) {
    version = reply.payload;
    if (visible && !version.empty()) {
      env.transcript().Received(version);
      env.ShowVersion(version);
    }
  } else if (visible) {
    env.Message("No Answer from reader");
  }
  if (visible) {
    env.transcript().EndLine();
    env.transcript().Trim();
  }
  return version;
}

protocol::ReaderModel IdentifyReader(JobEnvironment& env, VersionEcho echo) {
  return protocol::ClassifyReaderVersion(RequestSoftwareVersion(env, echo));
}

}  // namespace tagline::job
