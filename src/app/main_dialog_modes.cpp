// SPDX-License-Identifier: Apache-2.0
// The lower area of the main window: one control group at a time, chosen from the menu;
// and the menu's windows (the device manager, the About box).
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "platform/device_manager.h"

namespace tagline::app {

namespace {

constexpr const char* kSetPcMode = "Set reader to Database/PC Mode";
constexpr const char* kAbortPcMode = "Abort Database/PC Mode of reader";

constexpr std::uint32_t kCommandRowRed = Rgb(197, 56, 48);
constexpr std::uint32_t kWhite = Rgb(255, 255, 255);
constexpr std::uint32_t kGrey = Rgb(156, 156, 156);
// The rows' own backgrounds take texts of their own: the theme's text colour (light on a
// dark theme) would vanish on them.
constexpr std::uint32_t kBlack = Rgb(0, 0, 0);

// The controls of the terminal area that the ONLINE mode without terminal hides.
constexpr int kTerminalControls[] = {ctl::kTerminalFrame, ctl::kToSendLabel,   ctl::kTerminalLabel,
                                     ctl::kSentLabel,     ctl::kReceivedLabel, ctl::kToSend,
                                     ctl::kSend,          ctl::kReceived,      ctl::kSent};

constexpr int kOnlineControls[] = {ctl::kOnlineTitle, ctl::kKeyboardLabel, ctl::kKeyboardField,
                                   ctl::kLogging,     ctl::kLogFile,       ctl::kDoubleCodesLabel,
                                   ctl::kDoubleCodes};

constexpr int kEnabledControls[] = {ctl::kToSend,
                                    ctl::kSend,
                                    ctl::kRead,
                                    ctl::kReadPathButton,
                                    ctl::kWrite,
                                    ctl::kWritePathButton,
                                    ctl::kClear,
                                    ctl::kTest,
                                    ctl::kSv,
                                    ctl::kGtOnce,
                                    ctl::kGt,
                                    ctl::kXt,
                                    ctl::kParameterName,
                                    ctl::kParameterValue,
                                    ctl::kParameterButton,
                                    ctl::kTagTypes,
                                    ctl::kTagTypeButton,
                                    ctl::kNumericName,
                                    ctl::kNumericValue,
                                    ctl::kNumericSpin,
                                    ctl::kNumericButton,
                                    ctl::kClockDirection,
                                    ctl::kClockSet,
                                    ctl::kDoubleCodes,
                                    ctl::kKeyboardField,
                                    ctl::kLogging,
                                    ctl::kLogFile};

// CONFIG rows below the command row: label, inputs and result field, coloured in turn.
constexpr int kConfigRows[][4] = {
    {ctl::kSvLabel, ctl::kSvResult, 0, 0},
    {ctl::kGtLabel, ctl::kGtResult, 0, 0},
    {ctl::kCommLabel, ctl::kCommResult, 0, 0},
    {ctl::kParameterLabel, ctl::kParameterName, ctl::kParameterValue, ctl::kParameterResult},
    {ctl::kNumericLabel, ctl::kNumericName, ctl::kNumericResult, 0},
    {ctl::kTagTypeLabel, ctl::kTagTypes, ctl::kTagTypeResult, 0},
    {ctl::kClockLabel, 0, 0, 0},
    {ctl::kFactoryLabel, ctl::kFactoryResult, 0, 0},
};

}  // namespace

void MainDialog::ShowArea(ControlArea area, bool visible) {
  for (const int id : controls_.ids()) {
    if (controls_.at(id).area != area || id == ctl::kGtOnce) continue;
    controls_.Show(id, visible);
  }
  if (area != ControlArea::Terminal) controls_.Show(ctl::kGroupFrame, visible);
}

void MainDialog::Collapse() {
  controls_.Show(ctl::kGroupFrame, false);
  ShowArea(ControlArea::Db, false);
  ShowArea(ControlArea::Config, false);
  ShowArea(ControlArea::Online, false);
}

void MainDialog::LayOutLowerArea() {
  // The view places the three groups at one spot below the terminal; here they are hidden.
  Collapse();
}

void MainDialog::ShowTerminal(bool visible) {
  for (const int id : kTerminalControls) controls_.Show(id, visible);
}

void MainDialog::ShowStartGroup() {
  dbMode = configMode = onlineMode = 0;
  const StartMode start = ChooseStartMode(settings_.db, settings_.config, settings_.online);
  if (start.db != 0) {
    ShowArea(ControlArea::Db, true);
    dbMode = 1;
  } else if (start.config != 0) {
    ShowArea(ControlArea::Config, true);
    configMode = 1;
  } else if (start.online >= 1) {
    ShowArea(ControlArea::Online, true);
    onlineMode = 1;
    if (start.online == 2) {
      ShowTerminal(false);
      onlineMode = 2;
    }
    controls_.SetFocus(ctl::kKeyboardField);
  }
}

void MainDialog::EnableControls() {
  for (const int id : kEnabledControls) controls_.Enable(id, true);
  controls_.Enable(ctl::kFactoryDefault, FactoryDefaultAllowed(settings_.code));
  // A group switch during a job shows its buttons, but not for use.
  if (AnyJobRunning()) EnableReaderButtons(false);
}

void MainDialog::EnableReaderButtons(bool enable) {
  for (const int id : ctl::kReaderButtons) controls_.Enable(id, enable);
  if (enable) controls_.Enable(ctl::kFactoryDefault, FactoryDefaultAllowed(settings_.code));
}

void MainDialog::ColourConfigRows() {
  controls_.SetColors(ctl::kCommandLabel, kWhite, kCommandRowRed);
  bool white = true;
  for (const auto& row : kConfigRows) {
    for (const int id : row) {
      if (id != 0) controls_.SetColors(id, kBlack, white ? kWhite : kGrey);
    }
    white = !white;
  }
}

// "DB" and "Config" from the menu: the same switch with the roles of the two groups
// exchanged.
void MainDialog::SwitchPcGroup(ControlArea area, int& mode, int& otherMode) {
  if (mode != 0) {
    Message(kAbortPcMode);
    Collapse();
    mode = 0;
  } else {
    if (otherMode != 0) {
      Collapse();
    } else {
      Message(kSetPcMode);
    }
    if (onlineMode == 1) Collapse();
    if (onlineMode == 2) {
      ShowTerminal(true);
      Collapse();
    }
    ShowArea(area, true);
    mode = 1;
  }
  otherMode = 0;
  onlineMode = 0;
  EnableControls();
}

void MainDialog::OnMenuDb() {
  SwitchPcGroup(ControlArea::Db, dbMode, configMode);
}

void MainDialog::OnMenuConfig() {
  SwitchPcGroup(ControlArea::Config, configMode, dbMode);
}

void MainDialog::OnMenuOnline() {
  if (onlineMode == 1) {
    ShowTerminal(false);
    for (const int id : kOnlineControls) controls_.Show(id, true);
    controls_.Enable(ctl::kDoubleCodes, false);
    onlineMode = 2;
    dbMode = configMode = 0;
    controls_.SetFocus(ctl::kKeyboardField);
  } else if (onlineMode == 2) {
    ShowTerminal(true);
    controls_.Enable(ctl::kDoubleCodes, true);
    Collapse();
    dbMode = configMode = onlineMode = 0;
  } else {
    if (dbMode != 0 || configMode != 0) {
      Message(kAbortPcMode);
      Collapse();
    }
    ShowArea(ControlArea::Online, true);
    onlineMode = 1;
    dbMode = configMode = 0;
    controls_.SetFocus(ctl::kKeyboardField);
  }
  EnableControls();
}

void MainDialog::OnAbout() {
  // Modal, and nothing is stopped for it: the poll and any running job go on behind it.
  host_.ShowAboutBox();
}

void MainDialog::OnDeviceManager() {
  const platform::DeviceManagerView view = platform::DeviceManager();
  if (!view.shellTarget.empty()) {
    host_.ShellOpen(view.shellTarget, "");
  } else {
    host_.ShowPortInformation(view.portInformation);
  }
}

}  // namespace tagline::app
