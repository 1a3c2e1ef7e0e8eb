// SPDX-License-Identifier: Apache-2.0
// The commands that run the window's jobs, each in an environment of the command line's
// own: the database transfer and the factory default; and the settings.
#include <algorithm>
#include <map>

#include "app/settings_dialog.h"
#include "cli/cli_environment.h"
#include "cli/cli_handlers.h"
#include "cli/cli_host.h"
#include "cli/cli_run.h"
#include "database/attribute_check.h"
#include "database/backup.h"
#include "database/clear_job.h"
#include "database/read_job.h"
#include "database/write_job.h"
#include "platform/stop_signals.h"
#include "reader/factory_job.h"
#include "reader/factory_plan.h"

namespace tagline::cli {

namespace {

namespace ctl = app::ctl;
using reader::FactoryChoice;
using reader::FactoryDialog;

// Runs a step-wise job to its end and prints its summary; the exit code is its result's.
enum class Summary { Print, Quiet };

// 128 + the signal for a job the user stopped, as a shell reports a process a signal ended.
int ExitCode(const job::JobResult& result) {
  if (result.interrupted) return 128 + platform::StopSignals::Caught();
  return result.finished && result.ok ? kExitOk : kExitReaderFailed;
}

int RunJob(Session& session, CliEnvironment& env, job::StepJob& job, Summary summary) {
  env.Run(job);
  env.PrintTranscript();
  const job::JobResult& result = job.result();
  if (session.json() != nullptr) {
    session.json()->Add(JobRecord(result));
  } else if (summary == Summary::Print) {
    session.out() << result.summary;
  }
  return ExitCode(result);
}

// --verify, or the settings' "verify".
bool Verifying(Session& session, const CliOptions& options) {
  return options.Has("verify") || session.dialog().settings().verify != 0;
}

// The command line asks nobody: a backup is made where --backup names its folder.
job::BackupBeforeErase Backup(const CliOptions& options) {
  const auto directory = options.Value("backup");
  if (!directory) return {};
  database::BackupPlan plan{job::BackupPolicy::Always, *directory};
  return [plan](job::JobEnvironment& env, protocol::ReaderModel model) {
    return database::BackUpReader(env, model, plan);
  };
}

int Read(Session& session, const CliOptions& options, const std::string& path) {
  auto& dialog = session.dialog();
  dialog.settings().read_path = path;
  CliEnvironment env(session);
  const job::JobResult result =
      database::ReadJob(dialog.tagTable, dialog.attributeList, path, Verifying(session, options))
          .Run(env);
  env.PrintTranscript();
  if (session.json() != nullptr) session.json()->Add(JobRecord(result));
  if (result.file.empty()) return result.interrupted ? ExitCode(result) : kExitReaderFailed;
  if (session.json() == nullptr) {
    session.out() << (result.ok ? "written: " : "incomplete, written: ") << result.file << " ("
                  << result.records << " records)\n";
  }
  return ExitCode(result);
}

}  // namespace

int RunDb(CommandRun& run) {
  Session& session = *run.session;
  auto& dialog = session.dialog();
  const CliOptions& options = run.options;
  const std::string& action = options.args.front();
  if (action == "read" && options.args.size() == 2) return Read(session, options, options.args[1]);
  if (action == "write" && options.args.size() == 2) {
    dialog.settings().write_path = options.args[1];
    CliEnvironment env(session);
    database::WriteOptions write;
    write.verify = Verifying(session, options);
    write.backup = Backup(options);
    database::WriteJob job(dialog.tagTable, dialog.attributeList, options.args[1], write);
    return RunJob(session, env, job, Summary::Print);
  }
  if (action == "clear" && options.args.size() == 1) {
    CliEnvironment env(session);
    database::ClearJob job(Backup(options));
    return RunJob(session, env, job, Summary::Quiet);
  }
  session.err() << "tagline: db takes read PATH, write PATH or clear\n";
  return kExitUsage;
}

namespace {

// The button of a dialog that gives `choice`; nullopt closes the dialog without one.
std::optional<int> ButtonIndex(FactoryDialog dialog, FactoryChoice choice) {
  const auto info = reader::DescribeFactoryDialog(dialog);
  for (std::size_t i = 0; info && i < info->buttons.size(); ++i) {
    if (info->buttons[i].choice == choice) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::string DialogName(FactoryDialog dialog) {
  return "factory-" + std::to_string(static_cast<int>(dialog));
}

bool ScriptFactoryDialogs(Session& session, CliEnvironment& host, const CliOptions& options) {
  const auto script = [&](FactoryDialog dialog, const std::string& option,
                          const std::map<std::string, FactoryChoice>& words,
                          const std::string& fallback) {
    const std::string word = options.Value(option).value_or(fallback);
    if (word == "none") {
      host.SetChoiceAnswer(DialogName(dialog), std::nullopt);
      return true;
    }
    const auto it = words.find(word);
    if (it == words.end()) {
      session.err() << "tagline: --" << option << " does not take " << word << '\n';
      return false;
    }
    host.SetChoiceAnswer(DialogName(dialog), ButtonIndex(dialog, it->second));
    return true;
  };
  const std::map<std::string, FactoryChoice> interfaces = {
      {"usb-rs232", FactoryChoice::UsbRs232},
      {"usb-rs232-bluetooth", FactoryChoice::UsbRs232Bluetooth},
      {"rs232", FactoryChoice::Rs232},
      {"usb", FactoryChoice::Usb},
      {"rs232-bluetooth", FactoryChoice::Rs232Bluetooth},
      {"usb-bluetooth", FactoryChoice::UsbBluetooth}};
  if (!script(FactoryDialog::Language, "language",
              {{"english", FactoryChoice::English}, {"deutsch", FactoryChoice::Deutsch}},
              "english") ||
      !script(FactoryDialog::Antenna, "antenna",
              {{"ferrite", FactoryChoice::Ferrite}, {"aircoil", FactoryChoice::AirCoil}}, "none") ||
      !script(FactoryDialog::DeleteAttributes, "delete-attributes",
              {{"yes", FactoryChoice::Yes}, {"no", FactoryChoice::No}}, "no")) {
    return false;
  }
  // One interface word answers whichever interface dialog the reader is asked.
  const std::string word = options.Value("interface").value_or("none");
  if (word != "none" && !interfaces.contains(word)) {
    session.err() << "tagline: --interface does not take " << word << '\n';
    return false;
  }
  for (const FactoryDialog dialog : {FactoryDialog::InterfacePair, FactoryDialog::InterfaceFour}) {
    host.SetChoiceAnswer(DialogName(dialog),
                         word == "none" ? std::nullopt : ButtonIndex(dialog, interfaces.at(word)));
  }
  const std::string serial = options.Value("serial").value_or("none");
  if (serial == "none") {
    host.SetChoiceAnswer(DialogName(FactoryDialog::SerialNumber),
                         ButtonIndex(FactoryDialog::SerialNumber, FactoryChoice::No));
  } else if (reader::SerialNumberAcceptable(serial)) {
    host.SetTextAnswer(DialogName(FactoryDialog::SerialNumber), serial);
    host.SetChoiceAnswer(DialogName(FactoryDialog::SerialNumber),
                         ButtonIndex(FactoryDialog::SerialNumber, FactoryChoice::Yes));
  } else {
    session.err() << "tagline: --serial takes five digits or none\n";
    return false;
  }
  return true;
}

}  // namespace

int RunFactoryDefault(CommandRun& run) {
  return RunFactoryDefaultWith(*run.session, run.options);
}

int RunFactoryDefaultWith(Session& session, const CliOptions& options) {
  CliEnvironment env(session, "Factory default");
  if (!ScriptFactoryDialogs(session, env, options)) return kExitUsage;
  auto& dialog = session.dialog();
  // The attribute clear looks at the tables as the window would have them.
  reader::FactoryJob job(
      [&dialog](protocol::ReaderModel model) {
        return database::CheckAttributeTables(model, dialog.tagTable, dialog.attributeList);
      },
      Backup(options));
  return RunJob(session, env, job, Summary::Print);
}

namespace {

// The transfers' own settings, beside the Settings dialog's.
constexpr const char* kTransferKeys[] = {"verify", "backup"};

bool IsTransferKey(const std::string& key) {
  return key == "verify" || key == "backup";
}

std::optional<std::string> SetTransferKey(app::AppSettings& settings, const std::string& key,
                                          const std::string& value) {
  if (key == "verify") {
    if (value != "0" && value != "1") return "verify takes 0 or 1";
    settings.verify = value == "1" ? 1 : 0;
    return std::nullopt;
  }
  const auto policy = job::ParseBackupPolicy(value);
  if (!policy) return "backup takes Always, Ask or Never";
  settings.backup = *policy == job::BackupPolicy::Always ? "Always"
                    : *policy == job::BackupPolicy::Ask  ? "Ask"
                                                         : "Never";
  return std::nullopt;
}

// Saves what changed since the settings were loaded; every other line stays as it was.
int SaveChanges(Session& session, const app::AppSettings& loaded) {
  auto& dialog = session.dialog();
  if (dialog.settingsPath().empty() ||
      !app::SaveSettingChanges(dialog.settings(), loaded, dialog.settingsPath())) {
    session.err() << "tagline: the settings could not be saved to '" << dialog.settingsPath()
                  << "'\n";
    return kExitReaderFailed;
  }
  return kExitOk;
}

}  // namespace

// The settings through the Settings dialog: `settings` shows them, `settings set KEY VALUE`
// changes one as the dialog would (a changed line is reopened at once) and saves the file:
// the change is asked for explicitly, unlike the window state other commands leave alone.
int RunSettings(CommandRun& run) {
  Session& session = *run.session;
  const CliOptions& options = run.options;
  auto& dialog = session.dialog();
  const bool change = !options.args.empty();
  const app::AppSettings loaded = dialog.settings();
  if (change) {
    const auto& args = options.args;
    std::vector<std::string> keys = app::SettingsDialog::Keys();
    keys.insert(keys.end(), std::begin(kTransferKeys), std::end(kTransferKeys));
    const bool known = args.size() == 3 && args[0] == "set" &&
                       std::find(keys.begin(), keys.end(), args[1]) != keys.end();
    if (!known) {
      session.err() << "tagline: settings set takes one of:";
      for (const std::string& key : keys) session.err() << ' ' << key;
      session.err() << " and a value\n";
      return kExitUsage;
    }
    const auto problem = IsTransferKey(args[1])
                             ? SetTransferKey(dialog.settings(), args[1], args[2])
                             : app::SettingsDialog::ValueProblem(args[1], args[2]);
    if (problem) {
      session.err() << "tagline: " << *problem << '\n';
      return kExitUsage;
    }
    if (IsTransferKey(args[1])) return SaveChanges(session, loaded);
  }
  bool taken = false;
  session.host().SetSettingsScript([&](app::SettingsDialog& settings) {
    if (!change) {
      JsonObject values;
      const auto show = [&](const std::string& key, const std::string& value) {
        values.Text(key, value);
        if (session.json() == nullptr) session.out() << key << '=' << value << '\n';
      };
      for (const std::string& key : app::SettingsDialog::Keys()) {
        show(key, settings.Value(key).value_or(""));
      }
      show("verify", std::to_string(dialog.settings().verify));
      show("backup", dialog.settings().backup);
      if (session.json() != nullptr)
        session.json()->Add(JsonObject().Raw("settings", values.Dump()));
      return app::id::kCancel;
    }
    taken = settings.SetValue(options.args[1], options.args[2]);
    return taken ? app::id::kOk : app::id::kCancel;
  });
  dialog.OnCommand(app::menu::kPort);
  if (!change) return kExitOk;
  if (!taken) return kExitUsage;
  if (const int saved = SaveChanges(session, loaded); saved != kExitOk) return saved;
  if (dialog.portOpen() == 0) {
    session.err() << "tagline: the setting is saved, but the line does not open\n";
    return session.ReportPortFailure();
  }
  return kExitOk;
}

}  // namespace tagline::cli
