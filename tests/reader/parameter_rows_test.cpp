// SPDX-License-Identifier: Apache-2.0
// The parameter rows against the simulated reader: lists, writes, reads, the up-down
// control, and a walk over the whole catalogue for every reader model.
#include <gtest/gtest.h>

#include <map>

#include "dialog_fixture.h"
#include "protocol/classify_reader_version.h"
#include "reader/parameter_catalogue.h"
#include "reader/tag_type_masks.h"
#include "serial/frame.h"

namespace tagline::app {
namespace {

using protocol::ReaderModel;
using reader::ParameterKind;

// A version text for every model, padded so that the 50-byte version read ends at once.
const std::map<int, std::string>& VersionTexts() {
  static const std::map<int, std::string> texts = [] {
    std::map<int, std::string> t = {{1, "B2.1 VIP"},
                                    {2, "KTR H9 V2.4"},
                                    {3, "KTR H9 V3.1"},
                                    {4, "B2.0"},
                                    {5, "V2.0"},
                                    {6, "630"},
                                    {7, "629"},
                                    {8, "KTR H9 V2.7"},
                                    {9, "B2.1"},
                                    {10, "V2.1"},
                                    {11, "V2.2"},
                                    {12, "S3 2.0"},
                                    {13, "S3 2.1"},
                                    {14, "xyz"},
                                    {15, "KTR H9 V4.1"},
                                    {16, "KTR H9 V4.2"},
                                    {17, "KTR H9 HF V1.1"},
                                    {18, "Talvikko"},
                                    {19, "KTR H9 HF V1.2"},
                                    {20, "Fenra"},
                                    {21, "KTR H9 HF V1.3"},
                                    {22, "V2.20011"},
                                    {23, "V2.40000"},
                                    {24, "V2.5"},
                                    {25, "V2.60000"},
                                    {26, "LMW 1H V4.3"},
                                    {27, "V2.4"},
                                    {28, "V2.60005"},
                                    {29, "V2.7"},
                                    {30, "V2.8"},
                                    {31, "V2.9"},
                                    {32, "KTR H9 HF V4.30030"},
                                    {33, "V2.60012"},
                                    {34, "V2.60015"},
                                    {35, "KTR H9 HF V4.30040"},
                                    {36, "KTR H9 V4.30040"},
                                    {37, "V2.90006"},
                                    {38, "KTR H9 HF V1.0xxxxxxxCS3"},
                                    {39, "V2.60020"},
                                    {40, "V2.90009"},
                                    {41, "KTR H9 V4.30054"}};
    // Not model 19: its rule reads a build number only when the text ends soon after.
    for (auto& [model, text] : t) {
      if (model != 19 && model != 0) text.resize(std::max<std::size_t>(text.size(), 45), ' ');
    }
    return t;
  }();
  return texts;
}

class ParameterEditTest : public DialogFixture {
 protected:
  void StartWithModel(int model) { StartWithSimulator(VersionTexts().at(model)); }
  void SetControl(int id, const std::string& text) { dialog->controls().UserSetText(id, text); }
  std::vector<std::string> CommandsAfterSv() const {
    std::vector<std::string> sent;
    for (const auto& c : reader->Commands()) {
      if (c != "SV") sent.push_back(c);
    }
    return sent;
  }
  void Selection(const std::string& name, const std::string& label) {
    SetControl(ctl::kParameterName, name);
    SetControl(ctl::kParameterValue, label);
    dialog->OnCommand(ctl::kParameterButton);
  }
  void Numeric(const std::string& name, const std::string& number) {
    SetControl(ctl::kNumericName, name);
    SetControl(ctl::kNumericValue, number);
    dialog->OnCommand(ctl::kNumericButton);
  }
};

TEST_F(ParameterEditTest, VersionTextsGiveTheirModels) {
  for (const auto& [model, text] : VersionTexts()) {
    EXPECT_EQ(static_cast<int>(protocol::ClassifyReaderVersion(text)), model) << text;
  }
}

TEST_F(ParameterEditTest, ModeReadShowsTheModelsLabel) {
  StartWithModel(11);
  device->SetCell(0x001, 0x01);
  Selection("Mode", "");
  EXPECT_EQ(CommandsAfterSv(), std::vector<std::string>{"S001"});
  EXPECT_EQ(Text(ctl::kParameterButton), "S001");
  EXPECT_EQ(Text(ctl::kParameterResult), "01");
  EXPECT_EQ(Text(ctl::kReceived), "01 // Online\r\n");
  EXPECT_EQ(Text(ctl::kSent), "S001\r\n");
}

TEST_F(ParameterEditTest, ModeReadOnAnotherModel) {
  StartWithModel(4);
  device->SetCell(0x001, 0x01);
  Selection("Mode", "");
  EXPECT_EQ(Text(ctl::kReceived), "01 // Data->RS232\r\n");
}

TEST_F(ParameterEditTest, SelectionWritesShareAnAddress) {
  // Language and Continuous Read live in the same cell, on different readers.
  int continuousModel = 0;
  for (const auto& [model, text] : VersionTexts()) {
    if (reader::IsNameOffered(ParameterKind::Selection, "Continuous Read",
                              static_cast<ReaderModel>(model))) {
      continuousModel = model;
    }
  }
  ASSERT_NE(continuousModel, 0);
  StartWithModel(4);
  Selection("Language", "Deutsch");
  EXPECT_EQ(device->Cell(0x003), 0x01);
  reader->SetVersion(VersionTexts().at(continuousModel));
  Selection("Continuous Read", "Delay 3s");
  EXPECT_EQ(CommandsAfterSv(), (std::vector<std::string>{"s00301", "s00303"}));
  EXPECT_EQ(Text(ctl::kParameterResult), "// ACK");
  EXPECT_EQ(device->Cell(0x003), 0x03);
  // Each reader model keeps its own cells.
  EXPECT_EQ(device->Cell(VersionTexts().at(4), 0x003), 0x01);
}

TEST_F(ParameterEditTest, AcknowledgedWritesUpdateTheDisplaySettings) {
  StartWithModel(4);
  Selection("Time", "on");
  EXPECT_EQ(dialog->settings().time, 1);
  device->RefuseCell(0x013, serial::kNak);
  Selection("Time", "off");
  EXPECT_EQ(dialog->settings().time, 1);
  EXPECT_EQ(Text(ctl::kParameterResult), "// NAK");
  Selection("Type", "on");
  EXPECT_EQ(dialog->settings().onltyp, 1);
  Selection("Show Bad Frame", "on");
  EXPECT_EQ(dialog->settings().showbadframe, 1);
}

TEST_F(ParameterEditTest, ReadsUpdateTheDisplaySettings) {
  StartWithModel(4);
  device->SetCell(0x012, 0x01);
  Selection("Buzzer", "");
  EXPECT_EQ(dialog->settings().beeper, 1);
}

TEST_F(ParameterEditTest, NameNotValidForTheModelSendsNothing) {
  StartWithModel(11);
  Selection("Handshake BT", "on");
  EXPECT_TRUE(CommandsAfterSv().empty());
  EXPECT_EQ(Text(ctl::kParameterName), "");
  EXPECT_EQ(Text(ctl::kParameterValue), "");
}

TEST_F(ParameterEditTest, NumericWritesOverSeveralCells) {
  StartWithModel(4);
  Numeric("Timeout2", "500");
  Numeric("OP00", "-2");
  Numeric("Serial Number", "12345");
  Numeric("TurnOffTime  ", "Off");
  Numeric("TimeoutMain", "abc");
  EXPECT_EQ(reader->Commands(),
            (std::vector<std::string>{"s00CF4", "s00D01", "s01BFE", "s01CFF", "s01445", "s01523",
                                      "s01601", "s00E1F", "s00E01"}));
  EXPECT_EQ(Text(ctl::kNumericButton), "s00E01");
}

TEST_F(ParameterEditTest, NumericReadShowsTheHighByteFirst) {
  StartWithModel(4);
  device->SetCell(0x00C, 0xF4);
  device->SetCell(0x00D, 0x01);
  Numeric("Timeout2", "");
  EXPECT_EQ(Text(ctl::kNumericResult), "01F4");
  EXPECT_EQ(Text(ctl::kReceived), "F4\r\n01 // 500 milli seconds\r\n");
}

TEST_F(ParameterEditTest, TagTypesWriteAndRead) {
  StartWithModel(4);
  SetControl(ctl::kTagTypes, "Trovan; HDX; FDX-B");
  dialog->OnCommand(ctl::kTagTypeButton);
  EXPECT_EQ(CommandsAfterSv(), (std::vector<std::string>{"s00C31", "s00D00"}));
  reader->ClearRecord();
  device->SetCell(0x00C, 0xFF);
  SetControl(ctl::kTagTypes, "");
  dialog->OnCommand(ctl::kTagTypeButton);
  EXPECT_EQ(CommandsAfterSv(), (std::vector<std::string>{"S00C", "S00D"}));
  // A long list is wrapped, and the sent pane gets a line more to stay in step.
  EXPECT_NE(Text(ctl::kReceived).find("\r\n   // "), std::string::npos);
  EXPECT_EQ(std::count(Text(ctl::kReceived).begin(), Text(ctl::kReceived).end(), '\r'),
            std::count(Text(ctl::kSent).begin(), Text(ctl::kSent).end(), '\r'));
}

TEST_F(ParameterEditTest, ListsFollowTheConnectedModel) {
  StartWithModel(33);
  dialog->OnCommand(ctl::kNumericName, notify::kDropDown);
  const auto& numeric = dialog->controls().at(ctl::kNumericName).items;
  EXPECT_NE(std::find(numeric.begin(), numeric.end(), "TurnOffTime "), numeric.end());
  EXPECT_EQ(std::find(numeric.begin(), numeric.end(), "TurnOffTime"), numeric.end());
  reader->SetVersion(VersionTexts().at(39));
  dialog->OnCommand(ctl::kNumericName, notify::kDropDown);
  const auto& again = dialog->controls().at(ctl::kNumericName).items;
  EXPECT_NE(std::find(again.begin(), again.end(), "TurnOffTime  "), again.end());
  EXPECT_EQ(std::find(again.begin(), again.end(), "TurnOffTime "), again.end());

  dialog->OnCommand(ctl::kTagTypes, notify::kSetFocus);
  EXPECT_EQ(dialog->controls().at(ctl::kTagTypes).items.size(), 10u);
  SetControl(ctl::kParameterName, "Mode");
  dialog->OnCommand(ctl::kParameterName, notify::kKillFocus);
  const auto& labels = dialog->controls().at(ctl::kParameterValue).items;
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels.front(), "");
}

TEST_F(ParameterEditTest, TagTypeListHoldsTheConnectedModelsNames) {
  const auto focus = [this](int model) {
    reader->SetVersion(VersionTexts().at(model));
    dialog->OnCommand(ctl::kTagTypes, notify::kSetFocus);
    std::vector<std::string> items = dialog->controls().at(ctl::kTagTypes).items;
    std::sort(items.begin(), items.end());
    return items;
  };
  const auto sorted = [](std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> eight = {"Trovan", "ASK",   "Datamars", "Destron",
                                          "HDX",    "FDX-B", "PSK2",     "PSK1"};
  auto eightAndUid = eight;
  eightAndUid.push_back("UID");
  auto eightAndData = eight;
  eightAndData.push_back("Data/Temp");

  StartWithModel(41);
  EXPECT_EQ(focus(4), sorted(eight));
  EXPECT_EQ(focus(2), std::vector<std::string>{});
  EXPECT_EQ(focus(1), sorted({"VIP", "Humidity"}));
  EXPECT_EQ(focus(25), sorted(eightAndUid));
  EXPECT_EQ(focus(37), sorted(eightAndData));
  EXPECT_EQ(focus(41), std::vector<std::string>{});
  for (const auto& [model, text] : VersionTexts()) {
    const auto offered = reader::OfferedTagTypeNames(static_cast<ReaderModel>(model));
    EXPECT_EQ(focus(model), sorted(std::vector<std::string>(offered.begin(), offered.end())))
        << model;
  }
  const auto commands = reader->Commands();
  EXPECT_TRUE(std::all_of(commands.begin(), commands.end(),
                          [](const std::string& c) { return c == "SV"; }));
}

TEST_F(ParameterEditTest, RowChangesResetTheCaptions) {
  StartWithModel(4);
  Selection("Language", "Deutsch");
  EXPECT_EQ(Text(ctl::kParameterButton), "s00301");
  dialog->OnCommand(ctl::kParameterName, notify::kSelChange);
  EXPECT_EQ(Text(ctl::kParameterButton), "...");
  EXPECT_EQ(Text(ctl::kParameterValue), "");
  Numeric("Timeout2", "5");
  dialog->OnCommand(ctl::kNumericValue, notify::kEditChange);
  EXPECT_EQ(Text(ctl::kNumericButton), "...");
}

TEST_F(ParameterEditTest, UpDownStepsWithinTheNamesBounds) {
  Start();
  SetControl(ctl::kNumericName, "Timeout2");
  SetControl(ctl::kNumericValue, "999");
  dialog->OnDeltaPos(ctl::kNumericSpin, -1);
  EXPECT_EQ(Text(ctl::kNumericValue), "1000");
  dialog->OnDeltaPos(ctl::kNumericSpin, -1);
  EXPECT_EQ(Text(ctl::kNumericValue), "1000");
  dialog->OnDeltaPos(ctl::kNumericSpin, 1);
  EXPECT_EQ(Text(ctl::kNumericValue), "999");
  SetControl(ctl::kNumericName, "TurnOffTime  ");
  SetControl(ctl::kNumericValue, "30");
  dialog->OnDeltaPos(ctl::kNumericSpin, -1);
  EXPECT_EQ(Text(ctl::kNumericValue), "Off");
}

TEST_F(ParameterEditTest, WalkEveryNameForEveryModel) {
  StartWithModel(41);
  for (const auto& [model, text] : VersionTexts()) {
    reader->SetVersion(text);
    const auto m = static_cast<ReaderModel>(model);
    for (const auto name : reader::OfferedNames(ParameterKind::Selection, m)) {
      Selection(std::string(name), "");
      for (const auto label : reader::ValueLabelsOffered(name, m)) {
        Selection(std::string(name), std::string(label));
      }
    }
    for (const auto name : reader::OfferedNames(ParameterKind::Numeric, m)) {
      Numeric(std::string(name), "");
      Numeric(std::string(name), "1");
    }
    SetControl(ctl::kTagTypes, "");
    dialog->OnCommand(ctl::kTagTypeButton);
  }
  // Every command had a cell address, and writes a value too.
  std::size_t writes = 0;
  for (const auto& command : CommandsAfterSv()) {
    ASSERT_TRUE(command.size() == 4 || command.size() == 6) << command;
    ASSERT_TRUE(command[0] == 'S' || command[0] == 's') << command;
    writes += command[0] == 's';
  }
  EXPECT_GT(writes, 500u);
  EXPECT_TRUE(host.messages().empty());
}

}  // namespace
}  // namespace tagline::app
