// The step-wise jobs on timers 7 (database write), 8 (database clear) and 9 (factory
// default): their start, the first step that identifies the reader, and their end.
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "reader/classify_reader_version.h"

namespace tagline::app {

namespace {

constexpr std::uint32_t kJobPeriodMs = 250;
constexpr std::uint32_t kPollPeriodMs = 250;

}  // namespace

std::int8_t MainDialog::IdentifyForJob() {
  const std::string version = RequestSoftwareVersion(true, false);
  return static_cast<std::int8_t>(reader::ClassifyReaderVersion(version));
}

void MainDialog::StartDatabaseJob(int timerId, std::uint8_t& step, int progress) {
  host_.BeginWaitCursor();
  UpdateData(true);
  for (const int id : kDatabaseJobControls) controls_.Enable(id, false);
  host_.KillTimer(timer::kPoll);
  exchange_.receivedPane.clear();
  exchange_.sentPane.clear();
  controls_.SetProgress(ctl::kProgress, progress);
  datasetCount.clear();
  UpdateData(false);
  step = 1;
  host_.SetTimer(timerId, kJobPeriodMs);
  host_.EndWaitCursor();
}

void MainDialog::EndDatabaseJob(int timerId, std::uint8_t& step) {
  host_.KillTimer(timerId);
  controls_.SetProgress(ctl::kProgress, 0);
  datasetCount.clear();
  for (const int id : kDatabaseJobControls) controls_.Enable(id, true);
  UpdateData(false);
  step = 0;
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
}

void MainDialog::OnDatabaseWrite() {
  writeFlags = 0;
  currentModel = -1;
  tagTable.Fill(" ");
  attributeList.Fill(" ");
  StartDatabaseJob(timer::kDbWrite, writeStep, 1);
}

void MainDialog::OnDatabaseClear() {
  StartDatabaseJob(timer::kDbClear, clearStep, 0);
}

void MainDialog::OnFactoryDefault() {
  host_.BeginWaitCursor();
  UpdateData(true);
  host_.KillTimer(timer::kPoll);
  exchange_.receivedPane.clear();
  exchange_.sentPane.clear();
  UpdateData(false);
  factoryStep = 1;
  host_.SetTimer(timer::kFactory, kJobPeriodMs);
  host_.EndWaitCursor();
}

}  // namespace tagline::app
