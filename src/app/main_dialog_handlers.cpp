// SPDX-License-Identifier: Apache-2.0
// The command handlers of the main window: each hands its work to the panel or job that
// carries it out and keeps what it ended with for the window's drivers.
#include <filesystem>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/panels/button_command.h"
#include "app/panels/database_panel.h"
#include "app/panels/online_panel.h"
#include "database/attribute_check.h"
#include "database/backup.h"
#include "database/clear_job.h"
#include "database/read_job.h"
#include "database/write_job.h"
#include "job/identification.h"
#include "reader/factory_job.h"

namespace tagline::app {

namespace {

constexpr const char* kClearQuestion =
    "Erase every record in the reader's database? This cannot be undone.";

int TimerOf(JobKind kind) {
  switch (kind) {
    case JobKind::DatabaseWrite:
      return timer::kDbWrite;
    case JobKind::DatabaseClear:
      return timer::kDbClear;
    case JobKind::FactoryDefault:
      return timer::kFactory;
    case JobKind::Configuration:
      return timer::kConfiguration;
    case JobKind::DatabaseRead:
      break;
  }
  return 0;
}

// The backup before an erase as the settings ask for it, beside the write path.
job::BackupBeforeErase WindowBackup(const AppSettings& settings) {
  database::BackupPlan plan;
  plan.policy = job::ParseBackupPolicy(settings.backup).value_or(job::BackupPolicy::Ask);
  plan.directory = std::filesystem::path(settings.write_path).parent_path().string();
  return [plan](job::JobEnvironment& env, protocol::ReaderModel model) {
    return database::BackUpReader(env, model, plan);
  };
}

}  // namespace

bool MainDialog::JobRunning(JobKind kind) const {
  return jobs_.Running(TimerOf(kind));
}

const job::JobResult* MainDialog::LastJobResult(JobKind kind) const {
  if (kind == JobKind::DatabaseRead) return lastRead_ ? &*lastRead_ : nullptr;
  return jobs_.Result(TimerOf(kind));
}

bool MainDialog::AnyJobRunning() const {
  return jobs_.Running(timer::kDbWrite) || jobs_.Running(timer::kDbClear) ||
         jobs_.Running(timer::kFactory) || jobs_.Running(timer::kConfiguration);
}

void MainDialog::StartJob(int timerId, std::shared_ptr<job::StepJob> job, WindowEnvironment& env,
                          bool databaseJob) {
  // One job at a time on the line: a second one's commands would take the first one's
  // replies. The same job's button starts it over.
  if (AnyJobRunning() && !jobs_.Running(timerId)) {
    Message(kJobIsRunning);
    return;
  }
  // The receive poll must not take the bytes of the job's replies.
  StopPoll(host_);
  host_.BeginWaitCursor();
  UpdateData(true);
  if (databaseJob) EnableDatabaseControls(controls_, false);
  EnableReaderButtons(false);
  // Whether the database is occupied may change now: the Test field's answer is stale.
  if (timerId != timer::kConfiguration) fields_.testResult.clear();
  jobs_.Start(timerId, std::move(job), env);
  UpdateData(false);
  host_.EndWaitCursor();
}

void MainDialog::OnJobFinished(int timerId) {
  if (timerId != timer::kFactory && timerId != timer::kConfiguration) {
    EnableDatabaseControls(controls_, true);
  }
  if (!AnyJobRunning()) EnableReaderButtons(true);
  UpdateData(false);
  StartPoll(host_);
}

void MainDialog::OnSoftwareVersion() {
  UpdateData(true);
  std::string version;
  {
    const PollPause pause(host_);
    WindowEnvironment env(*this, {});
    version = job::RequestSoftwareVersion(env, job::VersionEcho::Shown);
  }
  UpdateData(false);
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
  lastCommand_ = TestDatabase(*this);
}
void MainDialog::OnClockDirection() {
  clock_.ToggleDirection(*this);
}
void MainDialog::OnClock() {
  lastCommand_ = clock_.Run(*this);
}
void MainDialog::OnProtocolToggle() {
  ToggleProtocol(*this, typing_);
}
void MainDialog::OnChooseProtocolFile() {
  ChooseProtocolFile(*this);
}

void MainDialog::OnDatabaseRead() {
  if (AnyJobRunning()) {
    Message(kJobIsRunning);
    return;
  }
  host_.BeginWaitCursor();
  UpdateData(true);
  EnableDatabaseControls(controls_, false);
  {
    const PollPause pause(host_);
    const std::string target = settings_.read_path;
    lastRead_ =
        database::ReadJob(tagTable, attributeList, target, settings_.verify != 0).Run(databaseEnv_);
    // The file dialog of a target without a database extension chose another one.
    if (settings_.read_path != target) {
      fields_.readPathDisplay = PathDisplayText(settings_.read_path);
    }
    EnableDatabaseControls(controls_, true);
  }
  UpdateData(false);
  host_.EndWaitCursor();
}
void MainDialog::OnReadPath() {
  ChooseDatabasePath(*this, true);
}
void MainDialog::OnWritePath() {
  ChooseDatabasePath(*this, false);
}

void MainDialog::OnDatabaseWrite() {
  database::WriteOptions options;
  options.verify = settings_.verify != 0;
  options.backup = WindowBackup(settings_);
  StartJob(timer::kDbWrite,
           std::make_shared<database::WriteJob>(tagTable, attributeList, settings_.write_path,
                                                std::move(options)),
           databaseEnv_, true);
}
void MainDialog::OnDatabaseClear() {
  // Erasing cannot be undone: asked first (a backup follows where the settings want one).
  if (!AnyJobRunning() &&
      host_.MessageBox(kClearQuestion, {}, mb::kYesNo | mb::kIconQuestion) != id::kYes) {
    return;
  }
  StartJob(timer::kDbClear, std::make_shared<database::ClearJob>(WindowBackup(settings_)),
           databaseEnv_, true);
}
void MainDialog::OnFactoryDefault() {
  // The attribute clear looks at the tables as the last database load left them.
  auto check = [this](protocol::ReaderModel model) {
    return database::CheckAttributeTables(model, tagTable, attributeList);
  };
  StartJob(timer::kFactory, std::make_shared<reader::FactoryJob>(check, WindowBackup(settings_)),
           factoryEnv_, false);
}
void MainDialog::OnWriteJobTimer() {
  if (jobs_.OnTimer(timer::kDbWrite)) UpdateData(false);
}
void MainDialog::OnClearJobTimer() {
  if (jobs_.OnTimer(timer::kDbClear)) UpdateData(false);
}
void MainDialog::OnFactoryJobTimer() {
  if (jobs_.OnTimer(timer::kFactory)) UpdateData(false);
}
void MainDialog::OnConfigurationJobTimer() {
  if (jobs_.OnTimer(timer::kConfiguration)) UpdateData(false);
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
  ParameterRows::MarkChanged(*this, ctl::kParameterButton);
}
void MainDialog::OnTagTypesSelChange() {
  ParameterRows::MarkChanged(*this, ctl::kTagTypeButton);
}
void MainDialog::OnNumericRowChange() {
  ParameterRows::MarkChanged(*this, ctl::kNumericButton);
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
