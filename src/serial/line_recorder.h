// SPDX-License-Identifier: Apache-2.0
// What happens on the serial port, told as it happens: the bytes both ways, the port
// opened with its line settings, flushed, closed or lost. A trace writes it down.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/comm.h"

namespace tagline::serial {

class LineRecorder {
 public:
  virtual ~LineRecorder() = default;
  virtual void Opened(const std::string& port, const platform::Dcb& line) = 0;
  virtual void Closed() = 0;
  virtual void Sent(std::string_view bytes) = 0;
  // `agoMs`: how long before now the first of the bytes was there.
  virtual void Received(std::string_view bytes, std::uint32_t agoMs) = 0;
  // What was waiting is about to be read and dropped.
  virtual void Flushed() = 0;
  // The device went away under the open port.
  virtual void Lost() = 0;
};

// "9600 8N1" (baud rate, data bits, parity letter, stop bits).
std::string LineSettingsText(const platform::Dcb& line);

}  // namespace tagline::serial
