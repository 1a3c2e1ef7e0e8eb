// The reader's clock: read with "R", set with "r" + DDMMYYhhmmss from the PC's clock.
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "platform/local_time.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

constexpr std::uint32_t kPollPeriodMs = 250;
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

}  // namespace

void MainDialog::OnClockDirection() {
  UpdateData(true);
  clockResult.clear();
  clockWriteMode = clockWriteMode != 0 ? 0 : 1;
  controls_.SetText(ctl::kClockRead, clockWriteMode != 0 ? "write" : "read");
  UpdateData(false);
}

void MainDialog::OnClock() {
  UpdateData(true);
  host_.KillTimer(timer::kPoll);
  if (exchange_.portOpen != 0) {
    exchange_.FlushInput();
    if (clockWriteMode != 0) {
      const std::string digits = ClockDigits(localClock_());
      const std::string command = "r" + digits;
      port_.Write(serial::FrameCommand(command));
      controls_.SetText(ctl::kClockSet, command);
      exchange_.sentPane += command + "\r\n";
      exchange_.sendText = command;
      exchange_.receivedPane += "// " + ClockText(digits) + "\r\n";
      exchange_.sentPane += "\r\n";
      const std::string reply = exchange_.ReadReply(1, serial::kReplyTimeoutMs);
      if (!reply.empty()) {
        clockResult = serial::ReplyLogText(serial::ClassifyReply(reply));
        exchange_.receivedPane += clockResult;
      }
    } else {
      port_.Write(serial::FrameCommand("R"));
      controls_.SetText(ctl::kClockSet, "R");
      exchange_.sentPane += "R\r\n";
      exchange_.sendText = "R";
      const std::string reply =
          exchange_.ReadReply(kClockReplyBytes, kClockReplyBytes * serial::kReplyTimeoutMs);
      const std::string kept = reply.substr(0, 13);
      const std::string clock = kept.size() > 1 ? kept.substr(1) : std::string();
      exchange_.receivedPane += clock;
      clockResult = clock;
      if (clock.size() == 12) exchange_.receivedPane += " // " + ClockText(clock);
    }
    exchange_.receivedPane += "\r\n";
    exchange_.TrimPanes();
  }
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
}

std::uint8_t MainDialog::SetReaderClock(std::uint8_t step) {
  if (exchange_.portOpen == 0) return step;
  exchange_.FlushInput();
  const std::string digits = ClockDigits(localClock_());
  const std::string command = "r" + digits;
  port_.Write(serial::FrameCommand(command));
  controls_.SetText(ctl::kFactoryDefault, command);
  exchange_.sentPane += command + "\r\n";
  exchange_.sendText = command;

  std::uint8_t result = 255;
  const std::string reply = exchange_.ReadReply(1, serial::kReplyTimeoutMs);
  if (reply.empty()) {
    Message("Communication Error with reader");
  } else {
    switch (reply.front()) {
      case serial::kBel:
        exchange_.receivedPane += "// BEL, Set Date/Time failed";
        factoryResult = "// BEL";
        break;
      case serial::kAck:
        exchange_.receivedPane += "// Set Date/Time -> " + ClockText(digits);
        factoryResult = "// ACK";
        result = step;
        break;
      case serial::kNak:
        exchange_.receivedPane += "// NAK, Set Date/Time failed";
        factoryResult = "// NAK";
        break;
      default:
        exchange_.receivedPane += "// Set Date/Time failed";
        factoryResult = "//";
        break;
    }
    exchange_.receivedPane += "\r\n";
  }
  std::string discarded;
  port_.ReadTimed(discarded, 51, 1);
  UpdateData(false);
  return result;
}

}  // namespace tagline::app
