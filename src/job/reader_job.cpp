// SPDX-License-Identifier: Apache-2.0
#include "job/reader_job.h"

#include "job/identification.h"
#include "serial/frame.h"

namespace tagline::job {

bool ReaderJob::LineLostNow(JobEnvironment& env) {
  if (lossReported_ || !LineLost(env)) return false;
  lossReported_ = true;
  ReportFailure(env, kConnectionLost);
  Fail(env);
  return true;
}

bool ReaderJob::Identify(JobEnvironment& env, Needs needs) {
  const Identification identification = job::Identify(env, VersionEcho::Shown);
  version_ = identification.version;
  SetModel(env, identification.model);
  const bool found = model_ != protocol::ReaderModel::NoReply &&
                     !(needs == Needs::Database && model_ == kNoDatabaseModel);
  if (!found) return false;
  result_.readerFound = true;
  if (!identification.certain) {
    // Another model's writes could ruin this reader's configuration.
    ReportFailure(env, DoubtfulIdentificationText(identification));
    Fail(env);
    return false;
  }
  return true;
}

void ReaderJob::SetModel(JobEnvironment& env, protocol::ReaderModel model) {
  model_ = model;
  env.NoteJobModel(failed_ ? std::nullopt : std::optional(model));
}

void ReaderJob::Fail(JobEnvironment& env) {
  failed_ = true;
  env.NoteJobModel(std::nullopt);
}

void ReportFailure(JobEnvironment& env, JobResult& result, const std::string& text) {
  result.failures.push_back(text);
  env.Message(text);
}

void ReaderJob::Conclude(bool reachedSummary) {
  result_.ok = result_.readerFound && reachedSummary && result_.failures.empty() &&
               AllStepsOk(result_.steps);
  result_.finished = true;
}

void EraseWait::Start(JobEnvironment& env) {
  if (env.reader().open()) env.reader().StartErase();
  status_ = ClearStatus::Waiting;
  looks_ = 0;
  attempts_ = 1;
}

bool EraseWait::Look(JobEnvironment& env) {
  ++looks_;
  const protocol::Reply reply = env.reader().PollErase();
  if (!reply.answered()) return looks_ > kMaxLooks;
  Transcript& transcript = env.transcript();
  status_ = ClearStatus::Failed;
  switch (reply.raw.front()) {
    case serial::kAck:
      transcript.Received("// ACK, Clear Database successful");
      status_ = ClearStatus::Cleared;
      break;
    case serial::kBel:
      transcript.Received("// BEL, EC, Clear Database failed");
      break;
    case serial::kNak:
      transcript.Received("// NAK, EC, Clear Database failed");
      break;
    default:
      transcript.Received("// EC, Clear Database failed");
      break;
  }
  transcript.EndLine();
  if (status_ == ClearStatus::Failed && attempts_ < kAttempts && env.reader().open()) {
    env.reader().StartErase();
    status_ = ClearStatus::Waiting;
    looks_ = 0;
    ++attempts_;
    return false;
  }
  return true;
}

}  // namespace tagline::job
