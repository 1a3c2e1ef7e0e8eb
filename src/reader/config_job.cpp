// SPDX-License-Identifier: Apache-2.0
#include "reader/config_job.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "job/repeated_write.h"
#include "platform/crt.h"
#include "platform/file_replace.h"
#include "protocol/reader_protocol.h"
#include "reader/parameter_commands.h"
#include "reader/parameter_encoding.h"
#include "reader/tag_type_masks.h"

namespace tagline::reader {

namespace {

using protocol::ReaderModel;

// Parameters that name one reader, not a configuration: copied to another reader they
// would make two readers alike that must not be.
constexpr std::string_view kOneReaderOnly[] = {"Serial Number", "ProductNumberVersion"};

bool BelongsToOneReader(std::string_view name) {
  return std::find(std::begin(kOneReaderOnly), std::end(kOneReaderOnly), name) !=
         std::end(kOneReaderOnly);
}

// What reading one profile entry from the reader gave.
struct EntryRead {
  enum class Kind { Value, NotSaved, LineFailed } kind = Kind::LineFailed;
  std::string text;  // the value, or why it cannot be saved
};

EntryRead Value(std::string text) {
  return {EntryRead::Kind::Value, std::move(text)};
}
EntryRead NotSaved(std::string why) {
  return {EntryRead::Kind::NotSaved, std::move(why)};
}

// One "S" read shown in the panes; the cell's two hex digits, nothing for no answer or a
// damaged one.
std::optional<std::string> ReadCell(job::JobEnvironment& env, const std::string& address) {
  const protocol::Reply reply = env.reader().ReadCell(address);
  env.ShowCommand("S" + address);
  if (reply.damaged()) {
    env.transcript().Received(protocol::kBadFrameText);
    env.transcript().EndLine();
    return std::nullopt;
  }
  env.transcript().Received(reply.payload);
  env.transcript().EndLine();
  if (!reply.answered() || !ParseHexByte(reply.payload)) return std::nullopt;
  return reply.payload;
}

std::string GaveText(const std::vector<std::string>& addresses,
                     const std::vector<std::string>& values) {
  std::string text = addresses.size() == 1 ? "cell " : "cells ";
  for (std::size_t i = 0; i < addresses.size(); ++i) text += (i > 0 ? ", " : "") + addresses[i];
  text += " gave ";
  for (const std::string& value : values) text += value;
  return text;
}

EntryRead ReadSelection(job::JobEnvironment& env, const std::string& name, ReaderModel model) {
  const std::string address = SelectionCommandBody(name, "", model);
  if (address.size() != 3) return NotSaved("is written only, never read");
  const auto value = ReadCell(env, address);
  if (!value) return {};
  const auto descriptor = DescribeParameter(ParameterKind::Selection, name, model);
  if (descriptor) {
    for (const ValueLabel& label : descriptor->values) {
      if (ParseHexByte(label.code) != ParseHexByte(*value)) continue;
      // The label must write the value it was read as.
      if (SelectionCommandBody(name, label.label, model) == address + std::string(label.code)) {
        return Value(std::string(label.label));
      }
    }
  }
  return NotSaved(GaveText({address}, {*value}) + ", which is none of its labels");
}

EntryRead ReadNumeric(job::JobEnvironment& env, const std::string& name) {
  const NumericCommand command = NumericCommandBodies(name, "");
  if (command.bodies.empty()) return NotSaved("is no numeric parameter");
  std::vector<std::string> values;
  for (const std::string& address : command.bodies) {
    const auto value = ReadCell(env, address);
    if (!value) return {};
    values.push_back(*value);
  }
  if (auto text = NumericValueText(name, values)) return Value(std::move(*text));
  return NotSaved(GaveText(command.bodies, values) + ", which the number field cannot write back");
}

std::string JoinNames(const std::vector<std::string_view>& names) {
  std::string text;
  for (const std::string_view name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

// The write bodies of a tag-type list: every mask cell of the model, written whole.
std::vector<std::string> TagTypeWrites(std::string_view ticked, ReaderModel model) {
  if (ticked == kNoTagTypes) ticked = {};
  std::vector<std::string> bodies;
  for (const TagTypeCell& cell : TagTypeCells(model)) {
    bodies.push_back(CellAddress(cell.address) + HexByte(TagTypeMask(cell, ticked)));
  }
  return bodies;
}

EntryRead ReadTagTypes(job::JobEnvironment& env, ReaderModel model) {
  std::vector<std::string_view> names;
  std::vector<std::string> addresses;
  std::vector<std::string> values;
  std::vector<std::string> read;
  for (const TagTypeCell& cell : TagTypeCells(model)) {
    const std::string address = CellAddress(cell.address);
    const auto value = ReadCell(env, address);
    if (!value) return {};
    addresses.push_back(address);
    values.push_back(*value);
    read.push_back(address + HexByte(*ParseHexByte(*value)));
    for (const std::string_view name : TagTypeNames(cell, *ParseHexByte(*value))) {
      if (!name.empty()) names.push_back(name);
    }
  }
  std::string ticked = names.empty() ? std::string(kNoTagTypes) : JoinNames(names);
  // Bits without a name, or names that also tick another bit, would not come back.
  if (TagTypeWrites(ticked, model) != read) {
    return NotSaved(GaveText(addresses, values) + ", which the tag-type list cannot write back");
  }
  return Value(std::move(ticked));
}

EntryRead ReadEntry(job::JobEnvironment& env, ParameterKind kind, const std::string& name,
                    ReaderModel model) {
  switch (kind) {
    case ParameterKind::Selection:
      return ReadSelection(env, name, model);
    case ParameterKind::Numeric:
      return ReadNumeric(env, name);
    case ParameterKind::AlgorithmMask:
      return ReadTagTypes(env, model);
  }
  return {};
}

bool OffersTagTypes(ReaderModel model) {
  return !TagTypeCells(model).empty() && !OfferedTagTypeNames(model).empty();
}

bool Offered(const ProfileEntry& entry, ReaderModel model) {
  if (entry.kind == ParameterKind::AlgorithmMask) {
    return entry.name == kTagTypesEntryName && OffersTagTypes(model);
  }
  return IsNameOffered(entry.kind, entry.name, model);
}

std::vector<std::string> SplitNames(std::string_view text) {
  std::vector<std::string> names;
  if (text == kNoTagTypes) return names;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (!part.empty()) names.emplace_back(part);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsNumberText(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether a value read back is the one the profile asks for: numbers by value ("010" is
// 10), tag types as a set, labels as they are.
bool SameValue(const ProfileEntry& wanted, const std::string& found) {
  switch (wanted.kind) {
    case ParameterKind::Numeric:
      if (IsNumberText(wanted.value) && IsNumberText(found)) {
        return platform::Atol32(wanted.value) == platform::Atol32(found);
      }
      return wanted.value == found;
    case ParameterKind::AlgorithmMask:
      return SplitNames(wanted.value) == SplitNames(found);
    case ParameterKind::Selection:
      return wanted.value == found;
  }
  return false;
}

// The bodies that write an entry, or why its value cannot be written.
struct EntryWrite {
  std::vector<std::string> bodies;
  std::string problem;
};

EntryWrite WritesOf(const ProfileEntry& entry, ReaderModel model) {
  EntryWrite write;
  const std::string quoted = "\"" + entry.value + "\"";
  switch (entry.kind) {
    case ParameterKind::Selection: {
      const std::string body = SelectionCommandBody(entry.name, entry.value, model);
      if (body.size() != 5) write.problem = quoted + " is none of its labels";
      write.bodies = {body};
      break;
    }
    case ParameterKind::Numeric: {
      const bool off = entry.value == "Off" && entry.name == "TurnOffTime  ";
      if (!off && !IsNumberText(entry.value)) {
        write.problem = quoted + " is no number";
        break;
      }
      write.bodies = NumericCommandBodies(entry.name, entry.value).bodies;
      break;
    }
    case ParameterKind::AlgorithmMask: {
      const std::vector<std::string_view> offered = OfferedTagTypeNames(model);
      for (const std::string& name : SplitNames(entry.value)) {
        if (std::find(offered.begin(), offered.end(), name) == offered.end()) {
          write.problem = "\"" + name + "\" is no tag type of this reader";
          break;
        }
      }
      write.bodies = TagTypeWrites(entry.value, model);
      break;
    }
  }
  return write;
}

std::string EntryLabel(const ProfileEntry& entry) {
  return "\"" + entry.name + "\"";
}

}  // namespace

std::string ProfileDate(const std::tm& time) {
  char text[80];  // room for any int, so nothing is cut
  (void)std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.tm_year + 1900,
                      time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
  return text;
}

void ConfigJob::Begin(job::JobEnvironment& env) {
  WatchLine(env);
  stage_ = Stage::Identify;
}

job::Tick ConfigJob::Step(job::JobEnvironment& env) {
  if (stage_ != Stage::Identify && stage_ < Stage::Summary && LineLostNow(env)) {
    stage_ = Stage::Summary;
  }
  if (stage_ != Stage::Identify && stage_ < Stage::Summary && StopAsked(env)) {
    ReportFailure(env, "The configuration job was interrupted.");
    Fail(env);
    stage_ = Stage::Summary;
  }
  switch (stage_) {
    case Stage::Identify:
      return Identify(env);
    case Stage::Check:
      return Check(env);
    case Stage::Write:
      return Write(env);
    case Stage::ReadBack:
      return ReadBack(env);
    case Stage::Summary:
    case Stage::Done:
      stage_ = Stage::Done;
      return job::Tick::Finish;
  }
  return job::Tick::Finish;
}

job::Tick ConfigJob::Identify(job::JobEnvironment& env) {
  const bool found = ReaderJob::Identify(env, Needs::AnyReader);
  env.ShowCommand("VS");
  env.ShowResult(version());
  if (!found) {
    if (!failed()) ReportFailure(env, "No reader answered the version request.");
    stage_ = Stage::Done;
    return job::Tick::Finish;
  }
  stage_ = mode_ == ConfigMode::Save ? Stage::ReadBack : Stage::Check;
  return job::Tick::Next;
}

job::Tick ConfigJob::Check(job::JobEnvironment& env) {
  const std::string modelName(protocol::ReaderModelName(model()));
  std::string refused;
  if (!ModelByName(wanted_.model) && !force_) {
    refused = "The profile names no reader model (\"" + wanted_.model + "\").";
  } else if (wanted_.model != modelName && !force_) {
    refused = "The profile is of a " + wanted_.model + ", this reader is a " + modelName + ".";
  }
  for (const ProfileEntry& entry : wanted_.entries) {
    if (!Offered(entry, model())) report_.notOffered.push_back(entry);
  }
  if (refused.empty() && !report_.notOffered.empty() && !force_) {
    refused = "This reader does not offer " + std::to_string(report_.notOffered.size()) +
              " of the profile's parameters (" + EntryLabel(report_.notOffered.front()) +
              (report_.notOffered.size() > 1 ? " and more" : "") + ").";
  }
  if (refused.empty() && mode_ != ConfigMode::Diff) {
    for (const ProfileEntry& entry : Applicable()) {
      const EntryWrite write = WritesOf(entry, model());
      if (!write.problem.empty()) {
        refused = EntryLabel(entry) + ": " + write.problem + ".";
        break;
      }
    }
  }
  if (!refused.empty() && mode_ != ConfigMode::Diff) {
    report_.refused =
        refused + " Nothing was written" + (force_ ? "." : " (--force applies what it offers).");
    ReportFailure(env, report_.refused);
    Fail(env);
    stage_ = Stage::Summary;
    return job::Tick::Next;
  }
  if (!refused.empty()) {
    // Compared all the same: the reader differs from the profile in that too.
    report_.refused = refused;
    ReportFailure(env, refused);
  }
  stage_ = Writes() || mode_ == ConfigMode::DryRun ? Stage::Write : Stage::ReadBack;
  return job::Tick::Next;
}

std::vector<ProfileEntry> ConfigJob::Applicable() const {
  std::vector<ProfileEntry> entries;
  for (const ProfileEntry& entry : wanted_.entries) {
    if (Offered(entry, model())) entries.push_back(entry);
  }
  return entries;
}

job::Tick ConfigJob::Write(job::JobEnvironment& env) {
  env.reader().Flush();
  // A cell heard twice holds the same value: a write not acknowledged is sent again.
  job::RepeatedWrite writes(env.reader());
  for (const ProfileEntry& entry : Applicable()) {
    const EntryWrite write = WritesOf(entry, model());
    for (const std::string& body : write.bodies) {
      report_.commands.push_back("s" + body);
      if (mode_ == ConfigMode::DryRun) continue;
      const job::WriteAnswer answer = writes.Send([&] {
        const protocol::Reply reply = env.reader().WriteCell(body);
        env.ShowCommand("s" + body);
        if (reply.answered()) {
          env.transcript().Received(std::string(serial::ReplyLogText(reply.cls)));
        }
        env.transcript().EndLine();
        if (!reply.answered()) return job::WriteAnswer::Silent;
        return reply.ack() ? job::WriteAnswer::Ack : job::WriteAnswer::Refused;
      });
      if (answer == job::WriteAnswer::Ack) {
        NoteWrittenParameter(env.settings(), body, model());
      } else {
        written_ = false;
      }
      if (LineLostNow(env)) {
        stage_ = Stage::Summary;
        return job::Tick::Next;
      }
    }
  }
  stage_ = mode_ == ConfigMode::DryRun ? Stage::Summary : Stage::ReadBack;
  return job::Tick::Next;
}

job::Tick ConfigJob::ReadBack(job::JobEnvironment& env) {
  env.reader().Flush();
  readOk_ = true;
  if (mode_ == ConfigMode::Save) {
    ConfigProfile& profile = report_.profile;
    profile.version = version();
    profile.model = std::string(protocol::ReaderModelName(model()));
    profile.saved = ProfileDate(env.LocalTime());
    profile.factoryDefault = wanted_.factoryDefault;
    std::vector<ProfileEntry> offered;
    for (const ParameterKind kind : {ParameterKind::Selection, ParameterKind::Numeric}) {
      for (const std::string_view name : OfferedNames(kind, model())) {
        offered.push_back({kind, std::string(name), {}});
      }
    }
    if (OffersTagTypes(model())) {
      offered.push_back({ParameterKind::AlgorithmMask, std::string(kTagTypesEntryName), {}});
    }
    for (ProfileEntry& entry : offered) {
      if (BelongsToOneReader(entry.name)) {
        profile.notReadBack.emplace_back(entry.name, "belongs to this one reader");
        continue;
      }
      EntryRead read = ReadEntry(env, entry.kind, entry.name, model());
      if (read.kind == EntryRead::Kind::LineFailed) {
        readOk_ = false;
        profile.notReadBack.emplace_back(entry.name, "no answer, or a damaged one");
      } else if (read.kind == EntryRead::Kind::NotSaved) {
        profile.notReadBack.emplace_back(entry.name, std::move(read.text));
      } else {
        entry.value = std::move(read.text);
        profile.entries.push_back(std::move(entry));
      }
      if (LineLostNow(env)) break;
    }
  } else {
    for (const ProfileEntry& entry : Applicable()) {
      const EntryRead read = ReadEntry(env, entry.kind, entry.name, model());
      if (read.kind == EntryRead::Kind::LineFailed) readOk_ = false;
      const std::string found = read.kind == EntryRead::Kind::Value ? read.text : std::string();
      if (read.kind != EntryRead::Kind::Value || !SameValue(entry, found)) {
        report_.differences.push_back({entry, found});
      }
      if (LineLostNow(env)) break;
    }
  }
  stage_ = Stage::Summary;
  return job::Tick::Next;
}

void ConfigJob::Finish(job::JobEnvironment& env) {
  const bool reachedSummary = stage_ == Stage::Done && result_.readerFound;
  // A profile that missed parameters on a bad line would pass for a whole one.
  if (mode_ == ConfigMode::Save && reachedSummary && readOk_ && !failed()) {
    if (platform::ReplaceFileContents(savePath_, ProfileText(report_.profile))) {
      result_.file = savePath_;
    } else {
      ReportFailure(env, "The profile could not be written to " + savePath_ + ".");
    }
  }
  if (reachedSummary && !report_.refused.empty() && mode_ != ConfigMode::Diff) {
    // Nothing was sent: the refusal is the whole summary.
    result_.summary = report_.refused + "\r\n";
  } else if (reachedSummary) {
    switch (mode_) {
      case ConfigMode::Save:
        result_.steps.push_back({"'S'\tRead Parameters\t", readOk_ && !failed()});
        result_.steps.push_back({"\tProfile Saved\t", !result_.file.empty()});
        break;
      case ConfigMode::Apply:
        result_.steps.push_back({"'s'\tWrite Parameters\t", written_ && !failed()});
        result_.steps.push_back({"'S'\tRead Back\t", readOk_ && !failed()});
        result_.steps.push_back({"\tEqual to Profile\t", !failed() && report_.differences.empty()});
        break;
      case ConfigMode::Diff:
        result_.steps.push_back({"'S'\tRead Parameters\t", readOk_ && !failed()});
        result_.steps.push_back({"\tEqual to Profile\t", !failed() && report_.differences.empty()});
        break;
      case ConfigMode::DryRun:
        result_.steps.push_back({"\tCommands Listed\t", !failed()});
        break;
    }
    result_.summary = job::SummaryText(result_.steps);
    if (!result_.file.empty()) {
      result_.summary += std::to_string(report_.profile.entries.size()) + " parameters saved to " +
                         result_.file + ", " + std::to_string(report_.profile.notReadBack.size()) +
                         " listed as not saved.\r\n";
    }
    if (!report_.differences.empty()) {
      result_.summary +=
          std::to_string(report_.differences.size()) +
          (report_.differences.size() == 1 ? " parameter differs" : " parameters differ") +
          " from the profile.\r\n";
    }
    env.Message(result_.summary);
  }
  Conclude(reachedSummary);
}

}  // namespace tagline::reader
