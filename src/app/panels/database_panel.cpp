// SPDX-License-Identifier: Apache-2.0
#include "app/panels/database_panel.h"

#include "app/control_ids.h"
#include "app/panels/button_command.h"
#include "app/window_environment.h"
#include "database/read_job.h"
#include "reader/communication_control.h"

namespace tagline::app {

job::CommandResult TestDatabase(WindowContext& window) {
  job::CommandResult result;
  DialogFields& fields = window.fields();
  const PollPause pause(window.host());
  EnableDatabaseControls(window.controls(), false);
  window.panes().Clear();
  window.controls().SetProgress(ctl::kProgress, 0);
  fields.datasetCount.clear();
  if (window.reader().open()) {
    result.sent = true;
    window.PushControls();
    WindowEnvironment env(window, {});
    reader::TestDatabase(env, fields.testResult);
  }
  EnableDatabaseControls(window.controls(), true);
  window.PushControls();
  result.text = fields.testResult;
  result.ok = result.sent && !result.text.empty();
  return result;
}

void ChooseDatabasePath(WindowContext& window, bool read) {
  window.PullControls();
  std::string& path = read ? window.settings().read_path : window.settings().write_path;
  // The read saves into its file; the write opens a sheet that is there.
  const database::FileQuestion ask = [&window, read](const job::FileDialogRequest& request) {
    return read ? window.host().SaveFileDialog(request) : window.host().OpenFileDialog(request);
  };
  if (const auto chosen = database::AskDatabasePath(ask, path, read)) path = *chosen;
  if (path.empty()) path = database::DefaultDatabasePath(read);
  if (read && !database::HasDatabaseExtension(path)) path += ".xml";
  (read ? window.fields().readPathDisplay : window.fields().writePathDisplay) =
      PathDisplayText(path);
  window.PushControls();
}

}  // namespace tagline::app
