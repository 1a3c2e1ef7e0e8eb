// SPDX-License-Identifier: Apache-2.0
// Save / Apply Reader Configuration: the profile jobs of the command line, started from the
// window's menu on the configuration timer.
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "platform/home_directory.h"
#include "reader/config_job.h"

namespace tagline::app {

namespace {

FileDialogRequest ProfileRequest(const char* title) {
  FileDialogRequest request;
  request.title = title;
  request.initialPath = platform::DefaultFilePath("reader.profile");
  request.defaultExtension = "profile";
  request.filters = {{"Reader Configuration (*.profile)", "*.profile"}, {"All Files (*.*)", "*.*"}};
  return request;
}

}  // namespace

void MainDialog::OnSaveConfiguration() {
  const auto path = host_.SaveFileDialog(ProfileRequest("Save reader configuration into"));
  if (!path || path->empty()) return;  // cancelled
  StartJob(timer::kConfiguration,
           std::make_shared<reader::ConfigJob>(reader::ConfigJob::Save(*path)), configurationEnv_,
           false);
}

void MainDialog::OnApplyConfiguration() {
  const auto path = host_.OpenFileDialog(ProfileRequest("Apply reader configuration from"));
  if (!path || path->empty()) return;  // cancelled
  reader::ProfileParse parse = reader::LoadProfileFile(*path);
  if (!parse.profile) {
    Message(*path + (parse.error.starts_with("line ") ? ", " : " ") + parse.error +
                ".\r\nNothing was written.",
            mb::kOk | mb::kIconExclamation);
    return;
  }
  StartJob(
      timer::kConfiguration,
      std::make_shared<reader::ConfigJob>(reader::ConfigMode::Apply, std::move(*parse.profile)),
      configurationEnv_, false);
}

}  // namespace tagline::app
