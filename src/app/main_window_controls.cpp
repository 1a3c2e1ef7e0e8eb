// SPDX-License-Identifier: Apache-2.0
// The main window's controls: kind, place and initial text of each.
#include "app/control_ids.h"
#include "app/main_dialog.h"

namespace tagline::app {

namespace {

using K = ControlKind;
using A = ControlArea;

struct ControlSpec {
  int id;
  K kind;
  A area;
  int row;
  int column;
  const char* text;
};

// In tab order. Rows and columns place the controls inside their area.
constexpr ControlSpec kControls[] = {
    // Terminal area.
    {ctl::kTerminalFrame, K::Frame, A::Terminal, 0, 0, ""},
    {ctl::kTerminalLabel, K::Label, A::Terminal, 0, 0, "Terminal"},
    {ctl::kToSendLabel, K::Label, A::Terminal, 1, 0, "To Send:"},
    {ctl::kToSend, K::Edit, A::Terminal, 1, 1, ""},
    {ctl::kSend, K::Button, A::Terminal, 1, 2, "Send"},
    {ctl::kSentLabel, K::Label, A::Terminal, 2, 0, "Sent Data:"},
    {ctl::kReceivedLabel, K::Label, A::Terminal, 2, 1, "Received Data:"},
    {ctl::kSent, K::Pane, A::Terminal, 3, 0, ""},
    {ctl::kReceived, K::Pane, A::Terminal, 3, 1, ""},

    // DB group.
    {ctl::kDbTitle, K::GroupTitle, A::Db, 0, 0, "DB"},
    {ctl::kRead, K::Button, A::Db, 1, 0, "Read"},
    {ctl::kReadPath, K::Result, A::Db, 1, 1, ""},
    {ctl::kReadPathButton, K::Button, A::Db, 1, 2, "Path"},
    {ctl::kWrite, K::Button, A::Db, 2, 0, "Write"},
    {ctl::kWritePath, K::Result, A::Db, 2, 1, ""},
    {ctl::kWritePathButton, K::Button, A::Db, 2, 2, "Path"},
    {ctl::kClear, K::Button, A::Db, 3, 0, "Clear"},
    {ctl::kTest, K::Button, A::Db, 3, 1, "Test"},
    {ctl::kTestResult, K::Result, A::Db, 3, 2, ""},
    {ctl::kDatasetLabel, K::Label, A::Db, 4, 0, "Dataset"},
    {ctl::kDataset, K::Result, A::Db, 4, 1, ""},
    {ctl::kProgress, K::Progress, A::Db, 4, 2, ""},

    // CONFIG group: a label, the row's inputs and button, and its result field.
    {ctl::kConfigTitle, K::GroupTitle, A::Config, 0, 0, "CONFIG"},
    {ctl::kCommandLabel, K::Label, A::Config, 1, 0, " Command"},
    {ctl::kSvLabel, K::Label, A::Config, 2, 0, " Software Version"},
    {ctl::kSv, K::Button, A::Config, 2, 3, "SV"},
    {ctl::kSvResult, K::Result, A::Config, 2, 4, ""},
    {ctl::kGtLabel, K::Label, A::Config, 3, 0, " Get Tag"},
    {ctl::kGtOnce, K::Button, A::Config, 3, 3, "GT"},
    {ctl::kGt, K::PushCheck, A::Config, 3, 3, "GT"},
    {ctl::kGtResult, K::Result, A::Config, 3, 4, ""},
    {ctl::kCommLabel, K::Label, A::Config, 4, 0, ""},
    {ctl::kXt, K::Button, A::Config, 4, 3, "XT"},
    {ctl::kCommResult, K::Result, A::Config, 4, 4, ""},
    {ctl::kParameterLabel, K::Label, A::Config, 5, 0, " Parameter"},
    {ctl::kParameterName, K::EditCombo, A::Config, 5, 1, ""},
    {ctl::kParameterValue, K::EditCombo, A::Config, 5, 2, ""},
    {ctl::kParameterButton, K::Button, A::Config, 5, 3, "..."},
    {ctl::kParameterResult, K::Result, A::Config, 5, 4, ""},
    {ctl::kNumericLabel, K::Label, A::Config, 6, 0, " Numeric Parameter"},
    {ctl::kNumericName, K::Combo, A::Config, 6, 1, ""},
    {ctl::kNumericValue, K::Edit, A::Config, 6, 2, ""},
    {ctl::kNumericSpin, K::Spin, A::Config, 6, 2, ""},
    {ctl::kNumericButton, K::Button, A::Config, 6, 3, "..."},
    {ctl::kNumericResult, K::Result, A::Config, 6, 4, ""},
    {ctl::kTagTypeLabel, K::Label, A::Config, 7, 0, " Tag Types"},
    {ctl::kTagTypes, K::CheckListCombo, A::Config, 7, 1, ""},
    {ctl::kTagTypeButton, K::Button, A::Config, 7, 3, "..."},
    {ctl::kTagTypeResult, K::Result, A::Config, 7, 4, ""},
    {ctl::kClockLabel, K::Label, A::Config, 8, 0, " Date / Time"},
    {ctl::kClockDirection, K::Button, A::Config, 8, 2, "read"},
    {ctl::kClockSet, K::Button, A::Config, 8, 3, "..."},
    {ctl::kClockResult, K::Result, A::Config, 8, 4, ""},
    {ctl::kFactoryLabel, K::Label, A::Config, 9, 0, " Factory Default"},
    {ctl::kFactoryDefault, K::Button, A::Config, 9, 3, "..."},
    {ctl::kFactoryResult, K::Result, A::Config, 9, 4, ""},

    // ONLINE group.
    {ctl::kOnlineTitle, K::GroupTitle, A::Online, 0, 0, "ONLINE"},
    {ctl::kKeyboardLabel, K::Label, A::Online, 1, 0, "Keyboard Simulation"},
    {ctl::kKeyboardField, K::Edit, A::Online, 1, 1, ""},
    {ctl::kLogging, K::Button, A::Online, 2, 0, "Log"},
    {ctl::kLogFile, K::Button, A::Online, 2, 1, "..."},
    {ctl::kDoubleCodesLabel, K::Label, A::Online, 3, 0, "Double Codes"},
    {ctl::kDoubleCodes, K::CheckBox, A::Online, 3, 1, ""},

    // Layout helpers.
    {ctl::kGroupFrame, K::Frame, A::None, 0, 0, ""},
    {ctl::kLowerAreaMarker, K::Marker, A::None, 0, 0, ""},
};

}  // namespace

void AddMainWindowControls(ControlModel& controls) {
  for (const ControlSpec& entry : kControls) {
    ControlState state;
    state.id = entry.id;
    state.kind = entry.kind;
    state.area = entry.area;
    state.row = entry.row;
    state.column = entry.column;
    state.text = entry.text;
    state.visible = entry.kind != K::Marker;
    controls.Add(std::move(state));
  }
  // The single-shot "GT" button is replaced by the check box for good.
  controls.Show(ctl::kGtOnce, false);
}

void MainDialog::BuildControls() {
  AddMainWindowControls(controls_);
}

}  // namespace tagline::app
