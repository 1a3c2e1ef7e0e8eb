// SPDX-License-Identifier: Apache-2.0
#include "app/panels/communication_row.h"

#include "app/control_ids.h"
#include "app/panels/button_command.h"
#include "app/window_environment.h"
#include "reader/communication_control.h"

namespace tagline::app {

namespace {

// clang-format off
constexpr const char* kEstablishText = " Establish Communication ----------------------------------------->                                     -------------->";
constexpr const char* kExitText = " Exit Communication ------------------------------------------------->                                     -------------->";
// clang-format on

}  // namespace

void CommunicationRow::ShowState(ControlModel& controls, bool open) {
  controls.SetText(ctl::kCommLabel, open ? kExitText : kEstablishText);
  controls.SetText(ctl::kXt, open ? reader::kExitCommunication : reader::kEstablishCommunication);
}

void CommunicationRow::Reset(ControlModel& controls) {
  open_ = false;
  ShowState(controls, false);
}

job::CommandResult CommunicationRow::Toggle(WindowContext& window) {
  return Run(window, true, false);
}

job::CommandResult CommunicationRow::Switch(WindowContext& window, bool on) {
  return Run(window, false, on);
}

job::CommandResult CommunicationRow::Run(WindowContext& window, bool buttonPress, bool on) {
  using reader::CommunicationPress;
  std::string& result = window.fields().commResult;
  return RunButtonCommand(window, result, [&](job::CommandResult& outcome) {
    const auto choose = [&](protocol::ReaderModel model) {
      if (!buttonPress) {
        return CommunicationPress{on ? reader::kEstablishCommunication : reader::kExitCommunication,
                                  true};
      }
      if (open_) return CommunicationPress{reader::kExitCommunication, true};
      // A reader that cannot switch is taken into communication without a command of its own.
      return CommunicationPress{reader::kEstablishCommunication,
                                reader::TogglesCommunication(model)};
    };
    WindowEnvironment env(window, {});
    const reader::CommunicationOutcome press = reader::PressCommunication(env, choose, result);
    if (press.open) {
      open_ = *press.open;
      ShowState(window.controls(), open_);
    }
    outcome.ok = press.ok;
  });
}

}  // namespace tagline::app
