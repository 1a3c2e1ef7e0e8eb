// SPDX-License-Identifier: Apache-2.0
#include "app/main_dialog.h"

#include <algorithm>

#include "app/control_ids.h"
#include "app/panels/button_command.h"
#include "app/panels/online_panel.h"
#include "app/settings_path.h"
#include "platform/local_time.h"
#include "reader/tag_type_masks.h"

namespace tagline::app {

namespace {

constexpr std::uint32_t kStartupTimerMs = 500;
constexpr int kPollsBetweenReconnectTries = 2;

}  // namespace

MainDialog::MainDialog(Host& host, MainDialogOptions options)
    : host_(host),
      options_(std::move(options)),
      link_(port_),
      protocol_(link_),
      terminal_(link_),
      localClock_(platform::LocalNow),
      databaseEnv_(*this, {}),
      factoryEnv_(*this, {ctl::kFactoryDefault, &DialogFields::factoryResult}),
      onlineEnv_(*this, {}),
      configurationEnv_(*this, {}),
      jobs_(*this) {
  port_.SetMessageSink([this](const std::string& text) { Message(text); });
  link_.AddObserver(terminal_.panes);
  terminal_.SetOnlineFrameHandler([this](codes::FrameEnd end) { ProcessOnlineFrame(end); });
  typing_.SetBeforeKey([this] { controls_.SetFocus(ctl::kKeyboardField); });
  typing_.SetTypingAllowed([this] { return !host_.OwnPopupOpen(); });
  jobs_.SetFinished([this](int timerId) { OnJobFinished(timerId); });
  BuildControls();
}

void MainDialog::ProcessOnlineFrame(codes::FrameEnd end) {
  typing_.ProcessFrame(onlineEnv_, terminal_.online, end, fields_.doubleCodes);
}

MainDialog::~MainDialog() {
  OnDestroy();
}

void MainDialog::Message(const std::string& text, unsigned type, const std::string& caption) {
  host_.MessageBox(text, caption, type);
}

// ---------------------------------------------------------------------------------------
// Dialog-data exchange

struct MainDialog::DataBinding {
  int id;
  std::string* text;
  bool* check;
};

std::vector<MainDialog::DataBinding> MainDialog::DataBindings() {
  return {
      {ctl::kToSend, &terminal_.panes.sendText, nullptr},
      {ctl::kReceived, &terminal_.panes.received, nullptr},
      {ctl::kSent, &terminal_.panes.sent, nullptr},
      {ctl::kReadPath, &fields_.readPathDisplay, nullptr},
      {ctl::kWritePath, &fields_.writePathDisplay, nullptr},
      {ctl::kGt, nullptr, &fields_.continuousRead},
      {ctl::kTestResult, &fields_.testResult, nullptr},
      {ctl::kParameterResult, &fields_.parameterResult, nullptr},
      {ctl::kNumericResult, &fields_.numericResult, nullptr},
      {ctl::kTagTypeResult, &fields_.tagTypeResult, nullptr},
      {ctl::kNumericValue, &fields_.numericValue, nullptr},
      {ctl::kDoubleCodes, nullptr, &fields_.doubleCodes},
      {ctl::kParameterName, &fields_.parameterName, nullptr},
      {ctl::kParameterValue, &fields_.parameterValue, nullptr},
      {ctl::kDataset, &fields_.datasetCount, nullptr},
      {ctl::kSvResult, &fields_.svResult, nullptr},
      {ctl::kGtResult, &fields_.gtResult, nullptr},
      {ctl::kCommResult, &fields_.commResult, nullptr},
      {ctl::kFactoryResult, &fields_.factoryResult, nullptr},
      {ctl::kClockResult, &fields_.clockResult, nullptr},
  };
}

void MainDialog::UpdateData(bool saveAndValidate) {
  for (const DataBinding& b : DataBindings()) {
    if (saveAndValidate) {
      if (b.text) *b.text = controls_.at(b.id).text;
      if (b.check) *b.check = controls_.at(b.id).checked;
    } else {
      if (b.text) controls_.SetText(b.id, *b.text);
      if (b.check) controls_.SetChecked(b.id, *b.check);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Message map

struct MainDialog::MessageEntry {
  enum class Kind { Command, Registered, SysCommand, Timer };
  Kind kind;
  int id;            // control, menu, system-menu or timer identifier
  int code;          // notification code for commands
  const char* name;  // registered message name
  void (MainDialog::*handler)();
};

const std::vector<MainDialog::MessageEntry>& MainDialog::MessageMap() {
  using K = MessageEntry::Kind;
  static const std::vector<MessageEntry> map = {
      {K::Command, ctl::kSend, notify::kClicked, nullptr, &MainDialog::OnSend},
      {K::Registered, 0, 0, kEditCompleteMessage, &MainDialog::OnEditComplete},
      {K::Registered, 0, 0, kEdit2CompleteMessage, &MainDialog::OnEdit2Complete},
      {K::Command, ctl::kRead, notify::kClicked, nullptr, &MainDialog::OnDatabaseRead},
      {K::Command, ctl::kReadPathButton, notify::kClicked, nullptr, &MainDialog::OnReadPath},
      {K::Command, ctl::kWrite, notify::kClicked, nullptr, &MainDialog::OnDatabaseWrite},
      {K::Command, ctl::kWritePathButton, notify::kClicked, nullptr, &MainDialog::OnWritePath},
      {K::Command, ctl::kClear, notify::kClicked, nullptr, &MainDialog::OnDatabaseClear},
      {K::Command, ctl::kSv, notify::kClicked, nullptr, &MainDialog::OnSoftwareVersion},
      {K::Command, ctl::kGtOnce, notify::kClicked, nullptr, &MainDialog::OnGetTag},
      {K::Command, ctl::kGt, notify::kClicked, nullptr, &MainDialog::OnContinuousRead},
      {K::Command, ctl::kXt, notify::kClicked, nullptr, &MainDialog::OnCommunicationControl},
      {K::Command, ctl::kTest, notify::kClicked, nullptr, &MainDialog::OnDatabaseTest},
      {K::Command, ctl::kClockDirection, notify::kClicked, nullptr, &MainDialog::OnClockDirection},
      {K::Command, ctl::kClockSet, notify::kClicked, nullptr, &MainDialog::OnClock},

      {K::Command, ctl::kFactoryDefault, notify::kClicked, nullptr, &MainDialog::OnFactoryDefault},
      {K::Command, ctl::kParameterName, notify::kDropDown, nullptr,
       &MainDialog::OnParameterNameDropDown},
      {K::Command, ctl::kParameterName, notify::kSelChange, nullptr,
       &MainDialog::OnParameterNameSelChange},
      {K::Command, ctl::kParameterName, notify::kKillFocus, nullptr,
       &MainDialog::OnParameterNameKillFocus},
      {K::Command, ctl::kParameterValue, notify::kSelChange, nullptr,
       &MainDialog::OnParameterValueSelChange},
      {K::Command, ctl::kNumericName, notify::kDropDown, nullptr,
       &MainDialog::OnNumericNameDropDown},
      {K::Command, ctl::kNumericName, notify::kSelChange, nullptr, &MainDialog::OnNumericRowChange},
      {K::Command, ctl::kNumericValue, notify::kEditChange, nullptr,
       &MainDialog::OnNumericRowChange},
      {K::Command, ctl::kTagTypes, notify::kSetFocus, nullptr, &MainDialog::OnTagTypesSetFocus},
      {K::Command, ctl::kTagTypes, notify::kSelChange, nullptr, &MainDialog::OnTagTypesSelChange},
      {K::Command, ctl::kParameterButton, notify::kClicked, nullptr,
       &MainDialog::OnSelectionButton},
      {K::Command, ctl::kNumericButton, notify::kClicked, nullptr, &MainDialog::OnNumericButton},
      {K::Command, ctl::kTagTypeButton, notify::kClicked, nullptr, &MainDialog::OnTagTypeButton},
      {K::Command, ctl::kLogging, notify::kClicked, nullptr, &MainDialog::OnProtocolToggle},
      {K::Command, ctl::kLogFile, notify::kClicked, nullptr, &MainDialog::OnChooseProtocolFile},
      {K::Command, menu::kEditClear, notify::kClicked, nullptr, &MainDialog::OnEditClear},
      {K::Command, menu::kPort, notify::kClicked, nullptr, &MainDialog::OnPortSettings},
      {K::Command, menu::kDeviceManager, notify::kClicked, nullptr, &MainDialog::OnDeviceManager},
      {K::Command, menu::kRecordTrace, notify::kClicked, nullptr, &MainDialog::OnRecordTrace},
      {K::Command, menu::kHexView, notify::kClicked, nullptr, &MainDialog::OnHexView},
      {K::Command, menu::kPaneTimestamps, notify::kClicked, nullptr, &MainDialog::OnPaneTimestamps},
      {K::Command, menu::kSaveConfiguration, notify::kClicked, nullptr,
       &MainDialog::OnSaveConfiguration},
      {K::Command, menu::kApplyConfiguration, notify::kClicked, nullptr,
       &MainDialog::OnApplyConfiguration},
      {K::Command, menu::kDb, notify::kClicked, nullptr, &MainDialog::OnMenuDb},
      {K::Command, menu::kConfig, notify::kClicked, nullptr, &MainDialog::OnMenuConfig},
      {K::Command, menu::kOnline, notify::kClicked, nullptr, &MainDialog::OnMenuOnline},
      {K::Command, menu::kInfo, notify::kClicked, nullptr, &MainDialog::OnAbout},
      {K::Command, menu::kQuit, notify::kClicked, nullptr, &MainDialog::OnClose},
      {K::Command, ctl::kOk, notify::kClicked, nullptr, &MainDialog::OnOK},
      {K::Command, ctl::kCancel, notify::kClicked, nullptr, &MainDialog::OnCancel},
      // Timer identifiers are tested in this order.
      {K::Timer, timer::kPoll, 0, nullptr, &MainDialog::OnPollTimer},
      {K::Timer, timer::kGetTag, 0, nullptr, &MainDialog::OnGetTagTimer},

      {K::Timer, timer::kStartup, 0, nullptr, &MainDialog::OnStartupTimer},
      {K::Timer, timer::kFactory, 0, nullptr, &MainDialog::OnFactoryJobTimer},
      {K::Timer, timer::kConfiguration, 0, nullptr, &MainDialog::OnConfigurationJobTimer},
      {K::Timer, timer::kDbClear, 0, nullptr, &MainDialog::OnClearJobTimer},
      {K::Timer, timer::kDbWrite, 0, nullptr, &MainDialog::OnWriteJobTimer},
  };
  return map;
}

bool MainDialog::OnCommand(int id, int code) {
  if (ended_) return false;
  // One job on the line at a time: a button's commands would take the job's replies.
  if (code == notify::kClicked && AnyJobRunning() &&
      std::find(std::begin(ctl::kReaderButtons), std::end(ctl::kReaderButtons), id) !=
          std::end(ctl::kReaderButtons)) {
    Message(kJobIsRunning);
    return true;
  }
  for (const MessageEntry& e : MessageMap()) {
    if (e.kind == MessageEntry::Kind::Command && e.id == id && e.code == code) {
      (this->*e.handler)();
      return true;
    }
  }
  return false;
}

bool MainDialog::OnRegisteredMessage(std::string_view name, int /*controlId*/) {
  if (ended_) return false;
  for (const MessageEntry& e : MessageMap()) {
    if (e.kind == MessageEntry::Kind::Registered && name == e.name) {
      (this->*e.handler)();
      return true;
    }
  }
  return false;
}

bool MainDialog::OnSysCommand(int id) {
  if (ended_) return false;
  // The window's own entry is 16; the low four bits of a system command are the system's.
  if (id >= menu::kSystemAbout && id <= menu::kSystemAbout + 15) {
    OnAbout();
    return true;
  }
  return false;
}

void MainDialog::OnTimer(int id) {
  if (ended_) return;
  UpdateData(true);
  for (const MessageEntry& e : MessageMap()) {
    if (e.kind == MessageEntry::Kind::Timer && e.id == id) (this->*e.handler)();
  }
}

// ---------------------------------------------------------------------------------------
// Start-up and end

void MainDialog::OnInitDialog() {
  // 1. Settings.
  if (!options_.iniPath.empty()) {
    settingsPath_ = options_.iniPath;
  } else {
    const auto path = BuildSettingsPath();
    if (path.ok()) {
      settingsPath_ = *path.value;
    } else {
      Message(path.error + "\nThe settings are neither read nor saved in this run.",
              mb::kIconExclamation);
    }
  }
  if (!settingsPath_.empty()) settings_ = LoadSettings(settingsPath_);

  // 2. Timer 6 puts the logging button's picture in place.
  host_.SetTimer(timer::kStartup, kStartupTimerMs);

  // 3. Show the loaded values.
  terminal_.panes.sendText = settings_.send;
  fields_.doubleCodes = settings_.double_codes;
  fields_.readPathDisplay = PathDisplayText(settings_.read_path);
  fields_.writePathDisplay = PathDisplayText(settings_.write_path);
  UpdateData(false);

  // 5. and 6. The port and the receive poll.
  OpenPortAtStart();
  StartPoll(host_);

  // 7. and 8. One group at a time, the one shown at the last exit.
  LayOutLowerArea();
  ShowStartGroup();

  // 9. The tag types of the algorithm row: the full list until the row takes the focus and
  // keeps the connected model's names.
  const auto tagTypes = reader::TagTypeNameOrder();
  controls_.SetItems(ctl::kTagTypes, std::vector<std::string>(tagTypes.begin(), tagTypes.end()));
  // 10. to 12.
  EnableControls();
  ColourConfigRows();
  communication_.Reset(controls_);
}

void MainDialog::OpenPortAtStart() {
  link_.SetOpen(false);
  std::string name = settings_.port;
  auto baud = static_cast<std::uint32_t>(settings_.baudrate);
  auto bits = static_cast<std::uint8_t>(settings_.databits);
  if (options_.portOverride) {
    name = *options_.portOverride;
    // A first run has no line values yet; the run's own port takes the port defaults.
    if (baud == 0) baud = port_.dcb().BaudRate;
    if (bits == 0) bits = port_.dcb().ByteSize;
  }
  port_.SetSettings(name, baud, bits, settings_.parity, settings_.stopbits, settings_.CTS,
                    settings_.RTS);
  if (port_.Open()) {
    link_.SetOpen(true);
  } else {
    Message("error on open com port", mb::kOk | mb::kIconHand, "open com port error");
  }
}

bool MainDialog::MayEnd() {
  if (!AnyJobRunning()) return true;
  return host_.MessageBox(
             "A job is still using the reader. Close the window all the same? The job stops "
             "where it is, and the reader may hold only part of what it was to get.",
             {}, mb::kYesNo | mb::kIconQuestion) == id::kYes;
}

void MainDialog::OnClose() {
  if (ended_ || !MayEnd()) return;
  port_.Close();
  ended_ = true;
  host_.EndDialog(id::kCancel);
  OnDestroy();
}

// Enter on a field without its own Enter, and Esc (after closing a drop-down, say), are
// keystrokes of someone at work, not a request to end the program: only the close box,
// the system menu and Quit end it.
void MainDialog::OnOK() {}

void MainDialog::OnCancel() {}

void MainDialog::OnDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  ended_ = true;
  UpdateData(true);
  settings_.send = terminal_.panes.sendText;
  settings_.double_codes = fields_.doubleCodes;
  settings_.db = dbMode;
  settings_.config = configMode;
  settings_.online = onlineMode;
  if (options_.saveSettings && !settingsPath_.empty() && !SaveSettings(settings_, settingsPath_)) {
    Message("The settings could not be saved to " + settingsPath_, mb::kIconExclamation);
  }
}

// ---------------------------------------------------------------------------------------
// Terminal and menu handlers

void MainDialog::OnSend() {
  UpdateData(true);
  terminal_.OnSend(settings_.protocol);
  UpdateData(false);
}

void MainDialog::OnEditComplete() {
  host_.SelectAllText(ctl::kToSend);
  OnSend();
}

void MainDialog::OnEdit2Complete() {
  host_.SelectAllText(ctl::kKeyboardField);
}

void MainDialog::OnEditClear() {
  UpdateData(true);
  terminal_.panes.Clear();
  UpdateData(false);
}

void MainDialog::OnPollTimer() {
  if (!link_.open()) {
    // A lost port is looked for again every other tick of the poll, twice a second.
    if (++pollsSinceReconnectTry_ < kPollsBetweenReconnectTries) return;
    pollsSinceReconnectTry_ = 0;
    if (ReconnectLostPort()) {
      UpdateData(false);
      host_.ScrollToEnd(ctl::kReceived);
    }
    return;
  }
  if (terminal_.PollReceive(onlineMode)) {
    UpdateData(false);
    host_.ScrollToEnd(ctl::kReceived);
  }
}

void MainDialog::OnStartupTimer() {
  host_.KillTimer(timer::kStartup);
  controls_.SetImage(ctl::kLogging, kLoggingBitmapOff);
}

}  // namespace tagline::app
