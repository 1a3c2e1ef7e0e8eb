// Clearing the reader's tag database: the "EC" exchange, shared with the factory-default
// job, and the clear job on timer 8.
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "reader/classify_reader_version.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

constexpr std::uint32_t kJobPeriodMs = 250;
constexpr int kMaxClearPolls = 100;
constexpr std::uint8_t kFlagDatabaseCleared = 0x02;
constexpr auto kNoDatabaseModel = static_cast<std::int8_t>(reader::ReaderModel::KtrH9HfV10Cs3);

}  // namespace

std::int8_t MainDialog::SendClearDatabase(std::int8_t model) {
  if (exchange_.portOpen != 0 && model != kNoDatabaseModel && model != -1) {
    exchange_.FlushInput();
    port_.Write(serial::FrameCommand("EC"));
    exchange_.sentPane += "EC\r\n";
    UpdateData(false);
  }
  return model;
}

std::int8_t MainDialog::PollClearDatabase(std::int8_t /*model*/) {
  std::string reply;
  port_.ReadTimed(reply, 1, 1);
  if (reply.empty()) return 0;
  std::int8_t status = 1;
  switch (reply.front()) {
    case serial::kAck:
      exchange_.receivedPane += "// ACK, Clear Database successful";
      writeFlags |= kFlagDatabaseCleared;
      status = 2;
      break;
    case serial::kBel:
      exchange_.receivedPane += "// BEL, EC, Clear Database failed";
      writeFlags &= static_cast<std::uint8_t>(~kFlagDatabaseCleared);
      break;
    case serial::kNak:
      exchange_.receivedPane += "// NAK, EC, Clear Database failed";
      writeFlags &= static_cast<std::uint8_t>(~kFlagDatabaseCleared);
      break;
    default:
      exchange_.receivedPane += "// EC, Clear Database failed";
      writeFlags &= static_cast<std::uint8_t>(~kFlagDatabaseCleared);
      break;
  }
  exchange_.receivedPane += "\r\n";
  UpdateData(false);
  return status;
}

void MainDialog::OnClearJobTimer() {
  switch (clearStep) {
    case 1:
      host_.KillTimer(timer::kDbClear);
      currentModel = IdentifyForJob();
      if (currentModel <= 0 || currentModel == kNoDatabaseModel) {
        EndDatabaseJob(timer::kDbClear, clearStep);
        return;
      }
      clearStep = 2;
      host_.SetTimer(timer::kDbClear, kJobPeriodMs);
      break;
    case 2:
      host_.KillTimer(timer::kDbClear);
      SendClearDatabase(currentModel);
      pollCount = 0;
      stepResult = 0;
      controls_.SetProgressRange(ctl::kProgress, 0, kMaxClearPolls);
      clearStep = 3;
      host_.SetTimer(timer::kDbClear, kJobPeriodMs);
      break;
    case 3:
      // The timer keeps running: one look for the answer per tick.
      stepResult = PollClearDatabase(currentModel);
      controls_.SetProgress(ctl::kProgress, pollCount);
      pollCount = currentModel == kNoDatabaseModel ? kMaxClearPolls + 1 : pollCount + 1;
      if (stepResult != 0 || pollCount > kMaxClearPolls) {
        host_.KillTimer(timer::kDbClear);
        if (stepResult == 0) Message("Communication Error with reader");
        EndDatabaseJob(timer::kDbClear, clearStep);
      }
      break;
    default:
      break;
  }
}

}  // namespace tagline::app
