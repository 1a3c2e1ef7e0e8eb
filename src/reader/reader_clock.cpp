// SPDX-License-Identifier: Apache-2.0
#include "reader/reader_clock.h"

#include <algorithm>

#include "job/repeated_write.h"
#include "platform/local_time.h"
#include "serial/frame.h"

namespace tagline::reader {

namespace {

// "DDMMYYhhmmss" from the "%c" form "MM/DD/YY hh:mm:ss".
std::string ClockDigits(const std::tm& now) {
  const std::string c = platform::FormatCTime(now);
  return c.substr(3, 2) + c.substr(0, 2) + c.substr(6, 2) + c.substr(9, 2) + c.substr(12, 2) +
         c.substr(15, 2);
}

// Twelve clock digits shown as "DD.MM.YY hh:mm:ss".
std::string ClockText(const std::string& digits) {
  return digits.substr(0, 2) + "." + digits.substr(2, 2) + "." + digits.substr(4, 2) + " " +
         digits.substr(6, 2) + ":" + digits.substr(8, 2) + ":" + digits.substr(10, 2);
}

bool IsClockDigits(const std::string& text) {
  return text.size() == 12 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool ReadClock(job::JobEnvironment& env, std::string& result) {
  job::Transcript& transcript = env.transcript();
  env.reader().Flush();
  const protocol::Reply reply = env.reader().ReadClock();
  env.ShowCommand("R");
  if (reply.damaged()) {
    transcript.Received(protocol::kBadFrameText);
    transcript.EndLine();
    result = protocol::kBadFrameText;
    return false;
  }
  const std::string clock = reply.payload;
  transcript.Received(clock);
  result = clock;
  if (clock.size() == 12) transcript.Received(" // " + ClockText(clock));
  transcript.EndLine();
  // A NAK, BEL or any other answer shows as it came, but it is no clock.
  return IsClockDigits(clock);
}

bool WriteClock(job::JobEnvironment& env, std::string& result) {
  job::Transcript& transcript = env.transcript();
  env.reader().Flush();
  const std::string digits = ClockDigits(env.LocalTime());
  const protocol::Reply reply = env.reader().SetClock(digits);
  env.ShowCommand("r" + digits);
  // Shown after the command's own line in the sent pane.
  transcript.Received("// " + ClockText(digits) + "\r\n");
  transcript.Sent("\r\n");
  bool ok = false;
  if (reply.answered()) {
    result = serial::ReplyLogText(reply.cls);
    transcript.Received(result);
    ok = reply.ack();
  }
  transcript.EndLine();
  return ok;
}

namespace {

// One "r" with the time of now, its answer shown as the factory job's result.
job::WriteAnswer SendClockOnce(job::JobEnvironment& env) {
  protocol::ReaderProtocol& reader = env.reader();
  job::Transcript& transcript = env.transcript();
  const std::string digits = ClockDigits(env.LocalTime());
  reader.Flush();
  const protocol::Reply reply = reader.SetClock(digits);
  env.ShowCommand("r" + digits);
  if (!reply.answered()) return job::WriteAnswer::Silent;
  job::WriteAnswer answer = job::WriteAnswer::Refused;
  switch (reply.raw.front()) {
    case serial::kBel:
      transcript.Received("// BEL, Set Date/Time failed");
      env.ShowResult("// BEL");
      break;
    case serial::kAck:
      transcript.Received("// Set Date/Time -> " + ClockText(digits));
      env.ShowResult("// ACK");
      answer = job::WriteAnswer::Ack;
      break;
    case serial::kNak:
      transcript.Received("// NAK, Set Date/Time failed");
      env.ShowResult("// NAK");
      break;
    default:
      transcript.Received("// Set Date/Time failed");
      env.ShowResult("//");
      break;
  }
  transcript.EndLine();
  return answer;
}

}  // namespace

bool SetReaderClock(job::JobEnvironment& env) {
  protocol::ReaderProtocol& reader = env.reader();
  if (!reader.open()) return true;
  job::RepeatedWrite write(reader);
  const job::WriteAnswer answer = write.Send([&env] { return SendClockOnce(env); });
  if (answer == job::WriteAnswer::Silent) env.Message("Communication Error with reader");
  reader.Drain(51);
  return answer == job::WriteAnswer::Ack;
}

}  // namespace tagline::reader
