#include "cli/cli_reader_commands.h"

#include <atomic>
#include <csignal>

#include "cli/cli_run.h"
#include "platform/keyboard.h"
#include "reader/classify_reader_version.h"
#include "reader/parameter_catalogue.h"
#include "reader/software_version.h"
#include "reader/tag_type_masks.h"

namespace tagline::cli {

namespace {

namespace ctl = app::ctl;

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
  interrupted = true;
}

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

int Tag(Session& session, const CliOptions& options) {
  std::string error;
  const auto repeat = NumberOption(options, "repeat", 1, 1000000, 1, error);
  const auto interval = NumberOption(options, "interval", 0, 3600000, 200, error);
  if (!repeat || !interval) {
    session.err() << "tagline: " << error << '\n';
    return kExitUsage;
  }
  int status = kExitOk;
  for (long long i = 0; i < *repeat; ++i) {
    if (i > 0) session.host().RunFor(static_cast<std::uint32_t>(*interval));
    session.dialog().OnCommand(ctl::kGtOnce);
    const app::CommandResult& result = session.dialog().LastCommandResult();
    session.out() << result.text << '\n' << std::flush;
    if (!result.ok) status = kExitReaderFailed;
  }
  return status;
}

int Online(Session& session, const CliOptions& options) {
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
  if (*kind != platform::KeyboardKind::None) {
    auto keyboard = platform::CreateKeyboard(*kind, error);
    if (!keyboard) {
      session.err() << "tagline: no keyboard simulation: " << error << '\n';
      return kExitUsage;
    }
    dialog.SetKeyboard(std::move(keyboard));
  }
  // Standard output carries the typed text; the pane's lines go to standard error.
  session.host().SetPaneStream(session.err());
  if (const auto log = options.Value("log")) {
    dialog.settings().keyboard_sim_prot_path = *log;
    dialog.OnCommand(ctl::kLogging);
  }
  if (dialog.onlineMode == 0) dialog.OnCommand(app::menu::kOnline);

  interrupted = false;
  const auto previous = std::signal(SIGINT, OnInterrupt);
  const std::uint64_t end =
      *seconds < 0 ? UINT64_MAX
                   : session.host().Now() + static_cast<std::uint64_t>(*seconds) * 1000;
  while (!interrupted && session.host().Now() < end && dialog.portOpen() != 0) {
    session.host().RunFor(
        static_cast<std::uint32_t>(std::min<std::uint64_t>(200, end - session.host().Now())));
  }
  std::signal(SIGINT, previous);
  return dialog.portOpen() != 0 ? kExitOk : kExitReaderFailed;
}

int Params(Session& session) {
  auto& dialog = session.dialog();
  const auto model =
      reader::IdentifyReader(dialog, reader::VersionEcho::Quiet, reader::PollAfter::Restart);
  session.out() << "model: " << static_cast<int>(model) << ' ' << reader::ReaderModelName(model)
                << '\n';
  for (const auto name : reader::OfferedNames(reader::ParameterKind::Selection, model)) {
    session.out() << "selection\t" << name << '\n';
  }
  for (const auto name : reader::OfferedNames(reader::ParameterKind::Numeric, model)) {
    session.out() << "numeric\t" << name << '\n';
  }
  for (const auto name : reader::OfferedTagTypeNames(model)) {
    session.out() << "tagtype\t" << name << '\n';
  }
  return model == reader::ReaderModel::NoReply ? kExitReaderFailed : kExitOk;
}

}  // namespace

int RunReaderCommand(Session& session, const CliOptions& options) {
  auto& dialog = session.dialog();
  auto& controls = dialog.controls();
  const std::string& command = options.command;
  const std::string arg0 = options.args.empty() ? std::string() : options.args[0];
  const std::string arg1 = options.args.size() > 1 ? options.args[1] : std::string();

  if (command == "tag") return Tag(session, options);
  if (command == "online") return Online(session, options);
  if (command == "params") return Params(session);
  if (command == "comm") {
    Press(session, ctl::kXt);
    return ResultStatus(session);
  }
  if (command == "dbtest") {
    Press(session, ctl::kTest);
    const app::CommandResult& result = dialog.LastCommandResult();
    if (!result.text.empty()) session.out() << result.text << '\n';
    return ResultStatus(session);
  }
  if (command == "clock") {
    if (options.Has("set")) Press(session, ctl::kClockRead);
    Press(session, ctl::kClockSet);
    return ResultStatus(session);
  }
  if (command == "param") {
    controls.UserSetText(ctl::kParameterName, arg0);
    controls.UserSetText(ctl::kParameterValue, arg1);
    Press(session, ctl::kParameterButton);
    if (!dialog.LastCommandResult().recognised) {
      session.err() << "tagline: " << arg0 << " is no parameter of this reader\n";
      return kExitReaderFailed;
    }
    return ResultStatus(session);
  }
  if (command == "numeric") {
    controls.UserSetText(ctl::kNumericName, arg0);
    controls.UserSetText(ctl::kNumericValue, arg1);
    Press(session, ctl::kNumericButton);
    if (!dialog.LastCommandResult().recognised) {
      session.err() << "tagline: " << arg0 << " is no numeric parameter\n";
      return kExitReaderFailed;
    }
    return ResultStatus(session);
  }
  // tagtypes: the ticked names as the row's text shows them.
  controls.UserSetText(ctl::kTagTypes, arg0);
  Press(session, ctl::kTagTypeButton);
  return ResultStatus(session);
}

}  // namespace tagline::cli
