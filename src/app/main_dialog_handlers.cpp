// The command handlers of the main window: each hands its work to the class that carries
// it out and keeps what it ended with for the window's drivers.
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "database/clear_job.h"
#include "database/read_job.h"
#include "database/write_job.h"
#include "reader/factory_job.h"
#include "reader/software_version.h"

namespace tagline::app {

namespace {

int TimerOf(JobKind kind) {
  switch (kind) {
    case JobKind::DatabaseWrite:
      return timer::kDbWrite;
    case JobKind::DatabaseClear:
      return timer::kDbClear;
    case JobKind::FactoryDefault:
      return timer::kFactory;
    case JobKind::DatabaseRead:
      break;
  }
  return 0;
}

}  // namespace

bool MainDialog::JobRunning(JobKind kind) const {
  return jobs_.Running(TimerOf(kind));
}

const JobResult* MainDialog::LastJobResult(JobKind kind) const {
  if (kind == JobKind::DatabaseRead) return lastRead_ ? &*lastRead_ : nullptr;
  return jobs_.Result(TimerOf(kind));
}

void MainDialog::OnSoftwareVersion() {
  const std::string version =
      reader::RequestSoftwareVersion(*this, reader::VersionEcho::Shown, reader::PollAfter::Restart);
  lastCommand_ = {portOpen() != 0, !version.empty(), true, version};
}

void MainDialog::OnGetTag() {
  lastCommand_ = getTag_.ReadOnce(*this);
}
void MainDialog::OnContinuousRead() {
  getTag_.ToggleContinuous(*this);
}
void MainDialog::OnGetTagTimer() {
  getTag_.OnTimer(*this);
}
void MainDialog::OnCommunicationControl() {
  lastCommand_ = communication_.Toggle(*this);
}
void MainDialog::OnDatabaseTest() {
  lastCommand_ = reader::TestDatabase(*this);
}
void MainDialog::OnClockDirection() {
  clock_.ToggleDirection(*this);
}
void MainDialog::OnClock() {
  lastCommand_ = clock_.Run(*this);
}
void MainDialog::OnProtocolToggle() {
  typing_.ToggleProtocol(*this);
}
void MainDialog::OnChooseProtocolFile() {
  typing_.ChooseProtocolFile(*this);
}

void MainDialog::OnDatabaseRead() {
  lastRead_ = database::ReadJob(tagTable, attributeList, settings_.read_path).Run(*this);
}
void MainDialog::OnReadPath() {
  database::ChooseDatabasePath(*this, true);
}
void MainDialog::OnWritePath() {
  database::ChooseDatabasePath(*this, false);
}

void MainDialog::OnDatabaseWrite() {
  jobs_.Start(timer::kDbWrite,
              std::make_shared<database::WriteJob>(tagTable, attributeList, settings_.write_path),
              *this);
}
void MainDialog::OnDatabaseClear() {
  jobs_.Start(timer::kDbClear, std::make_shared<database::ClearJob>(), *this);
}
void MainDialog::OnFactoryDefault() {
  jobs_.Start(timer::kFactory, std::make_shared<reader::FactoryJob>(tagTable, attributeList),
              *this);
}
void MainDialog::OnWriteJobTimer() {
  jobs_.OnTimer(timer::kDbWrite, *this);
}
void MainDialog::OnClearJobTimer() {
  jobs_.OnTimer(timer::kDbClear, *this);
}
void MainDialog::OnFactoryJobTimer() {
  jobs_.OnTimer(timer::kFactory, *this);
}

void MainDialog::OnParameterNameDropDown() {
  parameterRows_.OnParameterNameDropDown(*this);
}
void MainDialog::OnNumericNameDropDown() {
  parameterRows_.OnNumericNameDropDown(*this);
}
void MainDialog::OnTagTypesSetFocus() {
  parameterRows_.OnTagTypesSetFocus(*this);
}
void MainDialog::OnParameterNameKillFocus() {
  parameterRows_.OnParameterNameKillFocus(*this);
}
void MainDialog::OnParameterNameSelChange() {
  parameterRows_.OnParameterNameSelChange(*this);
}
void MainDialog::OnParameterValueSelChange() {
  reader::ParameterRows::MarkChanged(*this, ctl::kParameterButton);
}
void MainDialog::OnTagTypesSelChange() {
  reader::ParameterRows::MarkChanged(*this, ctl::kTagTypeButton);
}
void MainDialog::OnNumericRowChange() {
  reader::ParameterRows::MarkChanged(*this, ctl::kNumericButton);
}
void MainDialog::OnSelectionButton() {
  lastCommand_ = parameterRows_.OnSelectionButton(*this);
}
void MainDialog::OnNumericButton() {
  lastCommand_ = parameterRows_.OnNumericButton(*this);
}
void MainDialog::OnTagTypeButton() {
  lastCommand_ = parameterRows_.OnTagTypeButton(*this);
}

bool MainDialog::OnDeltaPos(int id, int iDelta) {
  if (ended_ || id != ctl::kNumericSpin) return false;
  parameterRows_.OnNumericSpin(*this, iDelta);
  return true;
}

}  // namespace tagline::app
