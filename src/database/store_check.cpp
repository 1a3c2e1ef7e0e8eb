// SPDX-License-Identifier: Apache-2.0
#include "database/store_check.h"

#include "serial/frame.h"

namespace tagline::database {

namespace {

// Times the read pointer may be lost on the way before the check gives up.
constexpr int kMaxRestarts = 3;
constexpr int kPointerAttempts = 3;
constexpr std::uint32_t kDrainBytes = 64;

}  // namespace

bool StoreCheck::ResetPointer(job::JobEnvironment& env) {
  for (int attempt = 0; attempt < kPointerAttempts; ++attempt) {
    if (env.reader().ResetReadPointer().raw == std::string(1, serial::kAck)) {
      position_ = 0;
      return true;
    }
  }
  return false;
}

Stored StoreCheck::Check(job::JobEnvironment& env, const std::vector<std::string>& records,
                         std::size_t number) {
  protocol::ReaderProtocol& reader = env.reader();
  const int lostAtStart = reader.lostReads();
  // What may still come of the garbled answer.
  reader.DrainKept(kDrainBytes);
  int restarts = 0;
  // Each "RN" either takes the pointer one record on, or ends in a restart.
  std::size_t budget = number + 1 + static_cast<std::size_t>(kMaxRestarts) * (number + 2);
  while (budget-- > 0 && reader.lostReads() == lostAtStart) {
    if (!position_ && (restarts++ >= kMaxRestarts || !ResetPointer(env))) break;
    const protocol::Reply reply = reader.ReadNext(loop_.flushCount);
    const std::size_t at = *position_;
    const std::string& data = reply.payload;
    const bool whole =
        reply.wholeFrame && reply.stale.find_first_not_of("\r\n") == std::string::npos;
    const bool record = whole && data.size() == loop_.kept - 1 && data.front() != '_';
    const bool end = whole && !record && !data.empty() &&
                     loop_.ends.find(data.front()) != std::string_view::npos;
    if (record && at < number && data == records[at]) {
      position_ = at + 1;
    } else if (record && at == number && data == records[number]) {
      position_ = at + 1;
      return Stored::Yes;
    } else if (end && at == number) {
      return Stored::No;
    } else {
      // A damaged reply, or not the record expected there: where the pointer is, is not
      // known any more.
      position_.reset();
    }
  }
  position_.reset();
  return Stored::Unknown;
}

}  // namespace tagline::database
