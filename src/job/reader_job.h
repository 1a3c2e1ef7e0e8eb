// SPDX-License-Identifier: Apache-2.0
// What the step-wise jobs on the reader share: the identification that starts them, the
// watch on the line, the failures they report, the model they carry from step to step (or
// their failure), the wait for the answer to "EC", and their result.
#pragma once

#include <string>

#include "job/job_environment.h"
#include "job/job_runner.h"
#include "protocol/reader_model.h"

namespace tagline::job {

inline constexpr const char* kConnectionLost = "The connection to the reader was lost.";

// The reader model that keeps no tag database.
inline constexpr protocol::ReaderModel kNoDatabaseModel = protocol::ReaderModel::KtrH9HfV10Cs3;

// Shows a failure and keeps it in the result.
void ReportFailure(JobEnvironment& env, JobResult& result, const std::string& text);

class ReaderJob : public StepJob {
 public:
  const JobResult& result() const override { return result_; }

 protected:
  // Whether a reader without a tag database counts as found.
  enum class Needs { AnyReader, Database };

  // Notes the line's state at the job's start.
  void WatchLine(JobEnvironment& env) { lostAtStart_ = env.reader().lostReads(); }
  bool LineLost(JobEnvironment& env) const { return env.reader().lostReads() != lostAtStart_; }
  // True the first time the line is found lost: the loss is reported, the job has failed
  // and goes to its summary.
  bool LineLostNow(JobEnvironment& env);

  // Whether the user asked the job to stop; the result says so from then on.
  bool StopAsked(JobEnvironment& env) {
    if (!result_.interrupted && env.StopRequested()) result_.interrupted = true;
    return result_.interrupted;
  }

  // The identification, shown in the panes; true when a reader the job can work on
  // answered with a version beyond doubt (one in doubt is reported as a failure). The
  // version text stays in version().
  bool Identify(JobEnvironment& env, Needs needs);

  void SetModel(JobEnvironment& env, protocol::ReaderModel model);
  // From here on the job has failed: the steps that follow send nothing.
  void Fail(JobEnvironment& env);
  bool failed() const { return failed_; }
  protocol::ReaderModel model() const { return model_; }
  const std::string& version() const { return version_; }

  void ReportFailure(JobEnvironment& env, const std::string& text) {
    job::ReportFailure(env, result_, text);
  }
  // The end: OK only for a reader found, a job that ran to its summary, no failure reported
  // and every step of the summary OK.
  void Conclude(bool reachedSummary);

  JobResult result_;

 private:
  int lostAtStart_ = 0;
  bool lossReported_ = false;
  protocol::ReaderModel model_ = protocol::ReaderModel::NoReply;
  bool failed_ = false;
  std::string version_;
};

enum class ClearStatus { Waiting, Failed, Cleared };

// "EC" and the looks for its answer, one a job tick.
class EraseWait {
 public:
  static constexpr int kMaxLooks = 100;
  // "EC" is sent again after an answer other than ACK: a command damaged on the line is
  // refused without erasing, and erasing twice does no harm.
  static constexpr int kAttempts = 3;

  // Flushes and sends "EC" (nothing while the port is closed).
  void Start(JobEnvironment& env);
  // One look for the answer, logged in the received pane when there is one. True when the
  // answer came or the looks ran out.
  bool Look(JobEnvironment& env);
  ClearStatus status() const { return status_; }
  // The looks so far.
  int looks() const { return looks_; }

 private:
  ClearStatus status_ = ClearStatus::Waiting;
  int looks_ = 0;
  int attempts_ = 0;
};

}  // namespace tagline::job
