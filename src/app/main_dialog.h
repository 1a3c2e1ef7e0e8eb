// SPDX-License-Identifier: Apache-2.0
// The main window's controller: the state of the run, the message map, the dialog-data
// exchange with the controls, and short handlers that hand each command to the panel or
// job that carries it out. It knows no toolkit; it talks to the outside through a Host,
// its panels reach it through the WindowContext it implements, and its jobs through the
// WindowEnvironment of their row.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/control_model.h"
#include "app/host.h"
#include "app/panels/clock_row.h"
#include "app/panels/communication_row.h"
#include "app/panels/get_tag_row.h"
#include "app/panels/parameter_rows.h"
#include "app/settings_file.h"
#include "app/terminal.h"
#include "app/window_context.h"
#include "app/window_environment.h"
#include "codes/online_typing.h"
#include "database/tag_table.h"
#include "job/job_result.h"
#include "job/job_runner.h"
#include "platform/keyboard.h"
#include "protocol/reader_protocol.h"
#include "serial/reader_link.h"
#include "serial/serial_port.h"
#include "serial/trace_writer.h"

namespace tagline::app {

using job::CommandResult;
using job::JobResult;

// Notification codes of the controls, as Win32 numbers them.
namespace notify {
inline constexpr int kClicked = 0;         // BN_CLICKED
inline constexpr int kSelChange = 1;       // CBN_SELCHANGE
inline constexpr int kSetFocus = 3;        // CBN_SETFOCUS
inline constexpr int kKillFocus = 4;       // CBN_KILLFOCUS
inline constexpr int kDropDown = 7;        // CBN_DROPDOWN
inline constexpr int kEditChange = 0x300;  // EN_CHANGE
inline constexpr int kDeltaPos = -722;     // UDN_DELTAPOS
}  // namespace notify

struct MainDialogOptions {
  std::string iniPath;                      // empty: the current directory's settings file
  std::optional<std::string> portOverride;  // this run's port; the saved port stays
  bool saveSettings = true;                 // false: a run that leaves the file as it is
};

// The jobs and commands whose results the controller keeps for its drivers.
inline constexpr const char* kJobIsRunning =
    "Another job is using the reader. Start this one when it has ended.";

enum class JobKind { DatabaseRead, DatabaseWrite, DatabaseClear, FactoryDefault, Configuration };

class MainDialog : public WindowContext, private job::JobTimers {
 public:
  explicit MainDialog(Host& host, MainDialogOptions options = {});
  ~MainDialog() override;
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  // Window lifecycle.
  void OnInitDialog();
  void OnClose();    // close box / system menu: the port is closed first
  void OnOK();       // Enter on a control without its own Enter handling
  void OnCancel();   // Esc
  void OnDestroy();  // saves the settings; runs once however the window ends
  bool ended() const { return ended_; }

  // Message map entry points; false when nothing handles the message.
  bool OnCommand(int id, int code = notify::kClicked);
  bool OnRegisteredMessage(std::string_view name, int controlId);
  bool OnSysCommand(int id);
  // UDN_DELTAPOS of an up-down control: iDelta <= 0 is the up arrow.
  bool OnDeltaPos(int id, int iDelta);
  void OnTimer(int id);

  // Dialog-data exchange: true pulls the controls into the members, false pushes.
  void UpdateData(bool saveAndValidate);

  // Handlers of the window itself.
  void OnSend();
  void OnEditComplete();
  void OnEdit2Complete();
  void OnEditClear();
  void OnMenuDb();
  void OnMenuConfig();
  void OnMenuOnline();
  void OnDeviceManager();
  // View > Record Trace: starts recording the line into a file, or stops it.
  void OnRecordTrace();
  // Save / Apply Reader Configuration: a profile of the reader's parameters saved into a
  // file, or one applied to the reader and read back, with the job's summary.
  void OnSaveConfiguration();
  void OnApplyConfiguration();
  void OnConfigurationJobTimer();
  void OnHexView();
  void OnPaneTimestamps();
  bool recordingTrace() const { return trace_ != nullptr; }
  // Settings > Port: the settings dialog, and the port reopened when the line changed.
  void OnPortSettings();
  // ? > Info and the system menu's entry: the About box.
  void OnAbout();
  void EnableControls();

  // ONLINE mode: one received code, ended by ETX or CR, taken out of the frame buffer.
  void ProcessOnlineFrame(codes::FrameEnd end);
  // Where key presses of the ONLINE mode go.
  void SetKeyboard(std::unique_ptr<platform::Keyboard> keyboard) {
    typing_.SetKeyboard(std::move(keyboard));
  }
  // Who hears of typed characters the protocol file did not take (the window says nothing).
  void SetProtocolFailure(codes::OnlineTyping::ProtocolFailure failure) {
    typing_.SetProtocolFailure(std::move(failure));
  }
  // Where the window takes the local time from (time stamps, the reader's clock).
  void SetLocalClock(std::function<std::tm()> clock) { localClock_ = std::move(clock); }

  // Results for the drivers: the last run of each job and of the command buttons.
  bool JobRunning(JobKind kind) const;
  const job::JobResult* LastJobResult(JobKind kind) const;
  const job::CommandResult& LastCommandResult() const { return lastCommand_; }
  // One named half of the XT button ("s22400" on, "XT" off), sent whatever the row shows.
  void SwitchCommunication(bool on) { lastCommand_ = communication_.Switch(*this, on); }

  // WindowContext.
  protocol::ReaderProtocol& reader() override { return protocol_; }
  Panes& panes() override { return terminal_.panes; }
  ControlModel& controls() override { return controls_; }
  DialogFields& fields() override { return fields_; }
  AppSettings& settings() override { return settings_; }
  Host& host() override { return host_; }
  void PullControls() override { UpdateData(true); }
  void PushControls() override { UpdateData(false); }
  void Message(const std::string& text, unsigned type = mb::kOk,
               const std::string& caption = {}) override;
  std::tm LocalTime() override { return localClock_(); }
  std::optional<protocol::ReaderModel> lastJobModel() const override { return lastJobModel_; }
  void SetLastJobModel(std::optional<protocol::ReaderModel> model) override {
    lastJobModel_ = model;
  }

  // State.
  const ControlModel& controls() const { return controls_; }
  const DialogFields& fields() const { return fields_; }
  const std::string& settingsPath() const { return settingsPath_; }
  serial::SerialPort& port() { return port_; }
  serial::ReaderLink& link() { return link_; }
  Terminal& terminal() { return terminal_; }
  int portOpen() const { return link_.open() ? 1 : 0; }
  // Opens a port that was lost again under its name, with the settings it had (a USB
  // adapter plugged back), and says so in the received pane. Not while a job runs: a job
  // that lost its line ends as it is. True when the port is open.
  bool ReconnectLostPort();

  int dbMode = 0;
  int configMode = 0;
  int onlineMode = 0;
  // The reader's tag database in memory: filled by the read and write jobs.
  database::TagTable tagTable;
  database::AttributeList attributeList;

 private:
  struct DataBinding;
  struct MessageEntry;
  static const std::vector<MessageEntry>& MessageMap();
  std::vector<DataBinding> DataBindings();

  void BuildControls();
  void OpenPortAtStart();
  void LayOutLowerArea();
  void ShowStartGroup();
  void Collapse();
  void ShowArea(ControlArea area, bool visible);
  void ShowTerminal(bool visible);
  void SwitchPcGroup(ControlArea area, int& mode, int& otherMode);
  void ColourConfigRows();

  // The step-wise jobs: started with the window's part of their start done, ended with it.
  void StartJob(int timerId, std::shared_ptr<job::StepJob> job, WindowEnvironment& env,
                bool databaseJob);
  void OnJobFinished(int timerId);
  bool AnyJobRunning() const;
  // The reader buttons on or off; the factory default only where the access code allows.
  void EnableReaderButtons(bool enable);
  // The link's lost reads when the port was last opened: more, and the port was lost.
  int lostReadsAtOpen_ = 0;
  int pollsSinceReconnectTry_ = 0;
  // Whether the window may end now: asked while a job runs.
  bool MayEnd();
  // JobTimers: the jobs' timers are window timers.
  void SetTimer(int id, std::uint32_t periodMs) override { host_.SetTimer(id, periodMs); }
  void KillTimer(int id) override { host_.KillTimer(id); }

  // Command handlers: each hands its work on.
  void OnSoftwareVersion();
  void OnGetTag();
  void OnContinuousRead();
  void OnCommunicationControl();
  void OnDatabaseTest();
  void OnClockDirection();
  void OnClock();
  void OnProtocolToggle();
  void OnChooseProtocolFile();
  void OnDatabaseRead();
  void OnReadPath();
  void OnWritePath();
  void OnDatabaseWrite();
  void OnDatabaseClear();
  void OnFactoryDefault();
  void OnParameterNameDropDown();
  void OnNumericNameDropDown();
  void OnTagTypesSetFocus();
  void OnParameterNameKillFocus();
  void OnParameterNameSelChange();
  void OnParameterValueSelChange();
  void OnTagTypesSelChange();
  void OnNumericRowChange();
  void OnSelectionButton();
  void OnNumericButton();
  void OnTagTypeButton();

  // Timers.
  void OnPollTimer();
  void OnStartupTimer();
  void OnGetTagTimer();
  void OnWriteJobTimer();
  void OnClearJobTimer();
  void OnFactoryJobTimer();

  Host& host_;
  MainDialogOptions options_;
  ControlModel controls_;
  DialogFields fields_;
  AppSettings settings_;
  std::string settingsPath_;
  // Before the port: the port closes into it.
  std::unique_ptr<serial::TraceWriter> trace_;
  serial::SerialPort port_;
  serial::ReaderLink link_;
  protocol::ReaderProtocol protocol_;
  Terminal terminal_;
  std::function<std::tm()> localClock_;
  std::optional<protocol::ReaderModel> lastJobModel_ = protocol::ReaderModel::NoReply;

  // What each job and the ONLINE processing sees of the window: the rows they show in.
  WindowEnvironment databaseEnv_;
  WindowEnvironment factoryEnv_;
  WindowEnvironment onlineEnv_;
  WindowEnvironment configurationEnv_;
  job::JobRunner jobs_;
  std::optional<job::JobResult> lastRead_;
  job::CommandResult lastCommand_;
  GetTagRow getTag_;
  ClockRow clock_;
  CommunicationRow communication_;
  ParameterRows parameterRows_;
  codes::OnlineTyping typing_;

  bool ended_ = false;
  bool destroyed_ = false;
};

}  // namespace tagline::app
