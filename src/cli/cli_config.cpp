// SPDX-License-Identifier: Apache-2.0
// `config save|apply|diff FILE`: reader configuration profiles, with the factory default
// from the profile's answers before an apply when asked.
#include "cli/cli_environment.h"
#include "cli/cli_handlers.h"
#include "cli/cli_host.h"
#include "cli/cli_run.h"
#include "reader/config_job.h"

namespace tagline::cli {

namespace {

using reader::ConfigMode;
using reader::ConfigProfile;

std::optional<ConfigProfile> LoadProfile(Session& session, const std::string& path) {
  reader::ProfileParse parse = reader::LoadProfileFile(path);
  if (!parse.profile) {
    const char* joint = parse.error.starts_with("line ") ? ", " : " ";
    session.err() << "tagline: " << path << joint << parse.error << '\n';
  }
  return std::move(parse.profile);
}

std::string EntryText(const reader::ProfileEntry& entry) {
  return "\"" + entry.name + "\"";
}

JsonObject DifferenceJson(const reader::ConfigDifference& difference) {
  return JsonObject()
      .Text("name", difference.wanted.name)
      .Text("profile", difference.wanted.value)
      .Text("reader", difference.found);
}

void Report(Session& session, const reader::ConfigJob& job) {
  const reader::ConfigReport& report = job.report();
  if (JsonRecords* json = session.json()) {
    std::vector<std::string> differences;
    for (const auto& difference : report.differences) {
      differences.push_back(DifferenceJson(difference).Dump());
    }
    std::vector<std::string> notOffered;
    for (const auto& entry : report.notOffered) notOffered.push_back(entry.name);
    JsonObject record = JobRecord(job.result());
    record.Raw("differences", JsonArray(differences))
        .Raw("notOffered", JsonStringArray(notOffered))
        .Raw("commands", JsonStringArray(report.commands));
    if (!report.refused.empty()) record.Text("refused", report.refused);
    json->Add(std::move(record));
    return;
  }
  std::ostream& out = session.out();
  for (const std::string& command : report.commands) out << command << '\n';
  for (const auto& entry : report.notOffered) {
    out << "not offered: " << EntryText(entry) << " = " << entry.value << '\n';
  }
  out << job.result().summary;
}

int ExitCode(const job::JobResult& result) {
  return result.finished && result.ok ? kExitOk : kExitReaderFailed;
}

int Save(Session& session, const CliOptions& options, const std::string& path) {
  // The factory-default answers given are kept in the profile for a later apply.
  std::vector<reader::ProfileNote> factory;
  for (const std::string_view key : reader::kFactoryKeys) {
    if (const auto word = options.Value(std::string(key))) factory.emplace_back(key, *word);
  }
  CliEnvironment env(session, "Configuration");
  reader::ConfigJob job = reader::ConfigJob::Save(path, std::move(factory));
  env.Run(job);
  env.PrintTranscript();
  Report(session, job);
  if (session.json() == nullptr && job.result().file.empty()) {
    session.out() << "not written: " << path << '\n';
  }
  return ExitCode(job.result());
}

// The factory-default answers of the profile, where the command line gives none.
CliOptions WithFactoryAnswers(const CliOptions& options, const ConfigProfile& profile) {
  CliOptions merged = options;
  for (const auto& [key, word] : profile.factoryDefault) merged.values.try_emplace(key, word);
  return merged;
}

}  // namespace

int RunConfig(CommandRun& run) {
  Session& session = *run.session;
  const CliOptions& options = run.options;
  const std::string& action = options.args[0];
  const std::string& path = options.args[1];
  if (action == "save") {
    if (options.Has("dry-run") || options.Has("force") || options.Has("factory-default") ||
        options.Value("backup")) {
      session.err() << "tagline: config save takes no --dry-run, --force, --factory-default or "
                       "--backup\n";
      return kExitUsage;
    }
    return Save(session, options, path);
  }
  if (action != "apply" && action != "diff") {
    session.err() << "tagline: config takes save FILE, apply FILE or diff FILE\n";
    return kExitUsage;
  }
  const auto profile = LoadProfile(session, path);
  if (!profile) return kExitUsage;
  const bool apply = action == "apply";
  if (!apply && (options.Has("dry-run") || options.Has("factory-default"))) {
    session.err() << "tagline: config diff only reads: no --dry-run or --factory-default\n";
    return kExitUsage;
  }
  if (apply && options.Has("factory-default") && !options.Has("dry-run")) {
    const int status = RunFactoryDefaultWith(session, WithFactoryAnswers(options, *profile));
    if (status != kExitOk) {
      session.err() << "tagline: the factory default failed; the profile was not applied\n";
      return status;
    }
  }
  const ConfigMode mode = !apply                   ? ConfigMode::Diff
                          : options.Has("dry-run") ? ConfigMode::DryRun
                                                   : ConfigMode::Apply;
  CliEnvironment env(session, "Configuration");
  reader::ConfigJob job(mode, *profile, options.Has("force"));
  env.Run(job);
  env.PrintTranscript();
  Report(session, job);
  return ExitCode(job.result());
}

}  // namespace tagline::cli
