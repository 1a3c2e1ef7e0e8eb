// The main window's controller: all state of the run, the handlers of every button,
// menu command and timer, the dialog-data exchange with the controls, and the steps of
// the timer-driven jobs. It knows no toolkit; it talks to the outside through a Host.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_settings.h"
#include "app/control_model.h"
#include "app/host.h"
#include "codes/online_conversions.h"
#include "database/tag_table.h"
#include "platform/keyboard.h"
#include "reader/factory_table.h"
#include "reader/parameter_catalogue.h"
#include "reader/reader_model.h"
#include "serial/command_exchange.h"
#include "serial/serial_port.h"

namespace tagline::app {

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

class MainDialog {
 public:
  MainDialog(Host& host, MainDialogOptions options = {});
  ~MainDialog();
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

  // Handlers.
  void OnSend();
  void OnEditComplete();
  void OnEdit2Complete();
  void OnEditClear();
  void OnMenuDb();
  void OnMenuConfig();
  void OnMenuOnline();
  void OnDeviceManager();
  // Settings > Port: the settings dialog, and the port reopened when the line changed.
  void OnPortSettings();
  // ? > Info and the system menu's entry: the About box.
  void OnAbout();
  void OnSoftwareVersion();
  void OnGetTag();
  void OnCommunicationControl();
  void OnDatabaseTest();
  void OnClockDirection();
  void OnClock();
  void OnProtocolToggle();
  void OnChooseProtocolFile();
  // ONLINE mode: one received code, ended by ETX or CR, taken out of the frame buffer.
  void ProcessOnlineFrame(serial::CommandExchange::FrameEnd end);
  // Types a code with the start, end and replace texts around and in it.
  void TypeCode(const std::string& code);
  // The code as TypeCode types it.
  std::string ComposeTypedText(std::string code) const;
  // Where key presses go; none types nothing (the protocol file is still written).
  void SetKeyboard(std::unique_ptr<platform::Keyboard> keyboard) {
    keyboard_ = std::move(keyboard);
  }
  static std::string DefaultProtocolPath();

  // Tag database transfer.
  void OnDatabaseRead();
  void OnReadPath();
  void OnWritePath();
  static std::string DefaultDatabasePath(bool read);
  database::TagTable tagTable;
  database::AttributeList attributeList;
  // How a model's records are read: the part of each reply kept (the first `kept`
  // characters, of those the last kept - 1), the characters that begin the end marker,
  // and the flush before each "RN".
  struct ReadLoop {
    std::size_t kept;
    std::string_view ends;
    std::uint32_t flushCount;
  };

  // Parameter rows.
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

  // The clock setting as a job step: `step` back on success, 255 on failure.
  std::uint8_t SetReaderClock(std::uint8_t step);
  void OnContinuousRead();
  void OnDatabaseWrite();
  void OnDatabaseClear();
  void OnFactoryDefault();
  void EnableControls();

  // The version exchange; returns the reply without its framing, empty for none.
  std::string RequestSoftwareVersion(bool visible, bool restartPoll);

  // Where the window takes the local time from (time stamps, the reader's clock).
  void SetLocalClock(std::function<std::tm()> clock) { localClock_ = std::move(clock); }

  // State.
  Host& host() { return host_; }
  ControlModel& controls() { return controls_; }
  const ControlModel& controls() const { return controls_; }
  AppSettings& settings() { return settings_; }
  const std::string& settingsPath() const { return settingsPath_; }
  serial::SerialPort& port() { return port_; }
  serial::CommandExchange& exchange() { return exchange_; }
  int portOpen() const { return exchange_.portOpen; }

  int dbMode = 0;
  int configMode = 0;
  int onlineMode = 0;
  std::int8_t currentModel = 0;
  std::uint8_t writeStep = 0;
  std::uint8_t clearStep = 0;
  std::uint8_t factoryStep = 0;
  std::uint8_t factoryFlags = 0;
  std::uint8_t factoryRan = 0;  // the factory steps that sent their exchange
  std::int8_t stepResult = 0;
  int pollCount = 0;
  int dialogResult = 0;
  std::uint8_t writeFlags = 0;  // result flags of the database write
  std::uint8_t communicationOpen = 0;
  std::uint8_t clockWriteMode = 0;
  bool protocolEnabled = false;

  // Dialog-data members (see the exchange table in UpdateData).
  std::string readPathDisplay;   // 1022
  std::string writePathDisplay;  // 1024
  std::string testResult;        // 1071
  std::string parameterResult;   // 1073
  std::string numericResult;     // 1075
  std::string tagTypeResult;     // 1080
  std::string numericValue;      // 1076
  std::string parameterName;     // 1067
  std::string parameterValue;    // 1064
  std::string datasetCount;      // 1107
  std::string svResult;          // 1105
  std::string gtResult;          // 1108
  std::string commResult;        // 1109
  std::string factoryResult;     // 1110
  std::string clockResult;       // 1069
  bool continuousRead = false;   // 1052
  bool doubleCodes = false;      // 1093
  Point continuousReadCursor;
  Point currentCursor;

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
  void ShowCommunicationState(bool open);
  bool ConversionOn(codes::OnlineConversion conversion) const;
  std::string ConvertOnlineCode(std::string& code) const;
  void AppendToProtocol(char c) const;
  reader::ReaderModel IdentifyQuietly();
  std::string CollectReply();
  void ReadDatabase();
  void ReadRecords(const ReadLoop& loop);
  void ReadAttributes();
  void SaveReadDatabase(reader::ReaderModel model);
  void ChooseDatabasePath(bool read);
  std::int8_t LoadSheet(std::int8_t model);
  std::int8_t WriteAttributes(std::int8_t model);
  std::int8_t InitWritePointer(std::int8_t model);
  std::int8_t WriteRecords(std::int8_t model);
  void ShowWriteSummary(std::int8_t model);
  // Sends a one-token command and returns the first byte of its answer, 0 for none. With
  // `repeat` a BEL or unexpected byte sends it again (a few times at most).
  char SendToken(const std::string& command, bool repeat, bool logRepeats);
  reader::FactoryChoice AskFactoryDialog(reader::FactoryDialog dialog, std::string& text);
  void ApplyFactoryChange(const reader::MainWindowChange& change);
  // The factory parameter writes of a model; the success counter as a signed byte.
  std::int8_t WriteFactoryParameters(std::int8_t model);
  reader::ReaderModel LastJobModel() const;
  void RefillNames(int controlId, reader::ParameterKind kind, reader::ReaderModel model);
  // Write / read one cell as the parameter buttons do; a write returns the command when
  // the reader acknowledged it.
  std::string WriteCell(const std::string& body, int buttonId, std::string& result);
  std::string ReadCell(const std::string& body, int buttonId);
  void ApplyWrittenParameter(const std::string& command, reader::ReaderModel model);
  void ApplyReadParameter(const std::string& name, const std::string& value,
                          const std::string& decoded);
  void OnPollTimer();
  void OnStartupTimer();
  void OnGetTagTimer();
  void ReadTag();
  void OnWriteJobTimer();
  void OnClearJobTimer();
  void OnFactoryJobTimer();
  void StartDatabaseJob(int timerId, std::uint8_t& step, int progress);
  void EndDatabaseJob(int timerId, std::uint8_t& step);
  std::int8_t IdentifyForJob();
  std::int8_t SendClearDatabase(std::int8_t model);
  std::int8_t PollClearDatabase(std::int8_t model);

 public:
  // Clears the 27 attributes; the failure value unless every one was acknowledged.
  std::int8_t ClearAttributes(std::int8_t model);

 private:
  void Message(const std::string& text, unsigned type = mb::kOk, const std::string& caption = {});

  Host& host_;
  MainDialogOptions options_;
  ControlModel controls_;
  AppSettings settings_;
  std::string settingsPath_;
  serial::SerialPort port_;
  serial::CommandExchange exchange_;
  std::function<std::tm()> localClock_;
  std::unique_ptr<platform::Keyboard> keyboard_;
  bool ended_ = false;
  bool destroyed_ = false;
};

// The controls of the database jobs that their start disables and their end enables.
inline constexpr int kDatabaseJobControls[] = {1005, 1006, 1007, 1070, 1023, 1025, 1001, 1002};

}  // namespace tagline::app
