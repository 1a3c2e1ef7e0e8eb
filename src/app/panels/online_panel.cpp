// SPDX-License-Identifier: Apache-2.0
#include "app/panels/online_panel.h"

#include "app/control_ids.h"

namespace tagline::app {

void ToggleProtocol(WindowContext& window, codes::OnlineTyping& typing) {
  window.PullControls();
  const bool enabled = !typing.protocolEnabled();
  typing.SetProtocolEnabled(enabled);
  window.controls().SetImage(ctl::kLogging, enabled ? kLoggingBitmapOn : kLoggingBitmapOff);
  window.controls().Enable(ctl::kLogFile, !enabled);
  window.PushControls();
}

void ChooseProtocolFile(WindowContext& window) {
  window.PullControls();
  std::string& path = window.settings().keyboard_sim_prot_path;
  FileDialogRequest request;
  request.title = "Keyboard simulation protocol file";
  request.initialPath = path;
  request.defaultExtension = "csv";
  request.filters = {{"Comma Separated Values (*.csv)", "*.csv"}, {"Alle (*.*)", "*.*"}};
  if (const auto chosen = window.host().SaveFileDialog(request)) path = *chosen;
  if (path.empty()) path = codes::OnlineTyping::DefaultProtocolPath();
  window.PushControls();
}

}  // namespace tagline::app
