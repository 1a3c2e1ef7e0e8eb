// SPDX-License-Identifier: Apache-2.0
// Writes the reader may hear twice without harm (a parameter cell, an attribute) are sent
// again when their ACK does not come, a few times at most: on a noisy line a refusal is
// often a command damaged on its way. After silence a late answer is waited for first, so
// that it is neither taken for the answer to the next command nor followed by a needless
// second write. A reader that stays silent or refuses write after write is not waited for,
// nor written to again, each time.
#pragma once

#include <functional>

#include "protocol/reader_protocol.h"

namespace tagline::job {

enum class WriteAnswer {
  Ack,
  Refused,   // sent again
  Rejected,  // refused after the write's own repeats: not sent again
  Silent,
};

class RepeatedWrite {
 public:
  static constexpr int kAttempts = 3;

  explicit RepeatedWrite(protocol::ReaderProtocol& reader) : reader_(reader) {}

  // `send` sends the write once and tells how it was answered (it shows the answer too).
  // The last answer; a late ACK counts as one.
  WriteAnswer Send(const std::function<WriteAnswer()>& send);
  // Whether any write took more than one send, or its ACK came late: a late answer may
  // still have been taken for another's, so what was written is best read back.
  bool repeated() const { return repeated_; }

 private:
  protocol::ReaderProtocol& reader_;
  int failedInARow_ = 0;
  bool repeated_ = false;
};

}  // namespace tagline::job
