#include "reader/reader_clock.h"

#include <algorithm>

#include "app/control_ids.h"
#include "platform/local_time.h"
#include "serial/frame.h"

namespace tagline::reader {

namespace {

namespace ctl = app::ctl;

constexpr std::uint32_t kClockReplyBytes = 18;

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

void ReaderClock::ToggleDirection(app::JobContext& ctx) {
  ctx.PullControls();
  ctx.fields().clockResult.clear();
  writeMode_ = !writeMode_;
  ctx.controls().SetText(ctl::kClockRead, writeMode_ ? "write" : "read");
  ctx.PushControls();
}

app::CommandResult ReaderClock::Run(app::JobContext& ctx) const {
  serial::ReaderLink& link = ctx.link();
  std::string& clockResult = ctx.fields().clockResult;
  return app::RunButtonCommand(ctx, clockResult, [&](app::CommandResult& result) {
    link.FlushInput();
    if (writeMode_) {
      const std::string digits = ClockDigits(ctx.LocalTime());
      const std::string command = "r" + digits;
      link.Send(command, serial::Echo::SendField);
      ctx.controls().SetText(ctl::kClockSet, command);
      link.receivedPane() += "// " + ClockText(digits) + "\r\n";
      link.sentPane() += "\r\n";
      const std::string reply = link.Read(1, serial::kReplyTimeoutMs);
      if (!reply.empty()) {
        const auto cls = serial::ClassifyReply(reply);
        clockResult = serial::ReplyLogText(cls);
        link.receivedPane() += clockResult;
        result.ok = cls == serial::ReplyClass::Ack;
      }
    } else {
      link.Send("R", serial::Echo::SendField);
      ctx.controls().SetText(ctl::kClockSet, "R");
      const std::string reply =
          link.Read(kClockReplyBytes, kClockReplyBytes * serial::kReplyTimeoutMs);
      const std::string kept = reply.substr(0, 13);
      const std::string clock = kept.size() > 1 ? kept.substr(1) : std::string();
      link.receivedPane() += clock;
      clockResult = clock;
      if (clock.size() == 12) link.receivedPane() += " // " + ClockText(clock);
      // A NAK, BEL or any other answer shows as it came, but it is no clock.
      result.ok = IsClockDigits(clock);
    }
    link.EndReceivedLine();
  });
}

bool SetReaderClock(app::JobContext& ctx) {
  serial::ReaderLink& link = ctx.link();
  if (!link.open()) return true;
  std::string& factoryResult = ctx.fields().factoryResult;
  const std::string digits = ClockDigits(ctx.LocalTime());
  const std::string command = "r" + digits;
  link.FlushInput();
  link.Send(command, serial::Echo::SendField);
  ctx.controls().SetText(ctl::kFactoryDefault, command);

  bool set = false;
  const std::string reply = link.Read(1, serial::kReplyTimeoutMs);
  if (reply.empty()) {
    ctx.Message("Communication Error with reader");
  } else {
    switch (reply.front()) {
      case serial::kBel:
        link.receivedPane() += "// BEL, Set Date/Time failed";
        factoryResult = "// BEL";
        break;
      case serial::kAck:
        link.receivedPane() += "// Set Date/Time -> " + ClockText(digits);
        factoryResult = "// ACK";
        set = true;
        break;
      case serial::kNak:
        link.receivedPane() += "// NAK, Set Date/Time failed";
        factoryResult = "// NAK";
        break;
      default:
        link.receivedPane() += "// Set Date/Time failed";
        factoryResult = "//";
        break;
    }
    link.EndReceivedLine();
  }
  link.Drain(51);
  ctx.PushControls();
  return set;
}

}  // namespace tagline::reader
