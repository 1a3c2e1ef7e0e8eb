// SPDX-License-Identifier: Apache-2.0
// The "Settings" dialog: the serial line, the line protocol of the Send button and the
// keyboard-simulation options. A controller without a toolkit, like the main window's: its
// controls live in a ControlModel that a view binds to, and the host runs it modally.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/control_model.h"
#include "app/settings_file.h"
#include "serial/serial_port.h"

namespace tagline::app {

// Identifiers of the dialog's controls, as its template numbers them.
namespace settings_ctl {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;

inline constexpr int kPort = 1009;
inline constexpr int kBaudRate = 1010;
inline constexpr int kDataBits = 1011;
inline constexpr int kParity = 1012;
inline constexpr int kStopBits = 1013;
inline constexpr int kCts = 1089;
inline constexpr int kRts = 1090;
// The protocol radio buttons, for the values 0, 1 and 2.
inline constexpr int kProtocolFramed = 1095;
inline constexpr int kProtocolDataCr = 1096;
inline constexpr int kProtocolData = 1097;

// Keyboard-simulation texts of rows 1 to 5.
inline constexpr std::array<int, 5> kAddStart = {1122, 1123, 1124, 1125, 1126};
inline constexpr std::array<int, 5> kReplaceFrom = {1105, 1107, 1109, 1111, 1113};
inline constexpr std::array<int, 5> kReplaceTo = {1106, 1108, 1110, 1112, 1114};
inline constexpr std::array<int, 5> kAddEnd = {1127, 1128, 1129, 1130, 1131};

inline constexpr int kInvert = 1136;
inline constexpr int kHex2Dez = 1115;
inline constexpr int kHex8ToDec8 = 1117;
inline constexpr int kHex210Dez = 1132;
inline constexpr int kHex210DezMotorola = 1133;
inline constexpr int kHex2Left8Hex = 1134;
inline constexpr int kHex2Left8Hex2Dez = 1135;
inline constexpr int kHex2Iso = 1116;
inline constexpr int kHex2Bde = 1120;
// What the keyboard wedge lets through, and the layout a uinput keyboard types with.
inline constexpr int kTypeAnyText = 1137;
inline constexpr int kKeyboardLayout = 1138;
// The window's language: the system's or one of the program's.
inline constexpr int kLanguage = 1139;
// The conversions that exclude each other ("HEX Invert" combines with any of them).
inline constexpr std::array<int, 8> kConversions = {
    kHex2Dez,      kHex8ToDec8,       kHex210Dez, kHex210DezMotorola,
    kHex2Left8Hex, kHex2Left8Hex2Dez, kHex2Iso,   kHex2Bde};

// Group frames, captions and the hint: static controls that the template leaves without an
// identifier of their own are numbered from here.
inline constexpr int kFirstStatic = 10001;
inline constexpr int kHint = 10099;
}  // namespace settings_ctl

// The hint below the keyboard-simulation rows.
inline constexpr const char* kSettingsHint =
    "use <cr>, <CR>,<lf>,<stx>,<etx>,<ack>,<nak>,<tab>,<F12> instead of non-printabel "
    "characters";

class SettingsDialog {
 public:
  // The port list text of `SerialPort::ListPorts`: names, each followed by ";".
  using PortLister = std::function<std::string()>;

  // Without a lister the dialog asks a serial port object of its own.
  explicit SettingsDialog(PortLister lister = {});
  SettingsDialog(const SettingsDialog&) = delete;
  SettingsDialog& operator=(const SettingsDialog&) = delete;

  // Fills the lists and the hint and shows the members; the host calls it before showing.
  void OnInitDialog();
  // True pulls the controls into the members, false pushes the members to the controls.
  void UpdateData(bool saveAndValidate);
  // A click on one of the eight conversion boxes: the other seven go off.
  void OnConversionClicked(int id);
  // Message map entry point; false when nothing handles the message.
  bool OnCommand(int id, int code = 0);
  void OnOK();
  void OnCancel();

  // Whether the dialog ended, and with id::kOk or id::kCancel.
  bool ended() const { return result_.has_value(); }
  int result() const { return result_.value_or(0); }

  ControlModel& controls() { return controls_; }
  const ControlModel& controls() const { return controls_; }
  static bool IsProtocolButton(int id);

  // Scripted input by INI key (the command line, tests): sets the control as the user
  // would, with the conversion boxes' exclusion. False for an unknown key or a protocol
  // or check-box value other than 0, 1 (and 2 for the protocol).
  bool SetValue(std::string_view key, const std::string& value);
  // Why a value does not suit an INI key the dialog edits ("databits takes 4, 5, 6, 7 or
  // 8"); nullopt for a value that does. The dialog's own fields take any text (the line
  // then fails to open); scripted changes that are saved at once are checked first.
  static std::optional<std::string> ValueProblem(std::string_view key, std::string_view value);
  // What the control of an INI key shows; nullopt for an unknown key.
  std::optional<std::string> Value(std::string_view key) const;
  // The INI keys the dialog edits, in its tab order.
  static std::vector<std::string> Keys();

  // Dialog-data members.
  std::string portName;  // 1009
  std::string baudRate;  // 1010
  std::string dataBits;  // 1011
  std::string parity;    // 1012
  std::string stopBits;  // 1013
  int cts = 0;           // 1089
  int rts = 0;           // 1090
  int protocol = 0;      // 1095 to 1097
  std::array<std::string, 5> addStart;
  std::array<std::string, 5> replaceFrom;
  std::array<std::string, 5> replaceTo;
  std::array<std::string, 5> addEnd;
  int invert = 0;
  int hex2dez = 0;
  int hex8ToDec8 = 0;
  int hex210dez = 0;
  int hex210dezmotorola = 0;
  int hex2left8hex = 0;
  int hex2left8hex2dez = 0;
  int hex2iso = 0;
  int hex2bde = 0;
  int typeAnyText = 0;         // 1137
  std::string keyboardLayout;  // 1138
  std::string language;        // 1139: an entry of the list, "(system)" for none

 private:
  struct DataBinding;
  std::vector<DataBinding> DataBindings();
  void BuildControls();
  void FillPortList();
  void ShowComboText(int id, const std::string& text);

  ControlModel controls_;
  serial::SerialPort listPort_;  // never opened: it only lists the ports
  PortLister lister_;
  std::optional<int> result_;
};

// The texts the dialog shows for the parity (ParityText, with the settings) and stop-bit
// codes, and back. Texts are compared whole; anything else is no parity and one stop bit.
std::uint8_t ParityCode(const std::string& text);
std::string StopBitsText(std::uint8_t code);
std::uint8_t StopBitsCode(const std::string& text);

// The port list text split at ";" (empty names dropped) and sorted as text, the way a
// sorted combo box orders its entries.
std::vector<std::string> SortedPortNames(const std::string& listText);

// The dialog's members from the settings.
void FillSettingsDialog(const AppSettings& settings, SettingsDialog& dialog);
// Whether the dialog's line values (port, baud rate, data bits, parity, stop bits, CTS and
// RTS) differ from the settings; the protocol and the keyboard options do not count.
bool LineSettingsChanged(const SettingsDialog& dialog, const AppSettings& settings);
// Every dialog value into the settings.
void ApplySettingsDialog(const SettingsDialog& dialog, AppSettings& settings);

}  // namespace tagline::app
