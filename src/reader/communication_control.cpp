// Communication control ("XT" / "s22400") and the database test ("ET").
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "reader/classify_reader_version.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

constexpr std::uint32_t kPollPeriodMs = 250;

// clang-format off
constexpr const char* kEstablishText = " Establish Communication ----------------------------------------->                                     -------------->";
constexpr const char* kExitText = " Exit Communication ------------------------------------------------->                                     -------------->";
// clang-format on

// The readers whose communication can be switched on and off again.
bool TogglesCommunication(reader::ReaderModel model) {
  using M = reader::ReaderModel;
  return model == M::KtrH9HfV43Build39 || model == M::KtrH9HfV10Cs3 ||
         model == M::KtrH9V43Build39 || model == M::KtrH9V43Build54;
}

}  // namespace

void MainDialog::ShowCommunicationState(bool open) {
  controls_.SetText(ctl::kCommLabel, open ? kExitText : kEstablishText);
  controls_.SetText(ctl::kXt, open ? "XT" : "s22400");
}

void MainDialog::OnCommunicationControl() {
  UpdateData(true);
  host_.KillTimer(timer::kPoll);
  if (exchange_.portOpen != 0) {
    const auto model = reader::ClassifyReaderVersion(RequestSoftwareVersion(false, true));
    exchange_.FlushInput();
    const auto log = [this](const char* command) {
      exchange_.sentPane += std::string(command) + "\r\n";
      exchange_.sendText = command;
    };
    if (TogglesCommunication(model)) {
      if (communicationOpen != 0) {
        port_.Write(serial::FrameCommand("XT"));
        log("XT");
        communicationOpen = 0;
        ShowCommunicationState(false);
      } else {
        port_.Write(serial::FrameCommand("s22400"));
        log("s22400");
        communicationOpen = 1;
        ShowCommunicationState(true);
      }
    } else if (communicationOpen != 0) {
      port_.Write(serial::FrameCommand("XT"));
      log("XT");
    } else {
      log("s22400");
      communicationOpen = 1;
      ShowCommunicationState(true);
    }
    const std::string reply = exchange_.ReadReply(1, serial::kReplyTimeoutMs);
    commResult.clear();
    if (!reply.empty()) {
      commResult = serial::ReplyLogText(serial::ClassifyReply(reply, serial::ReplyByte::Last));
      exchange_.receivedPane += commResult;
    }
    exchange_.receivedPane += "\r\n";
    exchange_.TrimPanes();
  }
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
}

void MainDialog::OnDatabaseTest() {
  for (const int id : kDatabaseJobControls) controls_.Enable(id, false);
  exchange_.sentPane.clear();
  exchange_.receivedPane.clear();
  controls_.SetProgress(ctl::kProgress, 0);
  datasetCount.clear();
  if (exchange_.portOpen != 0) {
    UpdateData(false);
    exchange_.FlushInput();
    const auto model = reader::ClassifyReaderVersion(RequestSoftwareVersion(true, true));
    if (model != reader::ReaderModel::KtrH9HfV10Cs3) {
      host_.KillTimer(timer::kPoll);
      port_.Write(serial::FrameCommand("ET"));
      exchange_.sentPane += "ET\r\n";
      exchange_.sendText = "ET";
      const std::string reply = exchange_.ReadReply(1, serial::kReplyTimeoutMs);
      if (reply.empty()) {
        Message("No Answer from reader");
      } else {
        switch (reply.front()) {
          case serial::kBel:
            exchange_.receivedPane += "// BEL";
            testResult = "empty";
            break;
          case serial::kAck:
            exchange_.receivedPane += "// ACK";
            testResult = "occupied";
            break;
          case serial::kNak:
            exchange_.receivedPane += "// NAK";
            break;
          default:
            testResult.clear();
            break;
        }
      }
      exchange_.receivedPane += "\r\n";
      exchange_.TrimPanes();
    }
  }
  for (const int id : kDatabaseJobControls) controls_.Enable(id, true);
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
}

}  // namespace tagline::app
