// SPDX-License-Identifier: Apache-2.0
#include "reader/communication_control.h"

#include <string_view>

#include "job/identification.h"
#include "job/reader_job.h"
#include "serial/frame.h"

namespace tagline::reader {

bool TogglesCommunication(protocol::ReaderModel model) {
  using M = protocol::ReaderModel;
  return model == M::KtrH9HfV43Build39 || model == M::KtrH9HfV10Cs3 ||
         model == M::KtrH9V43Build39 || model == M::KtrH9V43Build54;
}

CommunicationOutcome PressCommunication(
    job::JobEnvironment& env,
    const std::function<CommunicationPress(protocol::ReaderModel)>& choose, std::string& result) {
  protocol::ReaderProtocol& reader = env.reader();
  job::Transcript& transcript = env.transcript();
  CommunicationOutcome outcome;
  const job::Identification found = job::Identify(env, job::VersionEcho::Quiet);
  if (!found.certain) {
    // Which command the model takes is in doubt: "XT" could close a reader for good.
    env.Message(job::DoubtfulIdentificationText(found));
    return outcome;
  }
  const protocol::ReaderModel model = found.model;
  reader.Flush();
  const CommunicationPress press = choose(model);
  if (!press.send) transcript.ShowCommand(press.command, serial::Echo::SendField);
  const bool establish = std::string_view(press.command) == kEstablishCommunication;
  const protocol::Reply reply = reader.SwitchCommunication(press.command, press.send);
  if (establish || TogglesCommunication(model)) outcome.open = establish;
  result.clear();
  if (reply.answered()) {
    result = serial::ReplyLogText(reply.cls);
    transcript.Received(result);
    outcome.ok = press.send && reply.ack();
  }
  transcript.EndLine();
  return outcome;
}

void TestDatabase(job::JobEnvironment& env, std::string& result) {
  env.reader().Flush();
  const protocol::ReaderModel model = job::IdentifyReader(env, job::VersionEcho::Shown);
  if (model == job::kNoDatabaseModel) return;
  job::Transcript& transcript = env.transcript();
  const protocol::Reply reply = env.reader().TestDatabase();
  if (!reply.answered()) {
    env.Message("No Answer from reader");
  } else {
    switch (reply.raw.front()) {
      case serial::kBel:
        transcript.Received("// BEL");
        result = "empty";
        break;
      case serial::kAck:
        transcript.Received("// ACK");
        result = "occupied";
        break;
      case serial::kNak:
        transcript.Received("// NAK");
        break;
      default:
        result.clear();
        break;
    }
  }
  transcript.EndLine();
  transcript.Trim();
}

}  // namespace tagline::reader
