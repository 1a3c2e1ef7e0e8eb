// The software-version exchange ("SV") and its button.
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

constexpr std::uint32_t kVersionReplyBytes = 50;
constexpr std::uint32_t kVersionReplyMs = 450;
constexpr std::uint32_t kPollPeriodMs = 250;

// Drops the frame around a reply: the CRC digits and ETX at the end, STX at the front.
std::string Unframe(std::string reply) {
  if (reply.size() >= 5) reply.resize(reply.size() - 5);
  if (!reply.empty()) reply.erase(0, 1);
  return reply;
}

}  // namespace

std::string MainDialog::RequestSoftwareVersion(bool visible, bool restartPoll) {
  UpdateData(true);
  host_.KillTimer(timer::kPoll);
  std::string result;
  if (exchange_.portOpen != 0) {
    exchange_.FlushInput();
    port_.Write(serial::FrameCommand("SV"));
    if (visible) {
      exchange_.sentPane += "SV\r\n";
      exchange_.sendText = "SV";
    }
    const std::string reply = exchange_.ReadReply(kVersionReplyBytes, kVersionReplyMs);
    if (!reply.empty()) {
      result = Unframe(reply);
      if (visible && !result.empty()) {
        exchange_.receivedPane += result;
        svResult = result;
      }
    } else if (visible) {
      Message("No Answer from reader");
    }
    if (visible) {
      exchange_.receivedPane += "\r\n";
      exchange_.TrimPanes();
    }
  }
  if (restartPoll) host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
  return result;
}

void MainDialog::OnSoftwareVersion() {
  RequestSoftwareVersion(true, true);
}

}  // namespace tagline::app
