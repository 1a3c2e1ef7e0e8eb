#include "cli/cli_jobs.h"

#include <algorithm>
#include <map>

#include "app/settings_dialog.h"
#include "cli/cli_run.h"
#include "reader/factory_plan.h"

namespace tagline::cli {

namespace {

namespace ctl = app::ctl;
using reader::FactoryChoice;
using reader::FactoryDialog;

// Long enough for the slowest job step; every step bounds its own waits.
constexpr std::uint32_t kJobLimitMs = 3600000;

// Runs a step-wise job to its end and prints its summary; the exit code is its result's.
enum class Summary { Print, Quiet };

int RunJob(Session& session, int buttonId, app::JobKind kind, Summary summary) {
  auto& dialog = session.dialog();
  dialog.OnCommand(buttonId);
  session.host().RunUntil([&dialog, kind] { return !dialog.JobRunning(kind); }, kJobLimitMs);
  session.host().Flush();
  session.host().EndLine();
  const app::JobResult* result = dialog.LastJobResult(kind);
  if (result == nullptr || !result->finished) return kExitReaderFailed;
  if (session.json() != nullptr) {
    session.json()->Add(JobRecord(*result));
  } else if (summary == Summary::Print) {
    session.out() << result->summary;
  }
  return result->ok ? kExitOk : kExitReaderFailed;
}

int Db(Session& session, const CliOptions& options) {
  auto& dialog = session.dialog();
  session.ShowProgress();
  const std::string& action = options.args.front();
  if (action == "read" && options.args.size() == 2) {
    dialog.settings().read_path = options.args[1];
    dialog.OnCommand(ctl::kRead);
    session.host().Flush();
    session.host().EndLine();
    const app::JobResult* result = dialog.LastJobResult(app::JobKind::DatabaseRead);
    if (result != nullptr && session.json() != nullptr) session.json()->Add(JobRecord(*result));
    if (result == nullptr || result->file.empty()) return kExitReaderFailed;
    if (session.json() == nullptr) {
      session.out() << (result->ok ? "written: " : "incomplete, written: ") << result->file << " ("
                    << result->records << " records)\n";
    }
    return result->ok ? kExitOk : kExitReaderFailed;
  }
  if (action == "write" && options.args.size() == 2) {
    dialog.settings().write_path = options.args[1];
    return RunJob(session, ctl::kWrite, app::JobKind::DatabaseWrite, Summary::Print);
  }
  if (action == "clear" && options.args.size() == 1) {
    return RunJob(session, ctl::kClear, app::JobKind::DatabaseClear, Summary::Quiet);
  }
  session.err() << "tagline: db takes read PATH, write PATH or clear\n";
  return kExitUsage;
}

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

bool ScriptFactoryDialogs(Session& session, const CliOptions& options) {
  auto& host = session.host();
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
  if (word != "none" && interfaces.count(word) == 0) {
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

int FactoryDefault(Session& session, const CliOptions& options) {
  if (!ScriptFactoryDialogs(session, options)) return kExitUsage;
  session.ShowProgress();
  return RunJob(session, ctl::kFactoryDefault, app::JobKind::FactoryDefault, Summary::Print);
}

// The settings through the Settings dialog: `settings` shows them, `settings set KEY VALUE`
// changes one as the dialog would (a changed line is reopened at once) and saves the file:
// the change is asked for explicitly, unlike the window state other commands leave alone.
int Settings(Session& session, const CliOptions& options) {
  auto& dialog = session.dialog();
  const bool change = !options.args.empty();
  if (change) {
    const auto& args = options.args;
    const std::vector<std::string> keys = app::SettingsDialog::Keys();
    const bool known = args.size() == 3 && args[0] == "set" &&
                       std::find(keys.begin(), keys.end(), args[1]) != keys.end();
    if (!known) {
      session.err() << "tagline: settings set takes one of:";
      for (const std::string& key : keys) session.err() << ' ' << key;
      session.err() << " and a value\n";
      return kExitUsage;
    }
    if (const auto problem = app::SettingsDialog::ValueProblem(args[1], args[2])) {
      session.err() << "tagline: " << *problem << '\n';
      return kExitUsage;
    }
  }
  bool taken = false;
  session.host().SetSettingsScript([&](app::SettingsDialog& settings) {
    if (!change) {
      JsonObject values;
      for (const std::string& key : app::SettingsDialog::Keys()) {
        const std::string value = settings.Value(key).value_or("");
        values.Text(key, value);
        if (session.json() == nullptr) session.out() << key << '=' << value << '\n';
      }
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
  if (dialog.settingsPath().empty() ||
      !app::SaveSettings(dialog.settings(), dialog.settingsPath())) {
    session.err() << "tagline: the settings could not be saved to '" << dialog.settingsPath()
                  << "'\n";
    return kExitReaderFailed;
  }
  if (dialog.portOpen() == 0) {
    session.err() << "tagline: the setting is saved, but the line does not open\n";
    return session.ReportPortFailure();
  }
  return kExitOk;
}

}  // namespace

int RunJobCommand(Session& session, const CliOptions& options) {
  if (options.command == "db") return Db(session, options);
  if (options.command == "settings") return Settings(session, options);
  return FactoryDefault(session, options);
}

}  // namespace tagline::cli
