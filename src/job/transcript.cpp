// SPDX-License-Identifier: Apache-2.0
#include "job/transcript.h"

namespace tagline::job {

void Transcript::Log(serial::ReplyClass cls, std::string_view context) {
  Received(serial::ReplyLogText(cls));
  if (!context.empty()) {
    Received(", ");
    Received(context);
  }
}

void Transcript::LogLine(serial::ReplyClass cls) {
  Received(serial::ReplyLogText(cls));
  EndLine();
}

}  // namespace tagline::job
