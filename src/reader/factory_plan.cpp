// SPDX-License-Identifier: Apache-2.0
#include "reader/factory_plan.h"

#include <algorithm>
#include <array>
#include <limits>

#include "reader/model_set.h"

namespace tagline::reader {

namespace {

using D = FactoryDialog;
using C = FactoryChoice;

constexpr ModelSet kClearsDatabase = "1-13, 15, 16, 18-34, 36, 37, 39-41"_models;
constexpr ModelSet kAsksDeleteAttributes = "3-7, 9-13, 15, 16, 19, 21-37, 39-41"_models;
constexpr ModelSet kSetsClock = "3-7, 9-13, 15, 16, 18-41"_models;

constexpr int kFirstDialog = static_cast<int>(D::Language);
constexpr int kLastDialog = static_cast<int>(D::SerialNumber);

// Resource ids of the dialogs' buttons and edit.
constexpr std::array<FactoryButton, 2> kLanguageButtons = {{
    {C::English, 1125, "English"},
    {C::Deutsch, 1126, "Deutsch"},
}};
constexpr std::array<FactoryButton, 2> kPairButtons = {{
    {C::UsbRs232, 1127, "USB/RS232"},
    {C::UsbRs232Bluetooth, 1128, "USB/RS232+Bluetooth"},
}};
constexpr std::array<FactoryButton, 4> kFourButtons = {{
    {C::Rs232, 1131, "RS232"},
    {C::Usb, 1132, "USB"},
    {C::Rs232Bluetooth, 1129, "RS232+Bluetooth"},
    {C::UsbBluetooth, 1130, "USB+Bluetooth"},
}};
constexpr std::array<FactoryButton, 2> kAntennaButtons = {{
    {C::Ferrite, 1138, "Ferrite"},
    {C::AirCoil, 1139, "Air coil"},
}};
constexpr std::array<FactoryButton, 2> kYesNoButtons = {{
    {C::Yes, 1129, "YES"},
    {C::No, 1130, "NO"},
}};
constexpr int kSerialNumberEdit = 1140;

constexpr std::size_t kSerialDigits = 5;
constexpr std::size_t kPinDigits = 4;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsButtonOf(D dialog, C choice) {
  const std::optional<FactoryDialogInfo> info = DescribeFactoryDialog(dialog);
  return info && std::any_of(info->buttons.begin(), info->buttons.end(),
                             [choice](const FactoryButton& b) { return b.choice == choice; });
}

bool RowIsSent(const FactoryDefaultStep& step, const FactoryAnswers& answers) {
  if (step.decidedBy == D::None) return true;
  const bool chosen = answers.Choice(step.decidedBy) == step.choice;
  return step.unlessChosen ? !chosen : chosen;
}

// The value digits a row appends; nullopt when they are not available.
std::optional<std::string> ValueDigits(FactoryValue value, const FactoryAnswers& answers) {
  const std::string& serial = answers.SerialNumber();
  const bool haveSerial = serial.size() == kSerialDigits;
  static_assert(kFactoryPinCode.size() == kPinDigits);
  switch (value) {
    case FactoryValue::Fixed:
      return std::string();
    case FactoryValue::SerialLow:
      if (haveSerial) return serial.substr(3, 2);
      return std::nullopt;
    case FactoryValue::SerialMiddle:
      if (haveSerial) return serial.substr(1, 2);
      return std::nullopt;
    case FactoryValue::SerialHigh:
      if (haveSerial) return serial.substr(0, 1);
      return std::nullopt;
    case FactoryValue::PinFirst:
      return std::string(kFactoryPinCode.substr(0, 2));
    case FactoryValue::PinLast:
      return std::string(kFactoryPinCode.substr(2, 2));
    case FactoryValue::CellSets:
      break;
  }
  return std::nullopt;
}

}  // namespace

bool FactoryClearsDatabase(ReaderModel model) {
  return kClearsDatabase.Contains(model);
}

bool FactoryAsksDeleteAttributes(ReaderModel model) {
  return kAsksDeleteAttributes.Contains(model);
}

bool FactorySetsClock(ReaderModel model) {
  return kSetsClock.Contains(model);
}

std::optional<FactoryDialogInfo> DescribeFactoryDialog(FactoryDialog dialog) {
  switch (dialog) {
    case D::None:
      break;
    case D::Language:
      return FactoryDialogInfo{dialog, "Language selection", kLanguageButtons};
    case D::InterfacePair:
      return FactoryDialogInfo{dialog, "Factory interface selection", kPairButtons};
    case D::DeleteAttributes:
      return FactoryDialogInfo{dialog, "Delete Attributes", kYesNoButtons, true};
    case D::InterfaceFour:
      return FactoryDialogInfo{dialog, "Factory interface selection", kFourButtons};
    case D::Antenna:
      return FactoryDialogInfo{dialog, "Antenna selection", kAntennaButtons};
    case D::SerialNumber:
      return FactoryDialogInfo{dialog, "Write Serial Number", kYesNoButtons, true,
                               kSerialNumberEdit};
  }
  return std::nullopt;
}

bool SerialNumberAcceptable(std::string_view text) {
  return text.size() == kSerialDigits && std::all_of(text.begin(), text.end(), IsDigit);
}

void FactoryAnswers::Record(FactoryDialog dialog, FactoryChoice choice, std::string_view text) {
  const int id = static_cast<int>(dialog);
  if (id < kFirstDialog || id > kLastDialog) return;
  if (!IsButtonOf(dialog, choice)) choice = C::None;
  if (dialog == D::SerialNumber) {
    if (choice == C::Yes && !SerialNumberAcceptable(text)) choice = C::None;
    serialNumber_ = choice == C::Yes ? std::string(text) : std::string();
  }
  choices_[static_cast<std::size_t>(id - kFirstDialog)] = choice;
}

FactoryChoice FactoryAnswers::Choice(FactoryDialog dialog) const {
  const int id = static_cast<int>(dialog);
  if (id < kFirstDialog || id > kLastDialog) return C::None;
  return choices_[static_cast<std::size_t>(id - kFirstDialog)];
}

std::vector<FactoryItem> FactorySequence(ReaderModel model) {
  std::vector<FactoryItem> items;
  std::vector<FactoryDialog> asked;
  for (const FactoryDefaultStep& step : FactoryTable()) {
    if (!step.models.Contains(model)) continue;
    if (step.asks != D::None && std::find(asked.begin(), asked.end(), step.asks) == asked.end()) {
      asked.push_back(step.asks);
      items.push_back({step.asks, nullptr});
    }
    items.push_back({D::None, &step});
  }
  return items;
}

bool FactoryHasNoParameters(ReaderModel model) {
  return CatalogueModel(model) != ReaderModel::Unrecognised && FactorySequence(model).empty();
}

std::vector<FactoryDialog> FactoryDialogsAsked(ReaderModel model) {
  std::vector<FactoryDialog> dialogs;
  for (const FactoryItem& item : FactorySequence(model)) {
    if (item.dialog != D::None) dialogs.push_back(item.dialog);
  }
  return dialogs;
}

std::vector<FactoryWrite> FactoryRowWrites(const FactoryDefaultStep& step,
                                           const FactoryAnswers& answers) {
  if (!RowIsSent(step, answers)) return {};
  if (step.value == FactoryValue::CellSets) return FactoryCellWrites();
  const std::optional<std::string> digits = ValueDigits(step.value, answers);
  if (!digits) return {};
  const std::string logName(step.logName);
  FactoryWrite write{step.row,
                     std::string(step.command) + *digits,
                     logName,
                     std::string(step.ackLine) + *digits + std::string(step.ackSuffix),
                     step.nakLine.empty() ? "// NAK, " + logName : std::string(step.nakLine),
                     step.change};
  return {std::move(write)};
}

std::vector<FactoryWrite> FactoryWrites(ReaderModel model, const FactoryAnswers& answers) {
  std::vector<FactoryWrite> writes;
  // Only the answers of dialogs this model is asked count, as in a run.
  FactoryAnswers asked;
  for (const FactoryItem& item : FactorySequence(model)) {
    if (item.step == nullptr) {
      asked.Record(item.dialog, answers.Choice(item.dialog), answers.SerialNumber());
      continue;
    }
    std::vector<FactoryWrite> row = FactoryRowWrites(*item.step, asked);
    writes.insert(writes.end(), std::make_move_iterator(row.begin()),
                  std::make_move_iterator(row.end()));
  }
  return writes;
}

std::string FactoryReplyLine(const FactoryWrite& write, serial::ReplyClass reply) {
  switch (reply) {
    case serial::ReplyClass::Ack:
      return write.ackLine;
    case serial::ReplyClass::Nak:
      return write.nakLine;
    case serial::ReplyClass::Bel:
      return "// BEL, " + write.logName;
    case serial::ReplyClass::Other:
      return "// " + write.logName;
    case serial::ReplyClass::NoAnswer:
      break;
  }
  return std::string();
}

void FactorySuccessCounter::Record(serial::ReplyClass reply) {
  switch (reply) {
    case serial::ReplyClass::Ack:
      // Capped well above any model's row count so the count cannot wrap.
      counter_ = std::min(counter_ + 1, int{std::numeric_limits<std::int8_t>::max()});
      ++acknowledged_;
      break;
    case serial::ReplyClass::Nak:
    case serial::ReplyClass::Bel:
    case serial::ReplyClass::Other:
    case serial::ReplyClass::NoAnswer:
      counter_ = 0;
      failed_ = true;
      break;
  }
}

std::int8_t FactorySuccessCounter::Result() const {
  // Without a single acknowledgement nothing is known to be written.
  if (acknowledged_ == 0 || failed_) return 0;
  return static_cast<std::int8_t>(counter_);
}

std::vector<job::StepOutcome> FactorySteps(const FactoryJobFlags& flags) {
  const std::uint8_t ran = flags.ran | flags.succeeded;
  std::vector<job::StepOutcome> steps;
  const auto add = [&](const char* label, std::uint8_t bit) {
    steps.push_back({label, (flags.succeeded & bit) != 0});
  };
  add("'SV'\tSoftware Version\t", kFactoryVersionRead);
  if ((ran & kFactoryDatabaseCleared) != 0) add("'EC'\tClear Eeprom\t", kFactoryDatabaseCleared);
  if ((ran & kFactoryAttributesCleared) != 0) {
    add("'t'\tClear Attributes\t", kFactoryAttributesCleared);
  }
  if ((ran & kFactoryClockSet) != 0) add("'r'\tSet Clock\t\t", kFactoryClockSet);
  add("'s'\tWrite Parameters\t", kFactoryParametersWritten);
  return steps;
}

std::string FactorySummary(const FactoryJobFlags& flags) {
  return job::SummaryText(FactorySteps(flags));
}

}  // namespace tagline::reader
