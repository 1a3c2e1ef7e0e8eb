// SPDX-License-Identifier: Apache-2.0
#include "reader/factory_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/reader_model.h"
#include "reader/factory_plan.h"
#include "reader/parameter_catalogue.h"
#include "reader/parameter_encoding.h"
#include "serial/reply.h"

namespace tagline::reader {
namespace {

using enum ReaderModel;
using serial::ReplyClass;
using Strings = std::vector<std::string>;
using Rows = std::vector<int>;
using Writes = std::vector<FactoryWrite>;
using D = FactoryDialog;
using C = FactoryChoice;

ReaderModel Model(int value) {
  return static_cast<ReaderModel>(value);
}

Rows RowsOf(const Writes& writes) {
  Rows rows;
  for (const FactoryWrite& w : writes) rows.push_back(w.row);
  return rows;
}

Strings CommandsOf(const Writes& writes) {
  Strings commands;
  for (const FactoryWrite& w : writes) commands.push_back(w.command);
  return commands;
}

bool HasCommand(const Writes& writes, std::string_view command) {
  return std::any_of(writes.begin(), writes.end(),
                     [command](const FactoryWrite& w) { return w.command == command; });
}

Writes WithLogName(const Writes& writes, std::string_view logName) {
  Writes found;
  for (const FactoryWrite& w : writes) {
    if (w.logName == logName) found.push_back(w);
  }
  return found;
}

FactoryAnswers Answered(D dialog, C choice, std::string_view text = {}) {
  FactoryAnswers answers;
  answers.Record(dialog, choice, text);
  return answers;
}

// Address and value of "s" + three + two upper-case hex digits.
struct CellWrite {
  int address = 0;
  int value = 0;
};
std::optional<CellWrite> ParseCellWrite(const std::string& command) {
  if (command.size() != 6 || command[0] != 's') return std::nullopt;
  if (std::any_of(command.begin(), command.end(), [](char c) { return c >= 'a' && c <= 'f'; })) {
    return std::nullopt;
  }
  const auto high = ParseHexByte("0" + command.substr(1, 1));
  const auto low = ParseHexByte(command.substr(2, 2));
  const auto value = ParseHexByte(command.substr(4, 2));
  if (!high || !low || !value) return std::nullopt;
  return CellWrite{*high * 256 + *low, *value};
}

// ---------------------------------------------------------------------------------------
// The table

TEST(FactoryTable, NinetyRowsOfCellWrites) {
  const auto table = FactoryTable();
  ASSERT_EQ(table.size(), 90u);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const FactoryDefaultStep& step = table[i];
    EXPECT_EQ(step.row, static_cast<int>(i + 1));
    EXPECT_FALSE(step.models.Empty()) << step.row;
    if (step.value == FactoryValue::Fixed) {
      EXPECT_TRUE(ParseCellWrite(std::string(step.command))) << step.command;
    }
  }
  EXPECT_EQ(table[3].ackLine, "// ACK, Languange -> english");  // the reader log's spelling
  EXPECT_EQ(table[34].ackLine, "// Timeout -> 10 seconds");
}

TEST(FactoryTable, ReplyLinesAreBuiltFromTheLogName) {
  const FactoryAnswers answers = Answered(D::SerialNumber, C::Yes, "12345");
  for (FactoryDefaultStep step : FactoryTable()) {
    if (step.value == FactoryValue::CellSets) continue;
    SCOPED_TRACE(step.row);
    step.decidedBy = D::None;
    const Writes writes = FactoryRowWrites(step, answers);
    ASSERT_EQ(writes.size(), 1u);
    const FactoryWrite& w = writes[0];
    EXPECT_TRUE(ParseCellWrite(w.command)) << w.command;
    EXPECT_EQ(FactoryReplyLine(w, ReplyClass::Ack), w.ackLine);
    EXPECT_EQ(FactoryReplyLine(w, ReplyClass::Nak),
              step.row == 84 ? "// NAK. Algos" : "// NAK, " + std::string(step.logName));
    EXPECT_EQ(FactoryReplyLine(w, ReplyClass::Bel), "// BEL, " + std::string(step.logName));
    EXPECT_EQ(FactoryReplyLine(w, ReplyClass::Other), "// " + std::string(step.logName));
    EXPECT_EQ(FactoryReplyLine(w, ReplyClass::NoAnswer), "");
  }
}

// A row that sets a main-window value writes that value's cell, and the value it sets is
// the one written (any buzzer level counts as on).
TEST(FactoryTable, MainWindowValuesFollowTheWrittenCell) {
  std::set<int> changing;
  for (const FactoryDefaultStep& step : FactoryTable()) {
    if (!step.change) continue;
    changing.insert(step.row);
    const auto cell = ParseCellWrite(std::string(step.command));
    ASSERT_TRUE(cell) << step.row;
    const std::pair<MainWindowValue, int> expected =
        cell->address == 0x004   ? std::pair{MainWindowValue::Fragmentation, cell->value}
        : cell->address == 0x009 ? std::pair{MainWindowValue::Onltyp, cell->value}
        : cell->address == 0x00B ? std::pair{MainWindowValue::Showbadframe, cell->value}
        : cell->address == 0x013 ? std::pair{MainWindowValue::Time, cell->value}
        : cell->address == 0x012 ? std::pair{MainWindowValue::Beeper, cell->value != 0 ? 1 : 0}
                                 : std::pair{MainWindowValue::Time, -1};
    EXPECT_EQ(*step.change, (MainWindowChange{expected.first, expected.second})) << step.row;
  }
  EXPECT_EQ(changing, (std::set<int>{7, 11, 13, 16, 41, 45, 56, 63, 67, 83}));
}

// Alternative rows (a dialog's choices, the model variants of a parameter) never meet in
// one run: whatever the answers, no model writes a cell twice.
TEST(FactoryTable, NoRunWritesACellTwice) {
  std::vector<FactoryAnswers> all;
  for (const C language : {C::None, C::English, C::Deutsch}) {
    for (const C pair : {C::None, C::UsbRs232, C::UsbRs232Bluetooth}) {
      for (const C four : {C::None, C::Rs232, C::Usb, C::Rs232Bluetooth, C::UsbBluetooth}) {
        for (const C antenna : {C::None, C::Ferrite, C::AirCoil}) {
          FactoryAnswers answers;
          answers.Record(D::Language, language);
          answers.Record(D::InterfacePair, pair);
          answers.Record(D::InterfaceFour, four);
          answers.Record(D::Antenna, antenna);
          answers.Record(D::SerialNumber, C::Yes, "70531");
          all.push_back(answers);
        }
      }
    }
  }
  for (int m = 0; m < kReaderModelCount; ++m) {
    for (const FactoryAnswers& answers : all) {
      std::set<int> addresses;
      for (const FactoryWrite& w : FactoryWrites(Model(m), answers)) {
        const auto cell = ParseCellWrite(w.command);
        ASSERT_TRUE(cell) << w.command;
        EXPECT_TRUE(addresses.insert(cell->address).second) << "model " << m << ": " << w.command;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------
// Row 86: the antenna and transponder cells

TEST(FactoryCellWrites, EveryCellOnceInAddressOrder) {
  const Writes& writes = FactoryCellWrites();
  ASSERT_EQ(writes.size(), 108u);
  int address = 0x017;
  for (const FactoryWrite& w : writes) {
    EXPECT_EQ(w.row, 86);
    const auto cell = ParseCellWrite(w.command);
    ASSERT_TRUE(cell) << w.command;
    EXPECT_EQ(cell->address, address++) << w.command;
    EXPECT_EQ(w.nakLine, "// NAK, " + w.logName);
  }
  EXPECT_EQ(writes[6].logName, "AP10");
  EXPECT_EQ(writes[30].logName, "AP01");
  EXPECT_EQ(writes[90].logName, "AT0");
  EXPECT_EQ(writes.back().logName, "OT2");
}

// The ACK line names the decimal value the cells hold: a one-cell value after its write,
// a two-cell value (low byte first) after its second write; the first of two names the
// parameter alone.
TEST(FactoryCellWrites, AckLinesTellTheValueTheCellsHold) {
  const Writes& writes = FactoryCellWrites();
  for (std::size_t i = 0; i < writes.size(); ++i) {
    const FactoryWrite& w = writes[i];
    const int value = ParseCellWrite(w.command)->value;
    if (w.logName[0] == 'A' || w.logName[0] == 'L') {
      EXPECT_EQ(w.ackLine, "// ACK, " + w.logName + " -> " + std::to_string(value));
      continue;
    }
    ASSERT_LT(i + 1, writes.size());
    const FactoryWrite& high = writes[++i];
    EXPECT_EQ(high.logName, w.logName);
    EXPECT_EQ(w.ackLine, "// ACK, " + w.logName);
    const int word = static_cast<std::int16_t>(ParseCellWrite(high.command)->value * 256 + value);
    EXPECT_EQ(high.ackLine, "// ACK, " + w.logName + " -> " + std::to_string(word));
    if (w.logName[0] == 'D') {
      EXPECT_GE(word, 1) << w.logName;
    }
  }
  EXPECT_EQ(writes[0].command, "s0176B");
  EXPECT_EQ(writes[0].ackLine, "// ACK, AP00 -> 107");
  const std::size_t dp11 = 6 * 6 + 2;  // set 11 is the seventh antenna set
  EXPECT_EQ(CommandsOf({writes[dp11], writes[dp11 + 1]}), (Strings{"s03DF2", "s03E03"}));
  EXPECT_EQ(writes[dp11 + 1].ackLine, "// ACK, DP11 -> 1010");
  const std::size_t t1 = 16 * 6;
  EXPECT_EQ(CommandsOf(Writes(writes.begin() + t1, writes.begin() + t1 + 6)),
            (Strings{"s0775B", "s07810", "s07974", "s07A00", "s07B00", "s07C00"}));
}

// ---------------------------------------------------------------------------------------
// The writes of a model

TEST(FactoryWrites, Model4WithAndWithoutLanguage) {
  const Rows english = {1,  2,  4,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                        23, 32, 34, 35, 40, 41, 42, 45, 46, 47, 48};
  EXPECT_EQ(FactoryDialogsAsked(B20), (std::vector<D>{D::Language}));
  const std::vector<FactoryItem> items = FactorySequence(B20);
  ASSERT_GE(items.size(), 4u);
  EXPECT_EQ(items[2].dialog, D::Language);  // after rows 1 and 2, before row 4
  EXPECT_EQ(items[3].step->row, 4);

  EXPECT_EQ(RowsOf(FactoryWrites(B20, Answered(D::Language, C::English))), english);
  Rows closed = english;
  closed.erase(std::find(closed.begin(), closed.end(), 4));
  EXPECT_EQ(RowsOf(FactoryWrites(B20, FactoryAnswers{})), closed);
  EXPECT_EQ(closed.size(), 22u);
  Rows deutsch = english;
  *std::find(deutsch.begin(), deutsch.end(), 4) = 5;
  const Writes withDeutsch = FactoryWrites(B20, Answered(D::Language, C::Deutsch));
  EXPECT_EQ(RowsOf(withDeutsch), deutsch);
  EXPECT_TRUE(HasCommand(withDeutsch, "s00301"));
}

TEST(FactoryWrites, Model33InterfaceAndSerialNumber) {
  EXPECT_EQ(FactoryDialogsAsked(V26Build12), (std::vector<D>{D::InterfacePair, D::SerialNumber}));
  FactoryAnswers answers;
  answers.Record(D::InterfacePair, C::UsbRs232Bluetooth);
  answers.Record(D::SerialNumber, C::Yes, "12345");
  const Writes writes = FactoryWrites(V26Build12, answers);
  Writes serial;
  for (const std::string_view name : {"Serial Number 1", "Serial Number 2", "Serial Number 3"}) {
    for (const FactoryWrite& w : WithLogName(writes, name)) serial.push_back(w);
  }
  ASSERT_EQ(serial.size(), 3u);
  EXPECT_EQ(CommandsOf(serial), (Strings{"s01445", "s01523", "s01601"}));
  EXPECT_EQ(serial[0].ackLine, "// ACK, Serial Number 1 -> 45");
  EXPECT_EQ(serial[1].ackLine, "// ACK, Serial Number 2 -> 23");
  EXPECT_EQ(serial[2].ackLine, "// ACK, Serial Number 3 -> 01");
  // The same cells as a "Serial Number" entered by hand.
  const NumericCommand byHand = NumericCommandBodies("Serial Number", "12345");
  ASSERT_EQ(byHand.bodies.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(serial[i].command, CellCommand(byHand.bodies[i]));
  EXPECT_EQ(CommandsOf(WithLogName(writes, "Factory Interface")), (Strings{"s00601"}));

  FactoryAnswers declined;
  declined.Record(D::SerialNumber, C::No, "12345");
  const Writes none = FactoryWrites(V26Build12, declined);
  EXPECT_TRUE(WithLogName(none, "Serial Number 1").empty());
  EXPECT_TRUE(WithLogName(none, "Factory Interface").empty());
  EXPECT_EQ(none.size() + 4, writes.size());
}

TEST(FactoryWrites, KeyboardLayoutFollowsTheLanguage) {
  const auto layout = [](ReaderModel model, const FactoryAnswers& answers) {
    return CommandsOf(WithLogName(FactoryWrites(model, answers), "HID-Keyboard"));
  };
  EXPECT_EQ(layout(KtrH9V42, Answered(D::Language, C::English)), (Strings{"s08109"}));
  EXPECT_EQ(layout(KtrH9V42, Answered(D::Language, C::Deutsch)), (Strings{"s08107"}));
  EXPECT_EQ(layout(KtrH9V42, FactoryAnswers{}), (Strings{"s08107"}));
  // Model 41 is not asked, so an answer given for another model does not count.
  EXPECT_TRUE(FactoryDialogsAsked(KtrH9V43Build54).empty());
  EXPECT_EQ(layout(KtrH9V43Build54, Answered(D::Language, C::English)), (Strings{"s08107"}));
}

TEST(FactoryWrites, Model1SendsItsRowsThenTheCellSets) {
  EXPECT_TRUE(FactoryDialogsAsked(B21Vip).empty());
  const Writes writes = FactoryWrites(B21Vip, FactoryAnswers{});
  ASSERT_EQ(writes.size(), 119u);
  Rows expected;
  for (int r = 75; r <= 85; ++r) expected.push_back(r);
  expected.insert(expected.end(), 108, 86);
  EXPECT_EQ(RowsOf(writes), expected);
  EXPECT_TRUE(
      std::equal(FactoryCellWrites().begin(), FactoryCellWrites().end(), writes.begin() + 11));
  // Row 75 writes the interface its ACK line reports.
  EXPECT_EQ(writes[0].command, "s" + SelectionCommandBody("Interface", "USB/RS232", B21Vip));
  EXPECT_EQ(writes[0].ackLine, "// ACK, Interface -> USB/RS232");
  EXPECT_EQ(DecodeSelectionValue("Interface", B21Vip, writes[0].command.substr(4)),
            " // USB/RS232");
}

TEST(FactoryWrites, ModelsWithoutAFactorySet) {
  for (int m = 1; m < kReaderModelCount; ++m) {
    EXPECT_EQ(FactorySequence(Model(m)).empty(), m == 2 || m == 8 || m == 14) << m;
  }
  for (const int m : {0, int{protocol::kFailedModel}, 42}) {
    EXPECT_TRUE(FactoryWrites(Model(m), Answered(D::Language, C::English)).empty()) << m;
  }
}

// Each interface button sends one row, whose ACK line names the button and whose value is
// the catalogue's code for that interface on the model.
TEST(FactoryWrites, InterfaceButtonsAgreeWithTheCatalogue) {
  const auto check = [](D dialog, std::initializer_list<ReaderModel> models) {
    const std::optional<FactoryDialogInfo> info = DescribeFactoryDialog(dialog);
    ASSERT_TRUE(info);
    for (const ReaderModel model : models) {
      const std::vector<D> asked = FactoryDialogsAsked(model);
      EXPECT_EQ(std::count(asked.begin(), asked.end(), dialog), 1) << static_cast<int>(model);
      EXPECT_TRUE(WithLogName(FactoryWrites(model, FactoryAnswers{}), "Factory Interface").empty());
      for (const FactoryButton& button : info->buttons) {
        const Writes sent =
            WithLogName(FactoryWrites(model, Answered(dialog, button.choice)), "Factory Interface");
        ASSERT_EQ(sent.size(), 1u) << static_cast<int>(model) << " " << button.caption;
        EXPECT_EQ(sent[0].ackLine, "// ACK, Factory Interface -> " + std::string(button.caption));
        EXPECT_EQ(sent[0].command,
                  "s" + SelectionCommandBody("Interf. Selection", button.caption, model));
      }
    }
  };
  check(D::InterfaceFour, {V25, V27, V28, V29, V29Rev5, V29Rev9});
  check(D::InterfacePair, {V22, S321, V220011, V240000, V26Build0, V24, V26Build1});
}

TEST(FactoryWrites, AntennaRowsComeLast) {
  for (const ReaderModel model : {KtrH9HfV43Build27, KtrH9HfV43Build39, KtrH9HfV10Cs3}) {
    SCOPED_TRACE(static_cast<int>(model));
    const std::vector<FactoryItem> items = FactorySequence(model);
    ASSERT_GE(items.size(), 5u);
    EXPECT_EQ(items[items.size() - 5].dialog, D::Antenna);
    const Rows none = RowsOf(FactoryWrites(model, FactoryAnswers{}));
    Rows airCoil = none;
    airCoil.insert(airCoil.end(), {87, 88});
    Rows ferrite = none;
    ferrite.insert(ferrite.end(), {89, 90});
    EXPECT_EQ(RowsOf(FactoryWrites(model, Answered(D::Antenna, C::AirCoil))), airCoil);
    EXPECT_EQ(RowsOf(FactoryWrites(model, Answered(D::Antenna, C::Ferrite))), ferrite);
    EXPECT_LT(none.back(), 87);
  }
}

TEST(FactoryWrites, PinCodeGoesOutInTwoHalves) {
  EXPECT_EQ(kFactoryPinCode, "1234");
  const NumericCommand byHand = NumericCommandBodies("PIN Code", kFactoryPinCode);
  ASSERT_EQ(byHand.bodies.size(), 2u);
  for (const ReaderModel model : {KtrH9V40, KtrH9V42, Talvikko, HfV1Recent, KtrH9V43Build54}) {
    const Writes pin = WithLogName(FactoryWrites(model, FactoryAnswers{}), "PIN Code");
    ASSERT_EQ(pin.size(), 2u) << static_cast<int>(model);
    EXPECT_EQ(CommandsOf(pin), (Strings{"s08412", "s08534"}));
    EXPECT_EQ(CommandsOf(pin),
              (Strings{CellCommand(byHand.bodies[0]), CellCommand(byHand.bodies[1])}));
    EXPECT_EQ(pin[0].ackLine, "// ACK, PIN Code -> 12**");
    EXPECT_EQ(pin[1].ackLine, "// ACK, PIN Code -> **34");
  }
}

// ---------------------------------------------------------------------------------------
// Dialogs and job steps

TEST(FactoryDialogs, Descriptions) {
  EXPECT_EQ(DescribeFactoryDialog(D::None), std::nullopt);
  const auto four = DescribeFactoryDialog(D::InterfaceFour);
  EXPECT_EQ(four->title, "Factory interface selection");
  EXPECT_EQ(four->title, DescribeFactoryDialog(D::InterfacePair)->title);
  ASSERT_EQ(four->buttons.size(), 4u);
  EXPECT_EQ(four->buttons[2].controlId, 1129);
  EXPECT_EQ(four->buttons[2].choice, C::Rs232Bluetooth);
  EXPECT_FALSE(four->question);
  const auto serial = DescribeFactoryDialog(D::SerialNumber);
  EXPECT_EQ(serial->title, "Write Serial Number");
  EXPECT_TRUE(serial->question);
  EXPECT_EQ(serial->editId, 1140);
  EXPECT_EQ(DescribeFactoryDialog(D::DeleteAttributes)->buttons[0].caption, "YES");
}

TEST(FactoryDialogs, SerialNumberNeedsFiveDigits) {
  EXPECT_TRUE(SerialNumberAcceptable("12345"));
  EXPECT_TRUE(SerialNumberAcceptable("00000"));
  for (const std::string_view text :
       {"", "1234", "123456", "1234a", " 1234", "1234\xB2", "-1234"}) {
    EXPECT_FALSE(SerialNumberAcceptable(text)) << text;
    // "YES" could not have been pressed: the rows are skipped rather than sent with
    // whatever characters there are.
    const FactoryAnswers answers = Answered(D::SerialNumber, C::Yes, text);
    EXPECT_EQ(answers.Choice(D::SerialNumber), C::None);
    EXPECT_TRUE(WithLogName(FactoryWrites(V26Build18, answers), "Serial Number 3").empty());
  }
  FactoryAnswers answers = Answered(D::SerialNumber, C::Yes, "98765");
  EXPECT_EQ(answers.SerialNumber(), "98765");
  answers.Record(D::SerialNumber, C::No, "98765");
  EXPECT_EQ(answers.SerialNumber(), "");
}

TEST(FactoryDialogs, AnswersKeepOnlyTheDialogsOwnButtons) {
  FactoryAnswers answers;
  answers.Record(D::Language, C::Ferrite);
  EXPECT_EQ(answers.Choice(D::Language), C::None);
  answers.Record(D::Language, C::Deutsch);
  answers.Record(D::DeleteAttributes, C::Yes);
  answers.Record(D::None, C::Yes);
  EXPECT_EQ(answers.Choice(D::Language), C::Deutsch);
  EXPECT_EQ(answers.Choice(D::DeleteAttributes), C::Yes);
  EXPECT_EQ(answers.Choice(D::Antenna), C::None);
  EXPECT_EQ(answers.Choice(D::None), C::None);
}

TEST(FactoryJobSteps, ModelsPerStep) {
  for (const int m : {0, 14, 17, 35, 38}) EXPECT_FALSE(FactoryClearsDatabase(Model(m))) << m;
  for (const int m : {1, 2, 8, 13, 15, 16, 18, 34, 36, 37, 39, 41}) {
    EXPECT_TRUE(FactoryClearsDatabase(Model(m))) << m;
  }
  for (const int m : {0, 1, 2, 8, 14, 17, 18, 20, 38}) {
    EXPECT_FALSE(FactoryAsksDeleteAttributes(Model(m))) << m;
  }
  for (const int m : {3, 15, 19, 21, 28, 33, 37, 39, 41}) {
    EXPECT_TRUE(FactoryAsksDeleteAttributes(Model(m))) << m;
  }
  for (const int m : {0, 1, 2, 8, 14, 17}) EXPECT_FALSE(FactorySetsClock(Model(m))) << m;
  for (const int m : {3, 15, 18, 20, 38, 41}) EXPECT_TRUE(FactorySetsClock(Model(m))) << m;
  // After a failed database clear the job model is the failed-step byte: nothing runs.
  const ReaderModel failed = Model(protocol::kFailedModel);
  EXPECT_FALSE(FactoryClearsDatabase(failed) || FactoryAsksDeleteAttributes(failed) ||
               FactorySetsClock(failed));
}

// ---------------------------------------------------------------------------------------
// Success counter and summary

// The step result for a model's writes, all acknowledged but the one `fromEnd` rows
// before the end (1 is the last row, 0 none), which draws `failure`.
std::int8_t ResultWith(const Writes& writes, std::size_t fromEnd, ReplyClass failure) {
  FactorySuccessCounter counter;
  for (std::size_t i = 0; i < writes.size(); ++i) {
    counter.Record(i + fromEnd == writes.size() ? failure : ReplyClass::Ack);
  }
  return counter.Result();
}

TEST(FactorySuccessCounter, AnyRowNotAcknowledgedFailsTheWrites) {
  for (const ReaderModel model : {B20, B21Vip, V26Build12, KtrH9V42}) {
    const Writes writes = FactoryWrites(model, Answered(D::Language, C::English));
    ASSERT_GE(writes.size(), 3u);
    for (const ReplyClass failure :
         {ReplyClass::Nak, ReplyClass::Bel, ReplyClass::Other, ReplyClass::NoAnswer}) {
      EXPECT_EQ(ResultWith(writes, writes.size(), failure), 0) << static_cast<int>(model);
      EXPECT_EQ(ResultWith(writes, 3, failure), 0) << static_cast<int>(model);
      EXPECT_EQ(ResultWith(writes, 1, failure), 0) << static_cast<int>(model);
    }
    EXPECT_GT(ResultWith(writes, 0, ReplyClass::Nak), 0) << "every row acknowledged";
  }
}

TEST(FactorySuccessCounter, NothingAcknowledgedIsNothingWritten) {
  FactorySuccessCounter counter;
  EXPECT_EQ(counter.Result(), 0) << "nothing written";
  for (int i = 0; i < 300; ++i) counter.Record(ReplyClass::Ack);
  EXPECT_GT(counter.Result(), 0) << "the count must not wrap";
  EXPECT_EQ(counter.Acknowledged(), 300);
  counter.Record(ReplyClass::NoAnswer);
  EXPECT_EQ(counter.Result(), 0) << "an unanswered row";
  counter.Record(ReplyClass::Ack);
  EXPECT_EQ(counter.Result(), 0) << "stays failed";
}

constexpr std::uint8_t kAllSteps = kFactoryVersionRead | kFactoryDatabaseCleared |
                                   kFactoryAttributesCleared | kFactoryClockSet |
                                   kFactoryParametersWritten;

TEST(FactorySummary, LinesForTheStepsThatRan) {
  EXPECT_EQ(FactorySummary({kAllSteps, kAllSteps}),
            "'SV'\tSoftware Version\tOK\r\n"
            "'EC'\tClear Eeprom\tOK\r\n"
            "'t'\tClear Attributes\tOK\r\n"
            "'r'\tSet Clock\t\tOK\r\n"
            "'s'\tWrite Parameters\tOK\r\n");
  // Model 35 skips the database clear; the attribute clear was declined.
  const std::uint8_t ran = kFactoryVersionRead | kFactoryClockSet | kFactoryParametersWritten;
  EXPECT_EQ(FactorySummary({ran, ran}),
            "'SV'\tSoftware Version\tOK\r\n"
            "'r'\tSet Clock\t\tOK\r\n"
            "'s'\tWrite Parameters\tOK\r\n");
  // The attribute clear was refused, the last row drew a NAK.
  const std::string failed = FactorySummary(
      {kAllSteps, static_cast<std::uint8_t>(
                      kAllSteps & ~(kFactoryAttributesCleared | kFactoryParametersWritten))});
  EXPECT_NE(failed.find("'t'\tClear Attributes\tNOK\r\n"), std::string::npos);
  EXPECT_NE(failed.find("'s'\tWrite Parameters\tNOK\r\n"), std::string::npos);
  EXPECT_NE(failed.find("'r'\tSet Clock\t\tOK\r\n"), std::string::npos);
}

TEST(FactorySummary, FailedClearWritesNothing) {
  // The clear failed: the job model became the failed-step byte and no parameter was sent.
  FactorySuccessCounter nothingSent;
  FactoryJobFlags flags{kFactoryVersionRead | kFactoryDatabaseCleared, kFactoryVersionRead};
  if (nothingSent.Result() > 0) flags.succeeded |= kFactoryParametersWritten;
  EXPECT_EQ(FactorySummary(flags),
            "'SV'\tSoftware Version\tOK\r\n"
            "'EC'\tClear Eeprom\tNOK\r\n"
            "'s'\tWrite Parameters\tNOK\r\n");
}

}  // namespace
}  // namespace tagline::reader
