#include "reader/parameter_rows.h"

#include <algorithm>
#include <cctype>

#include "app/control_ids.h"
#include "reader/software_version.h"
#include "reader/tag_type_masks.h"

namespace tagline::reader {

namespace {

namespace ctl = app::ctl;

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

// The model of the connected reader, asked quietly.
ReaderModel IdentifyQuietly(app::JobContext& ctx) {
  return IdentifyReader(ctx, VersionEcho::Quiet, PollAfter::Restart);
}

ReaderModel LastJobModel(app::JobContext& ctx) {
  return static_cast<ReaderModel>(ctx.lastJobModel());
}

// Sends one "s" write; true when the reader acknowledged it.
bool WriteCell(app::JobContext& ctx, const std::string& body, int buttonId, std::string& result) {
  serial::ReaderLink& link = ctx.link();
  const std::string command = "s" + body;
  link.Send(command, serial::Echo::SendField);
  ctx.controls().SetText(buttonId, command);
  const std::string reply = link.Read(1, serial::kReplyTimeoutMs);
  if (reply.empty()) return false;
  const auto cls = serial::ClassifyReply(reply);
  result = serial::ReplyLogText(cls);
  link.receivedPane() += result;
  return cls == serial::ReplyClass::Ack;
}

// Sends one "S" read; returns the cell's value.
std::string ReadCell(app::JobContext& ctx, const std::string& body, int buttonId) {
  serial::ReaderLink& link = ctx.link();
  const std::string command = "S" + body;
  link.Send(command, serial::Echo::SendField);
  ctx.controls().SetText(buttonId, command);
  const std::string reply = link.Read(kReadReplyBytes, kReadReplyBytes * serial::kReplyTimeoutMs);
  std::string value = ReadValue(reply);
  link.receivedPane() += value;
  return value;
}

// The window's own copies of the values a written parameter changes.
void ApplyWrittenParameter(app::AppSettings& settings, const std::string& command,
                           ReaderModel model) {
  const std::string text = command.substr(1);  // the body: address and value
  if (text == "01300" || text == "01301") settings.time = text.back() - '0';
  if (text == "00900" || text == "00901") settings.onltyp = text.back() - '0';
  if (text == "01200" || text == "01201") settings.beeper = text.back() - '0';
  if (text == "00B00" || text == "00B01") settings.showbadframe = text.back() - '0';
  if (text.size() == 5 && text.compare(0, 3, "004") == 0) {
    if (const auto index = CodeFormatIndexOfCode(text.substr(3), model)) {
      settings.fragmentation = *index;
    }
  }
}

// The same for a parameter read back.
void ApplyReadParameter(app::AppSettings& settings, const std::string& name,
                        const std::string& value, const std::string& decoded) {
  const auto flag = FlagValue(value);
  if (flag) {
    if (name == "Time") settings.time = *flag;
    if (name == "Type") settings.onltyp = *flag;
    if (name == "Buzzer" || name == "Keyboard Sound") settings.beeper = *flag;
    if (name == "Show Bad Frame") settings.showbadframe = *flag;
  }
  if ((name == "Code Format" || name == "SetCodeFormat") && decoded.size() > 4) {
    if (const auto index = CodeFormatIndex(decoded.substr(4))) settings.fragmentation = *index;
  }
}

// A value read back counts when the reader gave one.
void NoteRead(app::CommandResult& result, const std::string& value) {
  result.ok = !value.empty();
}

}  // namespace

void ParameterRows::RefillNames(app::JobContext& ctx, int controlId, ParameterKind kind,
                                ReaderModel model) {
  app::ControlModel& controls = ctx.controls();
  const app::ControlState& state = controls.at(controlId);
  std::vector<std::string> items = state.items;
  std::vector<bool> checks = state.itemChecks;
  checks.resize(items.size(), false);
  for (const std::string_view name : CatalogueNames(kind)) {
    const auto it = std::find_if(items.begin(), items.end(), [name](const std::string& item) {
      return SameNameIgnoringCase(item, name);
    });
    const bool present = it != items.end();
    const bool offered = IsNameOffered(kind, name, model);
    if (offered && !present) {
      items.emplace_back(name);
      checks.push_back(false);
    } else if (!offered && present) {
      checks.erase(checks.begin() + (it - items.begin()));
      items.erase(it);
    }
  }
  controls.SetItems(controlId, std::move(items), std::move(checks));
}

void ParameterRows::OnParameterNameDropDown(app::JobContext& ctx) {
  RefillNames(ctx, ctl::kParameterName, ParameterKind::Selection, IdentifyQuietly(ctx));
}

void ParameterRows::OnNumericNameDropDown(app::JobContext& ctx) {
  RefillNames(ctx, ctl::kNumericName, ParameterKind::Numeric, IdentifyQuietly(ctx));
}

void ParameterRows::OnTagTypesSetFocus(app::JobContext& ctx) {
  RefillNames(ctx, ctl::kTagTypes, ParameterKind::AlgorithmMask, IdentifyQuietly(ctx));
}

void ParameterRows::OnParameterNameKillFocus(app::JobContext& ctx) {
  const ReaderModel model = IdentifyQuietly(ctx);
  const std::string name = ctx.controls().at(ctl::kParameterName).text;
  std::vector<std::string> items;
  if (DescribeParameter(ParameterKind::Selection, name, model, LastJobModel(ctx))) {
    items.emplace_back();
    for (const auto label : ValueLabelsOffered(name, model, LastJobModel(ctx))) {
      items.emplace_back(label);
    }
  }
  ctx.controls().SetItems(ctl::kParameterValue, std::move(items));
}

void ParameterRows::OnParameterNameSelChange(app::JobContext& ctx) {
  ctx.PullControls();
  ctx.fields().parameterValue.clear();
  ctx.controls().SetText(ctl::kParameterButton, "...");
  ctx.PushControls();
}

void ParameterRows::MarkChanged(app::JobContext& ctx, int buttonId) {
  ctx.controls().SetText(buttonId, "...");
}

app::CommandResult ParameterRows::OnSelectionButton(app::JobContext& ctx) {
  app::DialogFields& fields = ctx.fields();
  serial::ReaderLink& link = ctx.link();
  return app::RunButtonCommand(ctx, fields.parameterResult, [&](app::CommandResult& result) {
    const std::string name = fields.parameterName;
    const std::string label = fields.parameterValue;
    const ReaderModel model = IdentifyQuietly(ctx);
    link.FlushInput();
    const std::string body = SelectionCommandBody(name, label, model);
    if (body.size() == 5) {
      result.ok = WriteCell(ctx, body, ctl::kParameterButton, fields.parameterResult);
      if (result.ok) ApplyWrittenParameter(ctx.settings(), "s" + body, model);
      link.EndReceivedLine();
    } else if (body.size() == 3) {
      const std::string value = ReadCell(ctx, body, ctl::kParameterButton);
      fields.parameterResult = value;
      NoteRead(result, value);
      const std::string decoded = DecodeSelectionValue(name, model, value);
      link.receivedPane() += decoded + "\r\n";
      ApplyReadParameter(ctx.settings(), name, value, decoded);
    } else {
      fields.parameterName.clear();
      fields.parameterValue.clear();
      result.recognised = false;
    }
  });
}

app::CommandResult ParameterRows::OnNumericButton(app::JobContext& ctx) {
  app::DialogFields& fields = ctx.fields();
  serial::ReaderLink& link = ctx.link();
  return app::RunButtonCommand(ctx, fields.numericResult, [&](app::CommandResult& result) {
    const std::string name = ctx.controls().at(ctl::kNumericName).text;
    link.FlushInput();
    const NumericCommand command = NumericCommandBodies(name, fields.numericValue);
    if (command.edit_text) fields.numericValue = *command.edit_text;
    result.recognised = !command.bodies.empty();
    std::vector<std::string> values;
    for (std::size_t i = 0; i < command.bodies.size(); ++i) {
      const std::string& body = command.bodies[i];
      if (body.size() == 5) {
        result.ok = WriteCell(ctx, body, ctl::kNumericButton, fields.numericResult);
      } else {
        const std::string value = ReadCell(ctx, body, ctl::kNumericButton);
        fields.numericResult = i == 0 ? value : value + fields.numericResult;
        NoteRead(result, value);
        values.push_back(value);
        if (i + 1 == command.bodies.size()) {
          link.receivedPane() += DecodeNumericValue(name, values);
        }
      }
      link.EndReceivedLine();
    }
  });
}

app::CommandResult ParameterRows::OnTagTypeButton(app::JobContext& ctx) {
  app::DialogFields& fields = ctx.fields();
  serial::ReaderLink& link = ctx.link();
  return app::RunButtonCommand(ctx, fields.tagTypeResult, [&](app::CommandResult& result) {
    const std::string ticked = ctx.controls().at(ctl::kTagTypes).text;
    const ReaderModel model = IdentifyQuietly(ctx);
    link.FlushInput();
    for (const std::string& body : TagTypeCommandBodies(ticked, model)) {
      if (body.size() == 5) {
        result.ok = WriteCell(ctx, body, ctl::kTagTypeButton, fields.tagTypeResult);
      } else {
        const std::string value = ReadCell(ctx, body, ctl::kTagTypeButton);
        fields.tagTypeResult = value;
        NoteRead(result, value);
        const auto readBack = DecodeTagTypes(body, value);
        link.receivedPane() += readBack.text;
        if (readBack.wrapped) link.sentPane() += "\r\n";
      }
      link.EndReceivedLine();
    }
  });
}

void ParameterRows::OnNumericSpin(app::JobContext& ctx, int iDelta) {
  const std::string name = ctx.controls().at(ctl::kNumericName).text;
  ctx.controls().SetText(ctl::kNumericButton, "...");
  const std::string text = ctx.controls().at(ctl::kNumericValue).text;
  if (const auto stepped = StepNumericValue(name, text, iDelta <= 0)) {
    ctx.fields().numericValue = *stepped;
  } else {
    ctx.fields().numericValue = text;
  }
  ctx.PushControls();
}

}  // namespace tagline::reader
