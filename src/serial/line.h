// SPDX-License-Identifier: Apache-2.0
// The byte line under the command exchange: the serial port in the program, an in-process
// stand-in in tests of the jobs' rules.
#pragma once

#include <cstdint>
#include <string>

namespace tagline::serial {

class Line {
 public:
  virtual ~Line() = default;
  virtual bool Write(const std::string& text) = 0;
  // Waits until `wanted` bytes are queued or more than `timeoutMs` has passed, then takes
  // everything queued. Returns that count, or -1 if the line is not open or was lost.
  virtual int ReadTimed(std::string& out, std::uint32_t wanted, std::uint32_t timeoutMs) = 0;
  // What is waiting is about to be read and dropped (a trace marks it).
  virtual void NoteFlush() {}
};

}  // namespace tagline::serial
