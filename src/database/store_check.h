// SPDX-License-Identifier: Apache-2.0
// Whether the reader stored a record whose answer to "w" was lost or garbled. The record
// is looked for by reading: the read pointer moves independently of the write pointer, so
// it is kept where it stands from one check to the next, and the records the reader surely
// holds are read once in all. The check is a guess the read-back at the end confirms: a
// record it got wrong shows there as one too many or one missing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "database/record_reading.h"
#include "job/job_environment.h"

namespace tagline::database {

enum class Stored { Yes, No, Unknown };

class StoreCheck {
 public:
  explicit StoreCheck(const ReadLoop& loop) : loop_(loop) {}

  // Whether the reader holds `records[number]` after `records[0 .. number - 1]`, which it
  // holds surely.
  Stored Check(job::JobEnvironment& env, const std::vector<std::string>& records,
               std::size_t number);
  // The reader's records were erased, or its pointers set back.
  void Forget() { position_.reset(); }

 private:
  bool ResetPointer(job::JobEnvironment& env);

  ReadLoop loop_;
  // Where the reader's read pointer stands, when known.
  std::optional<std::size_t> position_;
};

}  // namespace tagline::database
