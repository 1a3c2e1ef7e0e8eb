// SPDX-License-Identifier: Apache-2.0
// ONLINE mode: received codes acknowledged, filtered, converted and typed.
#include <gtest/gtest.h>

#include "online_fixture.h"
#include "platform/keyboard_recording.h"
#include "serial/frame.h"

namespace tagline::app {
namespace {

using codes::FrameEnd;
using platform::RecordedKeyEvent;

TEST_F(OnlineTest, CodeIsTypedKeyByKeyWithItsLineEnd) {
  StartOnline();
  Receive("0123");
  EXPECT_EQ(KeysDown(), (std::vector<std::uint8_t>{'0', '1', '2', '3', 0x0D, 0x0A}));
  // Each key: down, 5 ms, up, 5 ms, Shift up.
  const std::vector<RecordedKeyEvent> first = {{'0', false}, {'0', true}, {0x10, true}};
  EXPECT_TRUE(std::equal(first.begin(), first.end(), keys->events().begin()));
  EXPECT_EQ(keys->pauses().front(), 5u);
  EXPECT_EQ(dialog->terminal().panes.received, "0123\r\n");
  EXPECT_EQ(dialog->terminal().panes.sent, "\r\n");
  EXPECT_EQ(dialog->controls().focus(), ctl::kKeyboardField);
}

TEST_F(OnlineTest, UpperCaseLettersAndColonAreShifted) {
  StartOnline({}, "type_any_text=1\r\n");  // ":" is no tag code
  Receive("aB:");
  const auto& e = keys->events();
  ASSERT_GE(e.size(), 7u);
  EXPECT_EQ(e[0], (RecordedKeyEvent{'A', false}));   // "a": no Shift down
  EXPECT_EQ(e[3], (RecordedKeyEvent{0x10, false}));  // "B": Shift first
  EXPECT_EQ(e[4], (RecordedKeyEvent{'B', false}));
  EXPECT_EQ(e[7], (RecordedKeyEvent{0x10, false}));  // ":"
  EXPECT_EQ(e[8], (RecordedKeyEvent{0xBA, false}));
}

TEST_F(OnlineTest, RepeatedCodeIsTypedOnceUnlessDoubleCodesAreOn) {
  StartOnline();
  Receive("111");
  Receive("111");
  EXPECT_EQ(keys->characters(), "111\r\n");
  Receive("222");
  Receive("111");
  EXPECT_EQ(keys->characters(), "111\r\n222\r\n111\r\n");
  dialog->fields().doubleCodes = true;
  Receive("111");
  EXPECT_EQ(keys->characters(), "111\r\n222\r\n111\r\n111\r\n");
}

TEST_F(OnlineTest, NothingIsTypedWhileAWindowOfTheProgramIsOpen) {
  StartOnline();
  host.SetPopupOpen(true);  // the Online "..." file dialog, say
  Receive("12348832");
  EXPECT_EQ(keys->characters(), "");
  EXPECT_EQ(dialog->terminal().panes.received,
            "12348832\r\n// a window of this program is open, not typed\r\n");
  host.SetPopupOpen(false);
  Receive("12348832");  // no double: the first one was never typed
  EXPECT_EQ(keys->characters(), "12348832\r\n");
}

TEST_F(OnlineTest, OnlyTheFirstSwitchedOnConversionApplies) {
  StartOnline("hex2dez=1\r\nhex210dez=1\r\n");
  Receive("FF");
  EXPECT_EQ(keys->characters(), "255\r\n");
  keys->Clear();
  Receive("NoREAD");  // no tag code: shown, not typed
  EXPECT_EQ(keys->characters(), "");
  EXPECT_EQ(dialog->terminal().panes.received, "FF\r\nNoREAD\r\n// not a tag code, not typed\r\n");
}

TEST_F(OnlineTest, InvertCombinesWithIsoDisplay) {
  StartOnline("invert=1\r\nhex2iso=1\r\n");
  Receive("2858997D38A20189");  // the transmission order of 9180451CBE991A14
  EXPECT_EQ(keys->characters(), "276 123456789012\r\n");
  EXPECT_EQ(dialog->terminal().online.lastCode, "2858997D38A20189\r\n");  // as received
}

TEST_F(OnlineTest, RepeatedCodeIsADoubleWithInvertOn) {
  StartOnline("invert=1\r\n");
  Receive("12345678");
  Receive("12345678");
  EXPECT_EQ(keys->characters(), "1E6A2C48\r\n");
  Receive("1E6A2C48");  // the inverted text is another code
  Receive("12345678");
  EXPECT_EQ(keys->characters(), "1E6A2C48\r\n12345678\r\n1E6A2C48\r\n");
}

TEST_F(OnlineTest, CodesTooShortForIsoOrBdeAreTypedUnconverted) {
  struct Case {
    const char* key;
    std::string code;
    const char* shown;
  };
  for (const Case& c : {Case{"hex2iso", "9180451CBE991A14", "276 123456789012"},
                        Case{"hex2bde", "004000003212D687", "200 1234567"}}) {
    StartOnline(std::string(c.key) + "=1\r\n");
    const std::string fourteen = c.code.substr(0, 14);
    const std::string fifteen = c.code.substr(0, 15);
    Receive(fourteen);
    Receive(fifteen);
    Receive(c.code);
    EXPECT_EQ(keys->characters(), fourteen + "\r\n" + fifteen + "\r\n" + c.shown + "\r\n") << c.key;
    dialog.reset();
  }
}

TEST_F(OnlineTest, StartTextsComeInReverseOrderAndTokensStandForCharacters) {
  StartOnline("add_start_1=\"<stx>\"\r\nadd_start_2=\"A\"\r\n");
  Receive("1");
  EXPECT_EQ(keys->characters(), std::string("A\x02"
                                            "1\r\n"));
}

TEST_F(OnlineTest, ReplacementTurnsTheCarriageReturnIntoTab) {
  StartOnline("replace_from_1=\"<cr>\"\r\nreplace_to_1=\"<tab>\"\r\n");
  Receive("7");
  EXPECT_EQ(KeysDown(), (std::vector<std::uint8_t>{'7', 0x09, 0x0A}));
}

TEST_F(OnlineTest, ReplacementHoldingItsOwnSearchTextEnds) {
  StartOnline("replace_from_1=\"1\"\r\nreplace_to_1=\"11\"\r\n");
  Receive("0121");
  EXPECT_EQ(keys->characters(), "011211\r\n");
}

TEST_F(OnlineTest, F12EndTextWaitsAfterTheKey) {
  StartOnline("add_end_1=\"<F12>\"\r\n");
  Receive("5");
  EXPECT_EQ(KeysDown().back(), platform::kVkF12);
  EXPECT_EQ(keys->pauses().back(), 250u);
}

TEST_F(OnlineTest, ShiftEnterTokenOnlyWhereItIsAccepted) {
  StartOnline("add_end_1=\"<CR>\"\r\n");
  Receive("5");
  const auto& e = keys->events();
  ASSERT_GE(e.size(), 3u);
  EXPECT_EQ(e[e.size() - 4], (RecordedKeyEvent{0x10, false}));
  EXPECT_EQ(e[e.size() - 3], (RecordedKeyEvent{0x0D, false}));

  dialog->settings().addEnd[0].clear();
  dialog->settings().addStart[0] = "<CR>";
  keys->Clear();
  dialog->fields().doubleCodes = true;
  Receive("5");
  EXPECT_EQ(keys->characters().substr(0, 4), "<CR>");
  EXPECT_EQ(KeysDown()[0], 0xBC);  // "<" on the unshifted key
}

TEST_F(OnlineTest, LinkMessagesAreShownButNotTyped) {
  StartOnline({}, "type_any_text=1\r\n");  // even texts that are no tag codes
  Receive("NO DISCONNECT", FrameEnd::Etx);
  Receive("RING");
  Receive("CONNECT 9600");
  EXPECT_TRUE(keys->events().empty());
  EXPECT_EQ(dialog->terminal().panes.received, "NO DISCONNECT\r\nRING\r\nCONNECT 9600\r\n");
  EXPECT_EQ(dialog->terminal().online.lastCode, "CONNECT 9600\r\n");
  Receive("RING", FrameEnd::Etx);  // after ETX only DISCONNECT is a link message
  EXPECT_EQ(keys->characters(), "RING\r\n");
}

TEST_F(OnlineTest, EmptyFrameChangesNothing) {
  StartOnline();
  Receive("5");
  Receive("\x02\x06");
  EXPECT_EQ(dialog->terminal().online.lastCode, "5\r\n");
  EXPECT_EQ(keys->characters(), "5\r\n");
}

TEST_F(OnlineTest, ProtocolFileGetsExactlyTheTypedBytesAppended) {
  StartOnline("add_end_1=\"<F12>\"\r\n");
  const std::string path = (dir / "prot.csv").string();
  { std::ofstream(path, std::ios::binary) << "old;"; }
  dialog->settings().keyboard_sim_prot_path = path;
  Receive("12");  // logging off
  dialog->OnCommand(ctl::kLogging);
  EXPECT_EQ(dialog->controls().at(ctl::kLogging).image, 145);
  EXPECT_FALSE(Enabled(ctl::kLogFile));
  Receive("34");
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), std::string("old;34\r\n\x1E"));
  dialog->OnCommand(ctl::kLogging);
  EXPECT_EQ(dialog->controls().at(ctl::kLogging).image, 144);
  EXPECT_TRUE(Enabled(ctl::kLogFile));
}

TEST_F(OnlineTest, UnwritableProtocolFileIsSkipped) {
  StartOnline();
  dialog->settings().keyboard_sim_prot_path = (dir / "missing" / "prot.csv").string();
  dialog->OnCommand(ctl::kLogging);
  Receive("9");
  EXPECT_EQ(keys->characters(), "9\r\n");
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(OnlineTest, ChoosingTheProtocolFile) {
  StartOnline();
  host.QueueFileAnswer(std::nullopt);  // cancelled with no path yet: the default
  dialog->OnCommand(ctl::kLogFile);
  EXPECT_EQ(dialog->settings().keyboard_sim_prot_path, codes::OnlineTyping::DefaultProtocolPath());
  host.QueueFileAnswer((dir / "chosen.csv").string());
  dialog->OnCommand(ctl::kLogFile);
  EXPECT_EQ(dialog->settings().keyboard_sim_prot_path, (dir / "chosen.csv").string());
}

TEST_F(OnlineTest, CodesFromTheReaderAreAcknowledgedAndTyped) {
  WriteIni("[ONLINE]\r\nonline=1\r\n");
  StartWithSimulator();
  auto recorder = std::make_unique<platform::RecordingKeyboard>();
  keys = recorder.get();
  dialog->SetKeyboard(std::move(recorder));
  reader->SendOnlineCode("00FF", sim::Terminator::Etx);
  ASSERT_TRUE(host.RunUntil([this] { return !keys->characters().empty(); }, 2000));
  // The pane shows the frame as it came; the CRC digits are no part of the code typed.
  EXPECT_EQ(keys->characters(), "00FF\r\n");
  EXPECT_EQ(Text(ctl::kReceived), "00FF" + serial::CrcDigits("00FF") + "\r\n");
  ASSERT_TRUE(reader->WaitForCommands(1, 1000));
  EXPECT_NE(reader->RawReceived().find("\x02\x06\x03"), std::string::npos);
  EXPECT_EQ(dialog->terminal().online.lastCode, "00FF\r\n");
}

}  // namespace
}  // namespace tagline::app
