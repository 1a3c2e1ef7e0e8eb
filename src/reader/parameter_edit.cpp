// The parameter rows of the CONFIG group: filling the name and value lists for the
// connected reader, and writing or reading single parameters with "s" / "S".
#include <algorithm>
#include <cctype>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "reader/classify_reader_version.h"
#include "reader/parameter_catalogue.h"
#include "reader/tag_type_masks.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

using reader::ParameterKind;
using reader::ReaderModel;

constexpr std::uint32_t kPollPeriodMs = 250;
constexpr std::uint32_t kReadReplyBytes = 8;

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The value of a read: the first three characters of the reply, of which the last two
// remain.
std::string ReadValue(const std::string& reply) {
  const std::string first = reply.substr(0, 3);
  return first.size() > 1 ? first.substr(1) : std::string();
}

// The two hex digits of a two-digit value as a number; other text gives nothing.
std::optional<int> FlagValue(const std::string& value) {
  if (value == "00") return 0;
  if (value == "01") return 1;
  return std::nullopt;
}

}  // namespace

ReaderModel MainDialog::IdentifyQuietly() {
  return reader::ClassifyReaderVersion(RequestSoftwareVersion(false, true));
}

void MainDialog::RefillNames(int controlId, ParameterKind kind, ReaderModel model) {
  const ControlState& state = controls_.at(controlId);
  std::vector<std::string> items = state.items;
  std::vector<bool> checks = state.itemChecks;
  checks.resize(items.size(), false);
  for (const std::string_view name : reader::CatalogueNames(kind)) {
    const auto it = std::find_if(items.begin(), items.end(), [name](const std::string& item) {
      return SameNameIgnoringCase(item, name);
    });
    const bool present = it != items.end();
    const bool offered = kind == ParameterKind::AlgorithmMask
                             ? reader::TagTypeCellOf(name, model) != nullptr
                             : reader::IsNameOffered(kind, name, model);
    if (offered && !present) {
      items.emplace_back(name);
      checks.push_back(false);
    } else if (!offered && present) {
      checks.erase(checks.begin() + (it - items.begin()));
      items.erase(it);
    }
  }
  controls_.SetItems(controlId, std::move(items), std::move(checks));
}

void MainDialog::OnParameterNameDropDown() {
  RefillNames(ctl::kParameterName, ParameterKind::Selection, IdentifyQuietly());
}

void MainDialog::OnNumericNameDropDown() {
  RefillNames(ctl::kNumericName, ParameterKind::Numeric, IdentifyQuietly());
}

void MainDialog::OnTagTypesSetFocus() {
  RefillNames(ctl::kTagTypes, ParameterKind::AlgorithmMask, IdentifyQuietly());
}

void MainDialog::OnParameterNameKillFocus() {
  const ReaderModel model = IdentifyQuietly();
  const std::string name = controls_.at(ctl::kParameterName).text;
  std::vector<std::string> items;
  if (reader::DescribeParameter(ParameterKind::Selection, name, model, LastJobModel())) {
    items.emplace_back();
    for (const auto label : reader::ValueLabelsOffered(name, model, LastJobModel())) {
      items.emplace_back(label);
    }
  }
  controls_.SetItems(ctl::kParameterValue, std::move(items));
}

void MainDialog::OnParameterNameSelChange() {
  UpdateData(true);
  parameterValue.clear();
  controls_.SetText(ctl::kParameterButton, "...");
  UpdateData(false);
}

void MainDialog::OnParameterValueSelChange() {
  controls_.SetText(ctl::kParameterButton, "...");
}
void MainDialog::OnTagTypesSelChange() {
  controls_.SetText(ctl::kTagTypeButton, "...");
}
void MainDialog::OnNumericRowChange() {
  controls_.SetText(ctl::kNumericButton, "...");
}

ReaderModel MainDialog::LastJobModel() const {
  return static_cast<ReaderModel>(currentModel);
}

std::string MainDialog::WriteCell(const std::string& body, int buttonId, std::string& result) {
  const std::string command = "s" + body;
  port_.Write(serial::FrameCommand(command));
  controls_.SetText(buttonId, command);
  exchange_.sentPane += command + "\r\n";
  exchange_.sendText = command;
  const std::string reply = exchange_.ReadReply(1, serial::kReplyTimeoutMs);
  if (!reply.empty()) {
    const auto reply_class = serial::ClassifyReply(reply);
    result = serial::ReplyLogText(reply_class);
    exchange_.receivedPane += result;
    if (reply_class == serial::ReplyClass::Ack) return command;
  }
  return {};
}

std::string MainDialog::ReadCell(const std::string& body, int buttonId) {
  const std::string command = "S" + body;
  port_.Write(serial::FrameCommand(command));
  controls_.SetText(buttonId, command);
  exchange_.sentPane += command + "\r\n";
  exchange_.sendText = command;
  const std::string reply =
      exchange_.ReadReply(kReadReplyBytes, kReadReplyBytes * serial::kReplyTimeoutMs);
  const std::string value = ReadValue(reply);
  exchange_.receivedPane += value;
  return value;
}

void MainDialog::ApplyWrittenParameter(const std::string& command, ReaderModel model) {
  const std::string text = command.substr(1);  // the body: address and value
  if (text == "01300" || text == "01301") settings_.time = text.back() - '0';
  if (text == "00900" || text == "00901") settings_.onltyp = text.back() - '0';
  if (text == "01200" || text == "01201") settings_.beeper = text.back() - '0';
  if (text == "00B00" || text == "00B01") settings_.showbadframe = text.back() - '0';
  if (text.size() == 5 && text.compare(0, 3, "004") == 0) {
    if (const auto index = reader::CodeFormatIndexOfCode(text.substr(3), model)) {
      settings_.fragmentation = *index;
    }
  }
}

void MainDialog::ApplyReadParameter(const std::string& name, const std::string& value,
                                    const std::string& decoded) {
  const auto flag = FlagValue(value);
  if (flag) {
    if (name == "Time") settings_.time = *flag;
    if (name == "Type") settings_.onltyp = *flag;
    if (name == "Buzzer" || name == "Keyboard Sound") settings_.beeper = *flag;
    if (name == "Show Bad Frame") settings_.showbadframe = *flag;
  }
  if ((name == "Code Format" || name == "SetCodeFormat") && decoded.size() > 4) {
    if (const auto index = reader::CodeFormatIndex(decoded.substr(4))) {
      settings_.fragmentation = *index;
    }
  }
}

void MainDialog::OnSelectionButton() {
  UpdateData(true);
  host_.KillTimer(timer::kPoll);
  if (exchange_.portOpen != 0) {
    const std::string name = parameterName;
    const std::string label = parameterValue;
    const ReaderModel model = IdentifyQuietly();
    exchange_.FlushInput();
    const std::string body = reader::SelectionCommandBody(name, label, model);
    if (body.size() == 5) {
      const std::string acknowledged = WriteCell(body, ctl::kParameterButton, parameterResult);
      if (!acknowledged.empty()) ApplyWrittenParameter(acknowledged, model);
      exchange_.receivedPane += "\r\n";
    } else if (body.size() == 3) {
      const std::string value = ReadCell(body, ctl::kParameterButton);
      parameterResult = value;
      const std::string decoded = reader::DecodeSelectionValue(name, model, value);
      exchange_.receivedPane += decoded + "\r\n";
      ApplyReadParameter(name, value, decoded);
    } else {
      parameterName.clear();
      parameterValue.clear();
    }
    exchange_.TrimPanes();
  }
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
}

void MainDialog::OnNumericButton() {
  UpdateData(true);
  host_.KillTimer(timer::kPoll);
  if (exchange_.portOpen != 0) {
    const std::string name = controls_.at(ctl::kNumericName).text;
    exchange_.FlushInput();
    const reader::NumericCommand command = reader::NumericCommandBodies(name, numericValue);
    if (command.edit_text) numericValue = *command.edit_text;
    std::vector<std::string> values;
    for (std::size_t i = 0; i < command.bodies.size(); ++i) {
      const std::string& body = command.bodies[i];
      if (body.size() == 5) {
        WriteCell(body, ctl::kNumericButton, numericResult);
      } else {
        const std::string value = ReadCell(body, ctl::kNumericButton);
        numericResult = i == 0 ? value : value + numericResult;
        values.push_back(value);
        if (i + 1 == command.bodies.size()) {
          exchange_.receivedPane += reader::DecodeNumericValue(name, values);
        }
      }
      exchange_.receivedPane += "\r\n";
    }
    exchange_.TrimPanes();
  }
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
}

void MainDialog::OnTagTypeButton() {
  UpdateData(true);
  host_.KillTimer(timer::kPoll);
  if (exchange_.portOpen != 0) {
    const std::string ticked = controls_.at(ctl::kTagTypes).text;
    const ReaderModel model = IdentifyQuietly();
    exchange_.FlushInput();
    for (const std::string& body : reader::TagTypeCommandBodies(ticked, model)) {
      if (body.size() == 5) {
        WriteCell(body, ctl::kTagTypeButton, tagTypeResult);
      } else {
        const std::string value = ReadCell(body, ctl::kTagTypeButton);
        tagTypeResult = value;
        const auto readBack = reader::DecodeTagTypes(body, value);
        exchange_.receivedPane += readBack.text;
        if (readBack.wrapped) exchange_.sentPane += "\r\n";
      }
      exchange_.receivedPane += "\r\n";
    }
    exchange_.TrimPanes();
  }
  host_.SetTimer(timer::kPoll, kPollPeriodMs);
  UpdateData(false);
}

bool MainDialog::OnDeltaPos(int id, int iDelta) {
  if (ended_ || id != ctl::kNumericSpin) return false;
  const std::string name = controls_.at(ctl::kNumericName).text;
  controls_.SetText(ctl::kNumericButton, "...");
  const std::string text = controls_.at(ctl::kNumericValue).text;
  if (const auto stepped = reader::StepNumericValue(name, text, iDelta <= 0)) {
    numericValue = *stepped;
  } else {
    numericValue = text;
  }
  UpdateData(false);
  return true;
}

}  // namespace tagline::app
