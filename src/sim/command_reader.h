// SPDX-License-Identifier: Apache-2.0
// Splits the bytes a host sends into commands: STX ... ETX frames, and CR-ended lines
// outside frames.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tagline::sim {

struct ReceivedCommand {
  enum class Kind {
    Framed,       // a frame with correct CRC digits; text is the command without them
    Line,         // a CR-ended line outside a frame; text without the CR
    BadCrc,       // a frame whose CRC digits are wrong or missing; text is the whole body
    Acknowledge,  // the host's STX ACK ETX (or STX NAK ETX) answer to an unsolicited code
  };
  Kind kind = Kind::Framed;
  std::string text;

  bool operator==(const ReceivedCommand&) const = default;
};

class CommandReader {
 public:
  // Longest frame body or line kept; anything longer is dropped up to its end.
  static constexpr std::size_t kMaxLength = 4096;

  // Takes the next received bytes; returns the commands they complete, in order.
  std::vector<ReceivedCommand> Feed(std::string_view bytes);

 private:
  void Take(char c, std::vector<ReceivedCommand>& out);
  static ReceivedCommand FromFrame(std::string body);

  std::string buffer_;
  bool inFrame_ = false;
  bool overflowed_ = false;
};

}  // namespace tagline::sim
