// SPDX-License-Identifier: Apache-2.0
#include "reader/parameter_commands.h"

#include <vector>

#include "job/identification.h"
#include "reader/parameter_catalogue.h"
#include "reader/tag_type_masks.h"

namespace tagline::reader {

namespace {

// The two hex digits of a two-digit value as a number; other text gives nothing.
std::optional<int> FlagValue(const std::string& value) {
  if (value == "00") return 0;
  if (value == "01") return 1;
  return std::nullopt;
}

// Sends one "s" write; true when the reader acknowledged it. `result` gets the answer's
// log text when one came.
bool WriteCell(job::JobEnvironment& env, const std::string& body, std::string& result) {
  const protocol::Reply reply = env.reader().WriteCell(body);
  env.ShowCommand("s" + body);
  if (!reply.answered()) return false;
  result = serial::ReplyLogText(reply.cls);
  env.transcript().Received(result);
  return reply.ack();
}

// Sends one "S" read; returns the cell's value, nothing for a reply damaged on the way.
std::string ReadCell(job::JobEnvironment& env, const std::string& address) {
  const protocol::Reply reply = env.reader().ReadCell(address);
  env.ShowCommand("S" + address);
  if (reply.damaged()) {
    env.transcript().Received(protocol::kBadFrameText);
    return {};
  }
  env.transcript().Received(reply.payload);
  return reply.payload;
}

// The same for a parameter read back.
void ApplyReadParameter(job::AppSettings& settings, const std::string& name,
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

}  // namespace

void NoteWrittenParameter(job::AppSettings& settings, const std::string& body, ReaderModel model) {
  if (body == "01300" || body == "01301") settings.time = body.back() - '0';
  if (body == "00900" || body == "00901") settings.onltyp = body.back() - '0';
  if (body == "01200" || body == "01201") settings.beeper = body.back() - '0';
  if (body == "00B00" || body == "00B01") settings.showbadframe = body.back() - '0';
  if (body.size() == 5 && body.compare(0, 3, "004") == 0) {
    if (const auto index = CodeFormatIndexOfCode(body.substr(3), model)) {
      settings.fragmentation = *index;
    }
  }
}

job::CommandResult WriteOrReadSelection(job::JobEnvironment& env, const std::string& name,
                                        const std::string& label, std::string& result) {
  job::CommandResult outcome;
  const job::Identification reader = job::Identify(env, job::VersionEcho::Quiet);
  if (!reader.certain) {
    env.Message(job::DoubtfulIdentificationText(reader));
    return outcome;
  }
  const ReaderModel model = reader.model;
  env.reader().Flush();
  const std::string body = SelectionCommandBody(name, label, model);
  if (body.size() == 5) {
    outcome.ok = WriteCell(env, body, result);
    if (outcome.ok) NoteWrittenParameter(env.settings(), body, model);
    env.transcript().EndLine();
  } else if (body.size() == 3) {
    const std::string value = ReadCell(env, body);
    result = value;
    outcome.ok = !value.empty();
    const std::string decoded = DecodeSelectionValue(name, model, value);
    env.transcript().Received(decoded + "\r\n");
    ApplyReadParameter(env.settings(), name, value, decoded);
  } else {
    outcome.recognised = false;
  }
  return outcome;
}

job::CommandResult WriteOrReadNumeric(job::JobEnvironment& env, const std::string& name,
                                      std::string& value, std::string& result) {
  job::CommandResult outcome;
  env.reader().Flush();
  const NumericCommand command = NumericCommandBodies(name, value);
  if (command.edit_text) value = *command.edit_text;
  outcome.recognised = !command.bodies.empty();
  std::vector<std::string> values;
  for (std::size_t i = 0; i < command.bodies.size(); ++i) {
    const std::string& body = command.bodies[i];
    if (body.size() == 5) {
      outcome.ok = WriteCell(env, body, result);
    } else {
      const std::string read = ReadCell(env, body);
      if (i == 0) {
        result = read;
      } else {
        result.insert(0, read);
      }
      outcome.ok = !read.empty();
      values.push_back(read);
      if (i + 1 == command.bodies.size()) {
        env.transcript().Received(DecodeNumericValue(name, values));
      }
    }
    env.transcript().EndLine();
  }
  return outcome;
}

job::CommandResult WriteOrReadTagTypes(job::JobEnvironment& env, const std::string& ticked,
                                       std::string& result) {
  job::CommandResult outcome;
  const job::Identification reader = job::Identify(env, job::VersionEcho::Quiet);
  if (!reader.certain) {
    env.Message(job::DoubtfulIdentificationText(reader));
    return outcome;
  }
  const ReaderModel model = reader.model;
  env.reader().Flush();
  for (const std::string& body : TagTypeCommandBodies(ticked, model)) {
    if (body.size() == 5) {
      outcome.ok = WriteCell(env, body, result);
    } else {
      const std::string value = ReadCell(env, body);
      result = value;
      outcome.ok = !value.empty();
      const auto readBack = DecodeTagTypes(body, value);
      env.transcript().Received(readBack.text);
      if (readBack.wrapped) env.transcript().Sent("\r\n");
    }
    env.transcript().EndLine();
  }
  return outcome;
}

}  // namespace tagline::reader
