// SPDX-License-Identifier: Apache-2.0
// The commands that press one of the reader buttons of the main window.
#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/panels/button_command.h"
#include "app/window_environment.h"
#include "cli/cli_handlers.h"
#include "cli/cli_host.h"
#include "cli/cli_run.h"
#include "codes/online_typing.h"
#include "job/identification.h"
#include "platform/keyboard.h"
#include "platform/stop_signals.h"
#include "protocol/classify_reader_version.h"
#include "reader/parameter_catalogue.h"
#include "reader/tag_type_masks.h"

namespace tagline::cli {

namespace {

namespace ctl = app::ctl;

// Runs a button's handler and prints what the received pane got.
void Press(Session& session, int id, int code = app::notify::kClicked) {
  session.dialog().OnCommand(id, code);
  session.host().Flush();
  session.host().EndLine();
}

// The exit code of the button pressed last.
int ResultStatus(Session& session) {
  return session.dialog().LastCommandResult().ok ? kExitOk : kExitReaderFailed;
}

}  // namespace

int RunTag(CommandRun& run) {
  Session& session = *run.session;
  const CliOptions& options = run.options;
  std::string error;
  const auto repeat = NumberOption(options, "repeat", 1, 1000000, 1, error);
  const auto interval = NumberOption(options, "interval", 0, 3600000, 200, error);
  if (!repeat || !interval) {
    session.err() << "tagline: " << error << '\n';
    return kExitUsage;
  }
  int status = kExitOk;
  const int lostAtStart = session.LostReads();
  for (long long i = 0; i < *repeat && session.LostReads() == lostAtStart; ++i) {
    if (i > 0) session.host().RunFor(static_cast<std::uint32_t>(*interval));
    session.dialog().OnCommand(ctl::kGtOnce);
    const job::CommandResult& result = session.dialog().LastCommandResult();
    if (session.json() != nullptr) {
      session.json()->Add(CommandRecord(result));
    } else {
      session.out() << result.text << '\n' << std::flush;
    }
    if (!result.ok) status = kExitReaderFailed;
  }
  return status;
}

int RunOnline(CommandRun& run) {
  Session& session = *run.session;
  const CliOptions& options = run.options;
  std::string error;
  const auto seconds = NumberOption(options, "seconds", 0, 31536000, -1, error);
  if (!seconds) {
    session.err() << "tagline: " << error << '\n';
    return kExitUsage;
  }
  const auto kind = platform::ParseKeyboardKind(options.Value("keyboard").value_or("auto"));
  if (!kind) {
    session.err() << "tagline: --keyboard takes auto, x11, uinput, stdout or none\n";
    return kExitUsage;
  }
  auto& dialog = session.dialog();
  if (const auto layout = options.Value("layout")) dialog.settings().keyboard_layout = *layout;
  if (options.Has("type-any-text")) dialog.settings().type_any_text = true;
  if (*kind != platform::KeyboardKind::None) {
    auto keyboard = platform::CreateKeyboard(*kind, error, dialog.settings().keyboard_layout);
    if (!keyboard) {
      session.err() << "tagline: no keyboard simulation: " << error << '\n';
      return kExitUsage;
    }
    dialog.SetKeyboard(std::move(keyboard));
  }
  // Standard output carries the typed text; the pane's lines go to standard error.
  session.host().SetPaneStream(session.err());
  const ListenStyle style = ListenStyleOf(options);
  session.host().SetTimestamps(style.timestamps);
  // The window skips a character the protocol file does not take without a word; here the
  // user hears of it (once a run) and the exit status says so.
  std::size_t unlogged = 0;
  bool reported = false;
  if (const auto log = options.Value("log")) {
    if (const auto problem = codes::ProtocolFileProblem(*log)) {
      session.err() << "tagline: cannot open the protocol file " << *log << ": " << *problem
                    << "; the typed characters are not logged\n";
      reported = true;
    }
    dialog.SetProtocolFailure([&session, &unlogged, &reported,
                               path = *log](const std::string& why) {
      ++unlogged;
      if (reported) return;
      reported = true;
      session.err() << "tagline: cannot write the protocol file " << path << ": " << why << '\n';
    });
    dialog.settings().keyboard_sim_prot_path = *log;
    dialog.OnCommand(ctl::kLogging);
  }
  if (dialog.onlineMode == 0) dialog.OnCommand(app::menu::kOnline);

  // Until a stop signal (Ctrl+C): the program's StopSignals catch them.
  const platform::StopSignals stopSignals;
  const std::uint64_t end =
      *seconds < 0 ? UINT64_MAX
                   : session.host().Now() + static_cast<std::uint64_t>(*seconds) * 1000;
  {
    const PollCapture capture(session.host(), dialog.terminal());
    // A lost port ends the run, or is waited for: the window's poll opens it again.
    while (platform::StopSignals::Caught() == 0 && session.host().Now() < end &&
           (dialog.portOpen() != 0 || style.reconnect)) {
      session.host().RunFor(
          static_cast<std::uint32_t>(std::min<std::uint64_t>(200, end - session.host().Now())));
    }
  }
  dialog.SetProtocolFailure({});
  if (unlogged > 0) {
    session.err() << "tagline: " << unlogged
                  << " typed characters are missing from the protocol file\n";
    return kExitReaderFailed;
  }
  return dialog.portOpen() != 0 ? kExitOk : kExitReaderFailed;
}

namespace {

// The model of the connected reader, asked quietly as the window's rows ask it.
job::Identification Identify(Session& session) {
  auto& dialog = session.dialog();
  const app::PollPause pause(session.host());
  app::WindowEnvironment env(dialog, {});
  return job::Identify(env, job::VersionEcho::Quiet);
}

std::string ModelText(protocol::ReaderModel model) {
  return std::to_string(static_cast<int>(model)) + ' ' +
         std::string(protocol::ReaderModelName(model));
}

// "A, B or C".
std::string NameList(std::span<const std::string_view> names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text.empty() ? "none" : text;
}

// Whether a name may be sent to the connected reader: one of the kind's names at all (else
// a usage error, before the reader is asked), and one its model is offered (else the
// reader cannot take it; nothing is sent). Exit status, or nullopt to go on.
std::optional<int> CheckOfferedNames(Session& session, reader::ParameterKind kind,
                                     const std::vector<std::string>& names, const char* what) {
  const auto all = reader::CatalogueNames(kind);
  for (const std::string& name : names) {
    if (std::find(all.begin(), all.end(), name) == all.end()) {
      session.err() << "tagline: '" << name << "' is no " << what << "; one of: " << NameList(all)
                    << '\n';
      return kExitUsage;
    }
  }
  const job::Identification found = Identify(session);
  const protocol::ReaderModel model = found.model;
  if (model == protocol::ReaderModel::NoReply) {
    session.err() << "tagline: no answer from the reader\n";
    return kExitReaderFailed;
  }
  if (!found.certain) {
    session.err() << "tagline: " << job::DoubtfulIdentificationText(found) << '\n';
    return kExitReaderFailed;
  }
  const auto offered = reader::OfferedNames(kind, model);
  for (const std::string& name : names) {
    if (!reader::IsNameOffered(kind, name, model)) {
      session.err() << "tagline: '" << name << "' is no " << what << " of this reader (model "
                    << ModelText(model) << "); it takes " << NameList(offered) << '\n';
      return kExitReaderFailed;
    }
  }
  if (offered.empty()) {
    session.err() << "tagline: this reader (model " << ModelText(model) << ") has no " << what
                  << "s\n";
    return kExitReaderFailed;
  }
  return std::nullopt;
}

}  // namespace

int RunComm(CommandRun& run) {
  Session& session = *run.session;
  const CliOptions& options = run.options;
  if (options.args.empty()) {
    Press(session, ctl::kXt);
    return ResultStatus(session);
  }
  const std::string& state = options.args.front();
  if (state != "on" && state != "off") {
    session.err() << "tagline: comm takes on or off\n";
    return kExitUsage;
  }
  session.dialog().SwitchCommunication(state == "on");
  session.host().Flush();
  session.host().EndLine();
  return ResultStatus(session);
}

int RunNumeric(CommandRun& run) {
  Session& session = *run.session;
  const CliOptions& options = run.options;
  const std::string& name = options.args.front();
  // The cells of a numeric name mean other things on other models ("00E" is a time-out on
  // one, the low byte of another on the next): the name must be one of this model's.
  if (const auto refused =
          CheckOfferedNames(session, reader::ParameterKind::Numeric, {name}, "numeric parameter")) {
    return *refused;
  }
  auto& controls = session.dialog().controls();
  controls.UserSetText(ctl::kNumericName, name);
  controls.UserSetText(ctl::kNumericValue, options.args.size() > 1 ? options.args[1] : "");
  Press(session, ctl::kNumericButton);
  return ResultStatus(session);
}

namespace {

// The names of a `tagtypes` argument: separated by commas, semicolons or blanks.
std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  std::string name;
  for (const char c : text + ',') {
    if (c == ',' || c == ';' || c == ' ') {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  return names;
}

// The ticked names go to the row as its check list shows them. A text that names no type
// would write empty masks, switching every type off: only `none` asks for that.
}  // namespace

int RunTagTypes(CommandRun& run) {
  Session& session = *run.session;
  const CliOptions& options = run.options;
  auto& controls = session.dialog().controls();
  std::string ticked;
  if (!options.args.empty()) {
    const std::vector<std::string> names = SplitNames(options.args.front());
    const bool none = names == std::vector<std::string>{"none"};
    if (names.empty()) {
      session.err() << "tagline: tagtypes takes tag-type names, or none to switch all off\n";
      return kExitUsage;
    }
    if (const auto refused =
            CheckOfferedNames(session, reader::ParameterKind::AlgorithmMask,
                              none ? std::vector<std::string>{} : names, "tag type")) {
      return *refused;
    }
    for (const std::string& name : names) ticked += (ticked.empty() ? "" : ", ") + name;
  }
  controls.UserSetText(ctl::kTagTypes, ticked);
  Press(session, ctl::kTagTypeButton);
  return ResultStatus(session);
}

int RunParams(CommandRun& run) {
  Session& session = *run.session;
  const auto model = Identify(session).model;
  const auto selection = reader::OfferedNames(reader::ParameterKind::Selection, model);
  const auto numeric = reader::OfferedNames(reader::ParameterKind::Numeric, model);
  const auto tagTypes = reader::OfferedTagTypeNames(model);
  if (JsonRecords* json = session.json()) {
    json->Add(JsonObject()
                  .Number("model", static_cast<int>(model))
                  .Text("modelName", protocol::ReaderModelName(model))
                  .Raw("selection", JsonStringArray(selection))
                  .Raw("numeric", JsonStringArray(numeric))
                  .Raw("tagtypes", JsonStringArray(tagTypes)));
  } else {
    session.out() << "model: " << ModelText(model) << '\n';
    for (const auto name : selection) session.out() << "selection\t" << name << '\n';
    for (const auto name : numeric) session.out() << "numeric\t" << name << '\n';
    for (const auto name : tagTypes) session.out() << "tagtype\t" << name << '\n';
  }
  return model == protocol::ReaderModel::NoReply ? kExitReaderFailed : kExitOk;
}

int RunDbTest(CommandRun& run) {
  Session& session = *run.session;
  Press(session, ctl::kTest);
  const job::CommandResult& result = session.dialog().LastCommandResult();
  if (!result.text.empty()) session.out() << result.text << '\n';
  return ResultStatus(session);
}

int RunClock(CommandRun& run) {
  Session& session = *run.session;
  if (run.options.Has("set")) Press(session, ctl::kClockDirection);
  Press(session, ctl::kClockSet);
  return ResultStatus(session);
}

int RunParam(CommandRun& run) {
  Session& session = *run.session;
  const auto& args = run.options.args;
  const std::string& name = args[0];
  auto& controls = session.dialog().controls();
  controls.UserSetText(ctl::kParameterName, name);
  controls.UserSetText(ctl::kParameterValue, args.size() > 1 ? args[1] : std::string());
  Press(session, ctl::kParameterButton);
  if (!session.dialog().LastCommandResult().recognised) {
    session.err() << "tagline: " << name << " is no parameter of this reader\n";
    return kExitReaderFailed;
  }
  return ResultStatus(session);
}

}  // namespace tagline::cli
