// SPDX-License-Identifier: Apache-2.0
// The settings dialog's controller, and Settings > Port on the main window: the dialog's
// values from and to the settings, and the port closed and opened again on a line change.
#include "app/settings_dialog.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "platform/serial_ports.h"
#include "pty_pair.h"

namespace tagline::app {
namespace {

namespace sc = settings_ctl;

std::vector<std::string> Items(const SettingsDialog& d, int id) {
  return d.controls().at(id).items;
}

bool Checked(const SettingsDialog& d, int id) {
  return d.controls().at(id).checked;
}

// Clicks a check box or radio button as the user does: the box changes, then the dialog
// hears of the click.
void Click(SettingsDialog& d, int id) {
  d.controls().UserSetChecked(id, !d.controls().at(id).checked);
  d.OnCommand(id);
}

// ---------------------------------------------------------------------------------------
// Codes and the port list

TEST(SettingsDialogCodes, ParityAndStopBitsTextsAndCodes) {
  EXPECT_EQ(ParityText(0), "None");
  EXPECT_EQ(ParityText(1), "Odd");
  EXPECT_EQ(ParityText(2), "Even");
  EXPECT_EQ(ParityText(3), "Mark");
  EXPECT_EQ(ParityText(4), "Space");
  EXPECT_EQ(ParityText(9), "None");
  for (std::uint8_t code = 0; code <= 4; ++code) EXPECT_EQ(ParityCode(ParityText(code)), code);
  // Whole texts, as typed: anything else is no parity.
  EXPECT_EQ(ParityCode("even"), 0);
  EXPECT_EQ(ParityCode("Even "), 0);
  EXPECT_EQ(ParityCode("Uneven"), 0);

  EXPECT_EQ(StopBitsText(0), "1");
  EXPECT_EQ(StopBitsText(1), "1.5");
  EXPECT_EQ(StopBitsText(2), "2");
  EXPECT_EQ(StopBitsText(7), "1");
  EXPECT_EQ(StopBitsCode("2"), 2);
  EXPECT_EQ(StopBitsCode("1.5"), 1);
  EXPECT_EQ(StopBitsCode("1"), 0);
  EXPECT_EQ(StopBitsCode("12"), 0);
  EXPECT_EQ(StopBitsCode("1,5"), 0);
}

TEST(SettingsDialogPorts, TenComPortsSortedAsText) {
  std::vector<std::string> enumerated;
  for (int i = 1; i <= 10; ++i) enumerated.push_back("COM" + std::to_string(i));
  const std::string list = platform::JoinPortNames(enumerated);  // COM10;COM9;...;COM1;
  const std::vector<std::string> expected = {"COM1", "COM10", "COM2", "COM3", "COM4",
                                             "COM5", "COM6",  "COM7", "COM8", "COM9"};
  EXPECT_EQ(SortedPortNames(list), expected);

  SettingsDialog dialog([&list] { return list; });
  dialog.OnInitDialog();
  EXPECT_EQ(Items(dialog, sc::kPort), expected);
}

TEST(SettingsDialogPorts, SplitDropsEmptyNamesAndIgnoresCase) {
  EXPECT_EQ(SortedPortNames(""), std::vector<std::string>{});
  EXPECT_EQ(SortedPortNames(";;"), std::vector<std::string>{});
  EXPECT_EQ(SortedPortNames("ttyUSB0;ttyS0;;ttyACM1;ttyACM0"),
            (std::vector<std::string>{"ttyACM0", "ttyACM1", "ttyS0", "ttyUSB0"}));
  EXPECT_EQ(SortedPortNames("com3;COM2;Com1;"), (std::vector<std::string>{"Com1", "COM2", "com3"}));
}

TEST(SettingsDialogInit, FixedListsAndHint) {
  SettingsDialog dialog([] { return std::string(); });
  dialog.OnInitDialog();
  EXPECT_TRUE(Items(dialog, sc::kPort).empty());
  EXPECT_EQ(
      Items(dialog, sc::kBaudRate),
      (std::vector<std::string>{"110", "300", "600", "1200", "2400", "4800", "9600", "14400",
                                "19200", "38400", "56000", "57600", "115200", "128000", "256000"}));
  EXPECT_EQ(Items(dialog, sc::kDataBits), (std::vector<std::string>{"4", "5", "6", "7", "8"}));
  EXPECT_EQ(Items(dialog, sc::kParity),
            (std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}));
  EXPECT_EQ(Items(dialog, sc::kStopBits), (std::vector<std::string>{"1", "1.5", "2"}));
  EXPECT_EQ(dialog.controls().at(sc::kHint).text,
            "use <cr>, <CR>,<lf>,<stx>,<etx>,<ack>,<nak>,<tab>,<F12> instead of non-printabel "
            "characters");
  EXPECT_EQ(dialog.controls().at(sc::kHex210Dez).text, "HEX -> 10 DEZ ");
  EXPECT_EQ(dialog.controls().at(sc::kProtocolFramed).text, "<STX> <Data> <CRC> <ETX>");
  EXPECT_EQ(dialog.controls().at(sc::kCts).text, "CTS:");
  // Every control of the dialog's tables is there, with the kind a view needs.
  for (const std::array<int, 5>* column :
       {&sc::kAddStart, &sc::kReplaceFrom, &sc::kReplaceTo, &sc::kAddEnd}) {
    for (const int id : *column) EXPECT_EQ(dialog.controls().at(id).kind, ControlKind::Edit) << id;
  }
  for (const int id : {sc::kPort, sc::kBaudRate, sc::kDataBits, sc::kParity, sc::kStopBits}) {
    EXPECT_EQ(dialog.controls().at(id).kind, ControlKind::EditCombo) << id;
  }
  EXPECT_TRUE(SettingsDialog::IsProtocolButton(sc::kProtocolData));
  EXPECT_FALSE(SettingsDialog::IsProtocolButton(sc::kCts));
}

// ---------------------------------------------------------------------------------------
// Between the settings and the dialog

AppSettings LineSettings() {
  AppSettings s;
  s.port = "COM3";
  s.baudrate = 9600;
  s.databits = 7;
  s.parity = 2;
  s.stopbits = 1;
  s.CTS = 1;
  s.RTS = 0;
  s.protocol = 1;
  return s;
}

TEST(SettingsDialogFill, MembersFromSettings) {
  AppSettings s = LineSettings();
  s.addStart[0] = "<stx>";
  s.replaceFrom[4] = "A";
  s.replaceTo[4] = "B";
  s.addEnd[2] = "<cr>";
  s.hex2iso = "1";
  s.invert = "1";
  s.hex2dez = "2";   // only "1" is on
  s.hex2bde = " 1";  // whole text
  SettingsDialog d;
  FillSettingsDialog(s, d);
  EXPECT_EQ(d.portName, "COM3");
  EXPECT_EQ(d.baudRate, "9600");
  EXPECT_EQ(d.dataBits, "7");
  EXPECT_EQ(d.parity, "Even");
  EXPECT_EQ(d.stopBits, "1.5");
  EXPECT_EQ(d.cts, 1);
  EXPECT_EQ(d.rts, 0);
  EXPECT_EQ(d.protocol, 1);
  EXPECT_EQ(d.addStart[0], "<stx>");
  EXPECT_EQ(d.replaceFrom[4], "A");
  EXPECT_EQ(d.replaceTo[4], "B");
  EXPECT_EQ(d.addEnd[2], "<cr>");
  EXPECT_EQ(d.hex2iso, 1);
  EXPECT_EQ(d.invert, 1);
  EXPECT_EQ(d.hex2dez, 0);
  EXPECT_EQ(d.hex2bde, 0);

  // Check boxes only for the value 1.
  s.CTS = 3;
  s.RTS = 1;
  s.baudrate = -5;
  FillSettingsDialog(s, d);
  EXPECT_EQ(d.cts, 0);
  EXPECT_EQ(d.rts, 1);
  EXPECT_EQ(d.baudRate, "-5");
}

TEST(SettingsDialogFill, OnlyLineValuesCountAsLineChange) {
  const AppSettings s = LineSettings();
  SettingsDialog d;
  FillSettingsDialog(s, d);
  EXPECT_FALSE(LineSettingsChanged(d, s));

  // The protocol and the keyboard options do not count.
  d.protocol = 2;
  d.addEnd[4] = "<tab>";
  d.hex2bde = 1;
  EXPECT_FALSE(LineSettingsChanged(d, s));
  // Numbers are compared by value, the way atol reads them.
  d.baudRate = " 9600 baud";
  d.dataBits = "07";
  EXPECT_FALSE(LineSettingsChanged(d, s));

  const auto changedBy = [&s](auto edit) {
    SettingsDialog c;
    FillSettingsDialog(s, c);
    edit(c);
    return LineSettingsChanged(c, s);
  };
  EXPECT_TRUE(changedBy([](SettingsDialog& c) { c.portName = "COM4"; }));
  EXPECT_TRUE(changedBy([](SettingsDialog& c) { c.portName = "com3"; }));
  EXPECT_TRUE(changedBy([](SettingsDialog& c) { c.baudRate = "19200"; }));
  EXPECT_TRUE(changedBy([](SettingsDialog& c) { c.dataBits = "8"; }));
  EXPECT_TRUE(changedBy([](SettingsDialog& c) { c.parity = "Odd"; }));
  EXPECT_TRUE(changedBy([](SettingsDialog& c) { c.stopBits = "2"; }));
  EXPECT_TRUE(changedBy([](SettingsDialog& c) { c.cts = 0; }));
  EXPECT_TRUE(changedBy([](SettingsDialog& c) { c.rts = 1; }));
}

TEST(SettingsDialogApply, EveryValueIntoTheSettings) {
  SettingsDialog d;
  d.portName = "ttyUSB0";
  d.baudRate = "115200";
  d.dataBits = "x";
  d.parity = "Space";
  d.stopBits = "2";
  d.cts = 0;
  d.rts = 1;
  d.protocol = 2;
  for (std::size_t i = 0; i < 5; ++i) {
    d.addStart[i] = "s" + std::to_string(i);
    d.replaceFrom[i] = "f" + std::to_string(i);
    d.replaceTo[i] = "t" + std::to_string(i);
    d.addEnd[i] = "e" + std::to_string(i);
  }
  d.invert = 1;
  d.hex210dezmotorola = 1;

  AppSettings s = LineSettings();
  s.hex2iso = "1";
  s.hex2dez = "junk";
  s.send = "kept";
  ApplySettingsDialog(d, s);
  EXPECT_EQ(s.port, "ttyUSB0");
  EXPECT_EQ(s.baudrate, 115200);
  EXPECT_EQ(s.databits, 0);
  EXPECT_EQ(s.parity, 4);
  EXPECT_EQ(s.stopbits, 2);
  EXPECT_EQ(s.CTS, 0);
  EXPECT_EQ(s.RTS, 1);
  EXPECT_EQ(s.protocol, 2);
  EXPECT_EQ(s.addStart[3], "s3");
  EXPECT_EQ(s.replaceFrom[0], "f0");
  EXPECT_EQ(s.replaceTo[4], "t4");
  EXPECT_EQ(s.addEnd[1], "e1");
  EXPECT_EQ(s.invert, "1");
  EXPECT_EQ(s.hex210dezmotorola, "1");
  EXPECT_EQ(s.hex2iso, "0");
  EXPECT_EQ(s.hex2dez, "0");
  EXPECT_EQ(s.hex8ToDec8, "0");
  EXPECT_EQ(s.send, "kept");

  // And back: what was applied shows again.
  SettingsDialog again;
  FillSettingsDialog(s, again);
  EXPECT_FALSE(LineSettingsChanged(again, s));
  EXPECT_EQ(again.parity, "Space");
  EXPECT_EQ(again.hex210dezmotorola, 1);
}

// ---------------------------------------------------------------------------------------
// The dialog's controls

TEST(SettingsDialogData, MembersToControlsAndBack) {
  SettingsDialog d([] { return std::string("COM10;COM2;"); });
  d.portName = "COM1";  // not in the list: shown as typed, not as the entry it begins
  d.baudRate = "19200";
  d.dataBits = "8";
  d.parity = "Mark";
  d.stopBits = "1.5";
  d.rts = 1;
  d.protocol = 1;
  d.addEnd[4] = "\x80";
  d.hex2iso = 1;
  d.OnInitDialog();
  const ControlModel& c = d.controls();
  EXPECT_EQ(c.at(sc::kPort).text, "COM1");
  EXPECT_EQ(c.at(sc::kPort).selection, -1);
  EXPECT_EQ(c.at(sc::kBaudRate).selection, 8);
  EXPECT_EQ(c.at(sc::kParity).text, "Mark");
  EXPECT_EQ(c.at(sc::kStopBits).selection, 1);
  EXPECT_FALSE(c.at(sc::kCts).checked);
  EXPECT_TRUE(c.at(sc::kRts).checked);
  EXPECT_FALSE(c.at(sc::kProtocolFramed).checked);
  EXPECT_TRUE(c.at(sc::kProtocolDataCr).checked);
  EXPECT_FALSE(c.at(sc::kProtocolData).checked);
  EXPECT_EQ(c.at(sc::kAddEnd[4]).text, "\x80");
  EXPECT_TRUE(c.at(sc::kHex2Iso).checked);

  // The user's edits reach the members with OK.
  d.controls().UserSetText(sc::kPort, "COM2");
  d.controls().UserSetText(sc::kReplaceFrom[1], "<tab>");
  d.controls().UserSetChecked(sc::kProtocolDataCr, false);
  d.controls().UserSetChecked(sc::kProtocolData, true);
  d.controls().UserSetChecked(sc::kCts, true);
  EXPECT_TRUE(d.OnCommand(sc::kOk));
  EXPECT_TRUE(d.ended());
  EXPECT_EQ(d.result(), id::kOk);
  EXPECT_EQ(d.portName, "COM2");
  EXPECT_EQ(d.replaceFrom[1], "<tab>");
  EXPECT_EQ(d.protocol, 2);
  EXPECT_EQ(d.cts, 1);
  // An ended dialog takes no more commands.
  EXPECT_FALSE(d.OnCommand(sc::kCancel));
  EXPECT_EQ(d.result(), id::kOk);
}

TEST(SettingsDialogData, ProtocolOutsideTheGroupStaysAsItWas) {
  SettingsDialog d([] { return std::string(); });
  d.protocol = 5;
  d.OnInitDialog();
  for (const int id : {sc::kProtocolFramed, sc::kProtocolDataCr, sc::kProtocolData}) {
    EXPECT_FALSE(Checked(d, id));
  }
  d.OnOK();
  EXPECT_EQ(d.protocol, 5);
}

TEST(SettingsDialogConversions, EveryPairExcludesEachOtherInBothOrders) {
  for (const int first : sc::kConversions) {
    for (const int second : sc::kConversions) {
      if (first == second) continue;
      SettingsDialog d([] { return std::string(); });
      d.OnInitDialog();
      Click(d, first);
      EXPECT_TRUE(Checked(d, first));
      Click(d, second);
      for (const int id : sc::kConversions) {
        EXPECT_EQ(Checked(d, id), id == second) << first << " then " << second << ": " << id;
      }
    }
  }
}

TEST(SettingsDialogConversions, InvertCombinesAndAClickCanSwitchOff) {
  SettingsDialog d([] { return std::string(); });
  d.OnInitDialog();
  Click(d, sc::kInvert);
  Click(d, sc::kHex2Iso);
  EXPECT_TRUE(Checked(d, sc::kInvert));
  EXPECT_TRUE(Checked(d, sc::kHex2Iso));
  Click(d, sc::kHex2Bde);
  EXPECT_TRUE(Checked(d, sc::kInvert));
  EXPECT_FALSE(Checked(d, sc::kHex2Iso));
  // A click that takes the current conversion off leaves none.
  Click(d, sc::kHex2Bde);
  for (const int id : sc::kConversions) EXPECT_FALSE(Checked(d, id)) << id;
  EXPECT_TRUE(Checked(d, sc::kInvert));
  // Other changes made before the click survive its exchange with the members.
  d.controls().UserSetText(sc::kAddStart[0], "typed");
  Click(d, sc::kHex2Dez);
  EXPECT_EQ(d.controls().at(sc::kAddStart[0]).text, "typed");

  d.OnOK();
  AppSettings s;
  ApplySettingsDialog(d, s);
  EXPECT_EQ(s.invert, "1");
  EXPECT_EQ(s.hex2dez, "1");
  EXPECT_EQ(s.hex2iso, "0");
}

TEST(SettingsDialogScript, ValuesAreCheckedAgainstWhatTheirKeyTakes) {
  for (const auto& [key, value] :
       std::vector<std::pair<std::string, std::string>>{{"baudrate", "9600"},
                                                        {"baudrate", "250000"},
                                                        {"databits", "7"},
                                                        {"parity", "Mark"},
                                                        {"stopbits", "1.5"},
                                                        {"CTS", "1"},
                                                        {"protocol", "2"},
                                                        {"invert", "0"},
                                                        {"port", "/dev/ttyUSB0"},
                                                        {"port", ""},
                                                        {"add_end_1", "<F12>"}}) {
    EXPECT_EQ(SettingsDialog::ValueProblem(key, value), std::nullopt) << key << '=' << value;
  }
  EXPECT_EQ(SettingsDialog::ValueProblem("baudrate", "fast"),
            "baudrate takes a whole number of bits per second");
  EXPECT_TRUE(SettingsDialog::ValueProblem("baudrate", "0"));
  EXPECT_TRUE(SettingsDialog::ValueProblem("baudrate", "-9600"));
  EXPECT_TRUE(SettingsDialog::ValueProblem("baudrate", "99999999999"));
  EXPECT_EQ(SettingsDialog::ValueProblem("databits", "9"), "databits takes 4, 5, 6, 7 or 8");
  EXPECT_EQ(SettingsDialog::ValueProblem("parity", "even"),
            "parity takes None, Odd, Even, Mark or Space");
  EXPECT_EQ(SettingsDialog::ValueProblem("stopbits", "3"), "stopbits takes 1, 1.5 or 2");
  EXPECT_EQ(SettingsDialog::ValueProblem("RTS", "on"), "RTS takes 0 or 1");
  EXPECT_EQ(SettingsDialog::ValueProblem("protocol", "3"), "protocol takes 0, 1 or 2");
  EXPECT_EQ(SettingsDialog::ValueProblem("hex2bde", ""), "hex2bde takes 0 or 1");
  EXPECT_EQ(SettingsDialog::ValueProblem("add_start_2", "a\r\nb"),
            "add_start_2 takes no line break");
  EXPECT_EQ(SettingsDialog::ValueProblem("code", "47"), "code is no setting");
}

TEST(SettingsDialogScript, ValuesByKeyFollowTheDialogRules) {
  SettingsDialog d([] { return std::string("COM1;"); });
  FillSettingsDialog(LineSettings(), d);
  d.OnInitDialog();
  EXPECT_EQ(d.Value("port"), std::optional<std::string>("COM3"));
  EXPECT_EQ(d.Value("parity"), std::optional<std::string>("Even"));
  EXPECT_EQ(d.Value("CTS"), std::optional<std::string>("1"));
  EXPECT_EQ(d.Value("protocol"), std::optional<std::string>("1"));
  EXPECT_EQ(d.Value("nonsense"), std::nullopt);

  EXPECT_TRUE(d.SetValue("hex2bde", "1"));
  EXPECT_TRUE(d.SetValue("8hex28dez", "1"));
  EXPECT_EQ(d.Value("hex2bde"), std::optional<std::string>("0"));
  EXPECT_EQ(d.Value("8hex28dez"), std::optional<std::string>("1"));
  EXPECT_TRUE(d.SetValue("protocol", "2"));
  EXPECT_EQ(d.Value("protocol"), std::optional<std::string>("2"));
  EXPECT_TRUE(d.SetValue("port", "COM1"));
  EXPECT_EQ(d.controls().at(sc::kPort).selection, 0);
  EXPECT_TRUE(d.SetValue("replace_to_5", "<cr>"));

  EXPECT_FALSE(d.SetValue("protocol", "3"));
  EXPECT_FALSE(d.SetValue("protocol", ""));
  EXPECT_FALSE(d.SetValue("CTS", "yes"));
  EXPECT_FALSE(d.SetValue("code", "1"));
  EXPECT_EQ(d.Value("protocol"), std::optional<std::string>("2"));

  d.OnOK();
  EXPECT_EQ(d.portName, "COM1");
  EXPECT_EQ(d.protocol, 2);
  EXPECT_EQ(d.replaceTo[4], "<cr>");
  EXPECT_EQ(d.hex8ToDec8, 1);

  EXPECT_FALSE(d.SetValue("type_any_text", "yes"));
  EXPECT_TRUE(d.SetValue("type_any_text", "1"));
  EXPECT_TRUE(d.SetValue("keyboard_layout", "ch(fr)"));
  d.OnOK();
  EXPECT_EQ(d.typeAnyText, 1);
  EXPECT_EQ(d.keyboardLayout, "ch(fr)");

  // The language: one of the list's, or "(system)" that stands for an empty setting.
  EXPECT_TRUE(d.SetValue("language", "Deutsch"));
  d.OnOK();
  AppSettings chosen;
  ApplySettingsDialog(d, chosen);
  EXPECT_EQ(chosen.language, "Deutsch");
  EXPECT_TRUE(d.SetValue("language", "(system)"));
  d.OnOK();
  ApplySettingsDialog(d, chosen);
  EXPECT_EQ(chosen.language, "");

  const std::vector<std::string> keys = SettingsDialog::Keys();
  EXPECT_EQ(keys.size(), 40u);
  for (const std::string& key : keys) EXPECT_TRUE(d.Value(key).has_value()) << key;
}

// ---------------------------------------------------------------------------------------
// Settings > Port on the main window

class PortSettingsTest : public DialogFixture {
 protected:
  void StartOnPty(const std::string& extra = "") {
    ASSERT_TRUE(pty.ok());
    WriteIni("[COM]\r\nport=" + pty.slavePath() +
             "\r\nbaudrate=19200\r\ndatabits=8\r\nparity=None\r\nstopbits=1\r\nCTS=0\r\nRTS=0\r\n"
             "protocol=0\r\n" +
             extra);
    Start();
    ASSERT_EQ(dialog->portOpen(), 1);
    ASSERT_TRUE(host.messages().empty());
  }
  // Bytes waiting in the port's input survive only while the port stays open: opening
  // and closing purge them.
  void QueueInput() {
    pty.SendQueued("pending");
    ASSERT_EQ(pty.Queued(), 7);
  }
  bool Reopened() const { return pty.Queued() == 0; }
  termios SlaveTermios() const {
    termios tio{};
    EXPECT_EQ(tcgetattr(pty.master(), &tio), 0);
    return tio;
  }
  void RunDialog(HeadlessHost::SettingsScript script) {
    host.SetSettingsScript(std::move(script));
    EXPECT_TRUE(dialog->OnCommand(menu::kPort));
  }

  PtyPair pty;
};

TEST_F(PortSettingsTest, OkWithoutChangeKeepsThePortOpen) {
  StartOnPty();
  QueueInput();
  bool pollDuringDialog = true;
  RunDialog([&](SettingsDialog& d) {
    pollDuringDialog = host.TimerActive(timer::kPoll);
    EXPECT_EQ(d.controls().at(settings_ctl::kPort).text, pty.slavePath());
    EXPECT_EQ(d.controls().at(settings_ctl::kBaudRate).text, "19200");
    return id::kOk;
  });
  EXPECT_EQ(host.settingsDialogRuns(), 1);
  EXPECT_FALSE(pollDuringDialog);
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_FALSE(Reopened());
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(host.TimerPeriod(timer::kPoll), std::optional<std::uint32_t>(250));
}

TEST_F(PortSettingsTest, OnlyTheProtocolChangedKeepsThePortOpenAndSendUsesItAtOnce) {
  StartOnPty();
  QueueInput();
  RunDialog([](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("protocol", "2"));
    return id::kOk;
  });
  EXPECT_EQ(dialog->settings().protocol, 2);
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_FALSE(Reopened());
  // The poll took the pending input; the Send button now sends the bare data.
  host.RunFor(300);
  dialog->controls().UserSetText(ctl::kToSend, "abc");
  dialog->OnCommand(ctl::kSend);
  EXPECT_EQ(pty.Receive(), "abc");
}

TEST_F(PortSettingsTest, OnlyCtsChangedReopensWithFlowControl) {
  StartOnPty();
  ASSERT_FALSE(SlaveTermios().c_cflag & CRTSCTS);
  QueueInput();
  RunDialog([](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("CTS", "1"));
    return id::kOk;
  });
  EXPECT_TRUE(Reopened());
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_TRUE(SlaveTermios().c_cflag & CRTSCTS);
  EXPECT_EQ(dialog->settings().CTS, 1);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_TRUE(host.TimerActive(timer::kPoll));
}

TEST_F(PortSettingsTest, BusyPortGivesOneMessageAndLeavesNoPort) {
  StartOnPty();
  PtyPair other;
  ASSERT_TRUE(other.ok());
  // Another program holds the other port.
  serial::SerialPort holder;
  holder.SetSettings(other.slavePath(), 19200, 8, 0, 0, 0, 0);
  ASSERT_TRUE(holder.Open());

  RunDialog([&](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("port", other.slavePath()));
    return id::kOk;
  });
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "error on open com port");
  EXPECT_EQ(host.messages()[0].caption, "open com port error");
  EXPECT_EQ(host.messages()[0].type, mb::kOk | mb::kIconHand);
  EXPECT_EQ(dialog->portOpen(), 0);
  EXPECT_EQ(dialog->settings().port, other.slavePath());
  EXPECT_TRUE(host.TimerActive(timer::kPoll));

  // The first port was closed: it is free for others now.
  serial::SerialPort first;
  first.SetSettings(pty.slavePath(), 19200, 8, 0, 0, 0, 0);
  EXPECT_TRUE(first.Open());
  first.Close();

  // Once the other program lets go, OK alone opens it (the flag is clear).
  holder.Close();
  host.ClearMessages();
  RunDialog(nullptr);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(dialog->portOpen(), 1);
}

TEST_F(PortSettingsTest, CancelDiscardsEveryChangeButRestartsThePoll) {
  StartOnPty();
  QueueInput();
  const AppSettings before = dialog->settings();
  RunDialog([&](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("CTS", "1"));
    EXPECT_TRUE(d.SetValue("hex2iso", "1"));
    EXPECT_TRUE(d.SetValue("add_start_1", "X"));
    return id::kCancel;
  });
  EXPECT_EQ(dialog->settings(), before);
  EXPECT_FALSE(Reopened());
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_EQ(host.TimerPeriod(timer::kPoll), std::optional<std::uint32_t>(250));
}

TEST_F(PortSettingsTest, BaudRateThatIsNoNumberFailsUntilCorrected) {
  StartOnPty();
  RunDialog([](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("baudrate", "fast"));
    return id::kOk;
  });
  EXPECT_EQ(dialog->settings().baudrate, 0);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"error on open com port"});
  EXPECT_EQ(dialog->portOpen(), 0);

  // The port the refused settings left half open is closed before the next try.
  host.ClearMessages();
  RunDialog([](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("baudrate", "9600"));
    return id::kOk;
  });
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_EQ(dialog->settings().baudrate, 9600);
}

TEST_F(PortSettingsTest, DataBitsOutsideAByteDoNotWrapToAValidSize) {
  StartOnPty();
  RunDialog([](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("databits", "264"));  // 264 = 256 + 8
    return id::kOk;
  });
  EXPECT_EQ(dialog->settings().databits, 264);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"error on open com port"});
  EXPECT_EQ(dialog->portOpen(), 0);
}

TEST_F(PortSettingsTest, WithoutAPortEveryOkTriesToOpenAgain) {
  Start();  // no settings file: no port
  ASSERT_EQ(dialog->portOpen(), 0);
  host.ClearMessages();
  RunDialog(nullptr);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"error on open com port"});
  // Cancel tries nothing.
  host.ClearMessages();
  RunDialog([](SettingsDialog&) { return id::kCancel; });
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(PortSettingsTest, KeyboardOptionsAreUsedAndSavedAtExit) {
  StartOnPty();
  RunDialog([](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("invert", "1"));
    EXPECT_TRUE(d.SetValue("hex2bde", "1"));
    EXPECT_TRUE(d.SetValue("hex2iso", "1"));
    EXPECT_TRUE(d.SetValue("add_end_2", "<cr>"));
    return id::kOk;
  });
  EXPECT_EQ(dialog->settings().invert, "1");
  EXPECT_EQ(dialog->settings().hex2iso, "1");
  EXPECT_EQ(dialog->settings().hex2bde, "0");
  EXPECT_EQ(dialog->settings().addEnd[1], "<cr>");
  // Nothing is written before the end of the run.
  EXPECT_EQ(IniValue("COM", "hex2iso"), "");
  dialog->OnClose();
  EXPECT_EQ(IniValue("COM", "invert"), "1");
  EXPECT_EQ(IniValue("COM", "hex2iso"), "1");
  EXPECT_EQ(IniValue("COM", "hex2bde"), "0");
  EXPECT_EQ(IniValue("COM", "add_end_2"), "<cr>");
}

TEST_F(PortSettingsTest, RunOnItsOwnPortKeepsItAndTheSavedPort) {
  StartWithSimulator();
  RunDialog([&](SettingsDialog& d) {
    // The run's port and the line values it was opened with.
    EXPECT_EQ(d.Value("port"), std::optional<std::string>(reader->DevicePath()));
    EXPECT_EQ(d.Value("baudrate"), std::optional<std::string>("9600"));
    EXPECT_EQ(d.Value("databits"), std::optional<std::string>("8"));
    return id::kOk;
  });
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(dialog->portOpen(), 1);

  RunDialog([](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("RTS", "1"));
    return id::kOk;
  });
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(dialog->portOpen(), 1);
  EXPECT_EQ(dialog->settings().port, "");  // the saved port stays
  EXPECT_EQ(dialog->settings().RTS, 1);
  // Still the simulated reader behind the port.
  dialog->OnCommand(ctl::kSv);
  EXPECT_EQ(Text(ctl::kSvResult), "KTR H9 V4.30054");

  // Another port chosen: saved, and used from then on.
  PtyPair other;
  ASSERT_TRUE(other.ok());
  RunDialog([&](SettingsDialog& d) {
    EXPECT_TRUE(d.SetValue("port", other.slavePath()));
    return id::kOk;
  });
  EXPECT_EQ(dialog->settings().port, other.slavePath());
  EXPECT_EQ(dialog->portOpen(), 1);
  RunDialog([&](SettingsDialog& d) {
    EXPECT_EQ(d.Value("port"), std::optional<std::string>(other.slavePath()));
    return id::kOk;
  });
}

// ---------------------------------------------------------------------------------------
// The About box

TEST_F(PortSettingsTest, AboutFromTheMenuAndTheSystemMenuOnly) {
  Start();
  EXPECT_TRUE(dialog->OnCommand(menu::kInfo));
  EXPECT_EQ(host.aboutBoxes(), 1);
  EXPECT_TRUE(dialog->OnSysCommand(menu::kSystemAbout));
  EXPECT_TRUE(dialog->OnSysCommand(31));
  EXPECT_EQ(host.aboutBoxes(), 3);
  // Every other system command goes to the default handling.
  EXPECT_FALSE(dialog->OnSysCommand(15));
  EXPECT_FALSE(dialog->OnSysCommand(32));
  EXPECT_FALSE(dialog->OnSysCommand(0xF060));  // SC_CLOSE
  EXPECT_FALSE(dialog->OnSysCommand(0x10010));
  EXPECT_EQ(host.aboutBoxes(), 3);
  EXPECT_FALSE(dialog->ended());
}

}  // namespace
}  // namespace tagline::app
