// SPDX-License-Identifier: Apache-2.0
#include "job/repeated_write.h"

#include "serial/frame.h"

namespace tagline::job {

namespace {

// Writes that failed one after the other before the reader counts as silent or refusing:
// from then on each write is sent once.
constexpr int kFailedWrites = 2;

}  // namespace

WriteAnswer RepeatedWrite::Send(const std::function<WriteAnswer()>& send) {
  WriteAnswer answer = WriteAnswer::Silent;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) repeated_ = true;
    answer = send();
    if (answer == WriteAnswer::Ack || answer == WriteAnswer::Rejected) break;
    if (failedInARow_ >= kFailedWrites) break;
    if (answer == WriteAnswer::Silent) {
      const std::string late = reader_.AwaitLateAnswer();
      if (!late.empty() && late.front() == serial::kAck) {
        repeated_ = true;
        answer = WriteAnswer::Ack;
        break;
      }
    }
    if (!reader_.open()) break;
  }
  failedInARow_ = answer == WriteAnswer::Ack ? 0 : failedInARow_ + 1;
  return answer;
}

}  // namespace tagline::job
