// SPDX-License-Identifier: Apache-2.0
#include "database/backup.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "database/layouts.h"
#include "database/layouts_write.h"
#include "database/record_reading.h"
#include "platform/file_replace.h"
#include "serial/frame.h"

namespace tagline::database {

namespace {

using job::BackupOutcome;
using Kind = BackupOutcome::Kind;

BackupOutcome Outcome(Kind kind, std::string file = {}, std::string reason = {}) {
  BackupOutcome outcome;
  outcome.kind = kind;
  outcome.file = std::move(file);
  outcome.reason = std::move(reason);
  return outcome;
}

// The database test: false only when the reader says its database is empty (BEL).
bool MayHoldRecords(job::JobEnvironment& env) {
  const protocol::Reply reply = env.reader().TestDatabase();
  if (reply.answered()) env.transcript().Log(reply.cls, "ET");
  env.transcript().EndLine();
  return reply.cls != serial::ReplyClass::Bel;
}

// Asks what to do; nothing to go on means the backup is made.
std::optional<Kind> Ask(job::JobEnvironment& env, const std::string& file) {
  job::ChoiceRequest request;
  request.name = "backup";
  request.caption = "Backup before erase";
  request.prompt =
      "The reader holds records that the erase deletes. Save them to " + file + " first?";
  request.options = {"Save them first", "Erase without saving", "Cancel"};
  request.initial = 0;
  const std::optional<int> answer = env.Choose(request);
  if (answer == 0) return std::nullopt;
  return answer == 1 ? Kind::Declined : Kind::Cancelled;
}

}  // namespace

std::string BackupPath(const std::string& directory, const std::tm& time) {
  char stamp[32];
  (void)std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", time.tm_year + 1900,
                      time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
  const std::filesystem::path folder = directory.empty() ? "." : directory;
  std::error_code ignored;
  for (int n = 1;; ++n) {
    const std::string name =
        std::string("backup-") + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".xml";
    const std::filesystem::path path = folder / name;
    if (!std::filesystem::exists(path, ignored)) return path.string();
  }
}

BackupOutcome BackUpReader(job::JobEnvironment& env, protocol::ReaderModel model,
                           const BackupPlan& plan) {
  const auto layout = LayoutForModel(model);
  const auto loop = ReadLoopFor(model);
  // Nothing is to be saved, or nothing a sheet can hold.
  if (plan.policy == job::BackupPolicy::Never || !layout || !loop) return Outcome(Kind::NotNeeded);
  if (!MayHoldRecords(env)) return Outcome(Kind::NotNeeded);
  const std::string file = BackupPath(plan.directory, env.LocalTime());
  if (plan.policy == job::BackupPolicy::Ask) {
    if (const auto decided = Ask(env, file)) return Outcome(*decided);
  }

  TagTable table;
  AttributeList attributes;
  table.Fill("");
  attributes.Fill("");
  RecordsRead read = ReadRecords(env, *loop, false);
  if (read.end != ReadEnd::Complete) {
    return Outcome(Kind::Failed, {}, std::string(ReadEndText(read.end)));
  }
  for (std::string& record : read.records) table.Append(std::move(record));
  if (layout == SheetLayout::AttributeSheet || layout == SheetLayout::TextCodeSheet) {
    if (!ReadAttributes(env, attributes).empty()) {
      return Outcome(Kind::Failed, {}, "attributes came damaged");
    }
  }
  const std::string text = WriteSheet(*layout, model, table, attributes);
  if (!platform::ReplaceFileContents(file, text)) {
    return Outcome(Kind::Failed, {}, file + " could not be written");
  }
  env.transcript().Received("// backup: " + std::to_string(table.LeadingCount()) +
                            " records saved to " + file + "\r\n");
  return Outcome(Kind::Saved, file);
}

}  // namespace tagline::database
