// SPDX-License-Identifier: Apache-2.0
#include "cli/cli_run.h"

#include <cerrno>
#include <csignal>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/headless_host.h"
#include "app/main_dialog.h"
#include "app/settings_file.h"
#include "app/settings_path.h"
#include "cli/cli_commands.h"
#include "cli/cli_handlers.h"
#include "cli/cli_host.h"
#include "cli/cli_many_ports.h"
#include "cli/terminal_safe_stream.h"
#include "codes/code_operations.h"
#include "job/reader_job.h"
#include "platform/comm.h"
#include "platform/port_info.h"
#include "platform/pseudo_terminals.h"
#include "protocol/classify_reader_version.h"
#include "serial/frame.h"
#include "serial/serial_port.h"
#if TAGLINE_HAS_PSEUDO_TERMINALS
#include "sim/demo_reader.h"
#endif

namespace tagline::cli {

namespace {

std::string OpenFailureHint(std::uint32_t error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return " (add your user to the dialout group: sudo usermod -aG dialout $USER, then log "
             "in again)";
    case EBUSY:
      return " (another program is using the port)";
    case ENOENT:
      return " (no such device: check the port name with 'tagline ports')";
    case EINVAL:
      return " (the line settings are not supported by the device)";
    default:
      return "";
  }
}

bool PortConfigured(const CliOptions& options) {
  std::string iniPath = options.iniPath;
  if (iniPath.empty()) {
    const auto path = app::BuildSettingsPath();
    if (!path.ok()) return true;  // the window reports it
    iniPath = *path.value;
  }
  return !app::LoadSettings(iniPath).port.empty();
}

}  // namespace

int RunClassify(CommandRun& run) {
  const CliOptions& options = run.options;
  std::ostream& out = run.out;
  JsonRecords* json = run.json;
  const auto classify = [&](const std::string& version) {
    if (json != nullptr) {
      json->Add(ModelRecord(version));
    } else {
      out << ClassifyLine(version) << '\n';
    }
  };
  if (!options.Has("batch")) {
    classify(options.args.front());
    return kExitOk;
  }
  std::string line;
  while (std::getline(run.in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // CR LF files
    classify(line);
  }
  return kExitOk;
}

namespace {

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

int RunConvert(CommandRun& run) {
  const CliOptions& options = run.options;
  std::ostream& out = run.out;
  std::ostream& err = run.err;
  JsonRecords* json = run.json;
  const std::string& name = options.args.front();
  const auto order = codes::ParseBitOrder(options.Value("order").value_or("numeric"));
  if (!order) {
    err << "tagline: --order takes numeric or transmission\n";
    return kExitUsage;
  }
  const auto convert = [&](const std::string& code) {
    return codes::RunCodeOperation(name, code, *order);
  };
  if (!convert("0")) {
    err << "tagline: unknown conversion " << name << "; one of:";
    for (const auto n : codes::CodeOperationNames()) err << ' ' << n;
    err << '\n';
    return kExitUsage;
  }
  const auto print = [&](const std::string& code) {
    const std::string result = WithoutLineEnd(*convert(code));
    if (json != nullptr) {
      json->Add(JsonObject().Text("name", name).Text("code", code).Text("result", result));
    } else {
      out << result << '\n';
    }
  };
  if (!options.Has("batch")) {
    print(options.args[1]);
    return kExitOk;
  }
  std::string line;
  while (std::getline(run.in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    print(line);
  }
  return kExitOk;
}

int RunCompletion(CommandRun& run) {
  const std::string script = CompletionScript(run.options.args.front());
  if (script.empty()) {
    run.err << "tagline: completion takes bash or zsh\n";
    return kExitUsage;
  }
  run.out << script;
  return kExitOk;
}

int RunFrame(CommandRun& run) {
  const std::string& text = run.options.args.front();
  const std::string bytes = HexBytes(serial::FrameCommand(text));
  if (run.json != nullptr) {
    run.json->Add(JsonObject().Text("text", text).Text("bytes", bytes));
  } else {
    run.out << bytes << '\n';
  }
  return kExitOk;
}

int RunPorts(CommandRun& run) {
  const std::string list = serial::SerialPort().ListPorts();
  std::vector<std::string> ports;
  std::size_t begin = 0;
  for (std::size_t end; (end = list.find(';', begin)) != std::string::npos; begin = end + 1) {
    ports.push_back(list.substr(begin, end - begin));
  }
  if (run.json == nullptr) {
    // The stable names beside the kernel's: a USB adapter keeps its by-id name.
    const std::vector<platform::PortInfo> infos = platform::ListPortInfo();
    for (const std::string& port : ports) {
      run.out << port;
      for (const platform::PortInfo& info : infos) {
        if (info.name != port) continue;
        for (const std::string& link : info.byIdNames) run.out << '\t' << link;
      }
      run.out << '\n';
    }
    return kExitOk;
  }
  run.json->Add(JsonObject().Raw("ports", JsonStringArray(ports)));
  return kExitOk;
}

int RunPortInfo(CommandRun& run) {
  run.out << platform::FormatPortInfo(platform::ListPortInfo());
  return kExitOk;
}

int RunSend(CommandRun& run) {
  return run.session->Send(run.options);
}

int RunVersion(CommandRun& run) {
  return run.session->Version();
}

int RunListen(CommandRun& run) {
  std::string error;
  const auto ms = NumberOption(run.options, "ms", 0, 86400000, 0, error);
  if (!ms) {
    run.err << "tagline: " << error << '\n';
    return kExitUsage;
  }
  return run.session->Listen(static_cast<std::uint32_t>(*ms), false, ListenStyleOf(run.options));
}

namespace {

// "'EC'\tClear Eeprom\t" as {"command":"EC","name":"Clear Eeprom","ok":...}.
std::string StepJson(const job::StepOutcome& step) {
  std::vector<std::string> fields;
  std::size_t begin = 0;
  for (std::size_t end; (end = step.label.find('\t', begin)) != std::string::npos;
       begin = end + 1) {
    if (end > begin) fields.push_back(step.label.substr(begin, end - begin));
  }
  if (begin < step.label.size()) fields.push_back(step.label.substr(begin));
  std::string command = fields.empty() ? std::string() : fields.front();
  if (command.size() >= 2 && command.front() == '\'' && command.back() == '\'') {
    command = command.substr(1, command.size() - 2);
  }
  return JsonObject()
      .Text("command", command)
      .Text("name", fields.size() > 1 ? fields[1] : std::string())
      .Bool("ok", step.ok)
      .Dump();
}

// One object a result, with the command and its exit code; what the command printed and
// reported goes with the last one.
void PrintJson(const CliOptions& options, int status, const std::string& printed,
               const std::string& errors, JsonRecords& records, std::ostream& out) {
  if (records.Empty()) records.Add(JsonObject());
  const auto& objects = records.objects();
  for (std::size_t i = 0; i < objects.size(); ++i) {
    JsonObject full;
    full.Text("command", options.command);
    if (options.port) full.Text("port", *options.port);
    full.Merge(objects[i]);
    full.Number("exit", status);
    if (!full.Has("ok")) full.Bool("ok", status == kExitOk);
    if (i + 1 == objects.size()) {
      if (printed.find_first_not_of("\r\n ") != std::string::npos) full.Text("output", printed);
      std::vector<std::string> messages;
      std::istringstream lines(errors);
      for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) messages.push_back(JsonString(line));
      }
      if (!messages.empty()) full.Raw("messages", JsonArray(messages));
    }
    out << full.Dump() << '\n';
  }
  out << std::flush;
}

}  // namespace

Session::Session(std::ostream& out, std::ostream& err) : out_(out), err_(err), host_(out, err) {}
Session::~Session() = default;

int Session::Open(const CliOptions& options, bool needsReader) {
  app::MainDialogOptions dialogOptions;
  dialogOptions.iniPath = options.iniPath;
  dialogOptions.portOverride = options.port;
  dialogOptions.saveSettings = false;  // the command line leaves the settings as they are
  // A script run from the wrong folder finds no settings: it must not work on a reader of
  // the imagination and say it did.
  if (needsReader && !options.simulate && !options.port && !PortConfigured(options)) {
    err_ << "tagline: no reader is configured here: name its port with --port NAME, save it with "
            "'tagline settings set port NAME', or try the simulated reader with --simulate\n";
    return kExitPortError;
  }
  if (options.simulate) {
#if TAGLINE_HAS_PSEUDO_TERMINALS
    std::string error;
    demo_ = sim::DemoReader::Start(options.version, error);
    if (!demo_) {
      err_ << "tagline: cannot start the simulated reader: " << error << '\n';
      return kExitPortError;
    }
    dialogOptions.portOverride = demo_->DevicePath();
#else
    err_ << "tagline: the simulated reader runs on pseudo-terminals, which Windows lacks\n";
    return kExitPortError;
#endif
  }
  dialog_ = std::make_unique<app::MainDialog>(host_, dialogOptions);
  if (trace_) dialog_->port().AddRecorder(trace_.get());
  host_.Attach(dialog_.get());
  host_.Watch(dialog_.get());
  dialog_->OnInitDialog();
  const int status = dialog_->portOpen() != 0 ? kExitOk : ReportPortFailure();
  host_.ClearMessages();
  host_.Flush();  // what start-up put in the panes is not this command's output
  host_.ClearReceived();
  return status;
}

int Session::StartTrace(const CliOptions& options) {
  if (!options.trace) return kExitOk;
  serial::TraceStart start;
  start.program = ProgramVersionText();
  start.port = options.simulate ? "the simulated reader" : options.port.value_or("");
  std::string error;
  trace_ = serial::TraceWriter::Open(*options.trace, start,
                                     options.traceLimitMb * std::uint64_t{1024} * 1024, error);
  if (!trace_) {
    err_ << "tagline: " << error << '\n';
    return kExitUsage;
  }
  return kExitOk;
}

bool Session::FinishTrace() {
  if (!trace_) return true;
  if (trace_->Flush()) return true;
  err_ << "tagline: the trace " << trace_->path()
       << " is missing events: the file did not take them\n";
  return false;
}

int Session::LostReads() const {
  return (dialog_ ? dialog_->link().lostReads() : 0) + jobLostReads_;
}

int Session::ReportPortFailure() {
  const auto& port = dialog_->port();
  err_ << "tagline: cannot open " << platform::CommDevicePath(port.portName()) << ": "
       << platform::CommErrorText(port.lastError()) << OpenFailureHint(port.lastError()) << '\n';
  return kExitPortError;
}

int Session::Listen(std::uint32_t ms, bool expectAnswer, const ListenStyle& style) {
  const int pollsBefore = dialog_->terminal().polledReplies;
  host_.SetTimestamps(style.timestamps);
  {
    const PollCapture capture(host_, dialog_->terminal());
    std::optional<HexEcho> hex;
    if (style.hex) hex.emplace(host_, dialog_->port());
    // A line lost meanwhile ends the listening at once, unless its return is waited for
    // (the window's poll opens it again when it is back).
    host_.RunUntil([this, &style] { return !style.reconnect && dialog_->portOpen() == 0; }, ms);
  }
  host_.SetTimestamps(false);
  host_.EndLine();
  if (dialog_->portOpen() == 0) return kExitReaderFailed;
  const app::Terminal& exchange = dialog_->terminal();
  const int replies = exchange.polledReplies - pollsBefore;
  if (expectAnswer && replies == 0) {
    err_ << "tagline: no answer from the reader\n";
    return kExitReaderFailed;
  }
  const bool refused = replies == 1 && (exchange.lastPolledReply == serial::ReplyClass::Nak ||
                                        exchange.lastPolledReply == serial::ReplyClass::Bel);
  return refused ? kExitReaderFailed : kExitOk;
}

int Session::Send(const CliOptions& options) {
  std::string error;
  const auto protocol =
      NumberOption(options, "protocol", 0, 2, dialog_->settings().protocol, error);
  const auto listen = NumberOption(options, "listen", 0, 86400000, 0, error);
  if (!protocol || !listen) {
    err_ << "tagline: " << error << '\n';
    return kExitUsage;
  }
  dialog_->settings().protocol = static_cast<int>(*protocol);
  dialog_->controls().UserSetText(app::ctl::kToSend, options.args.front());
  dialog_->OnCommand(app::ctl::kSend);
  if (*listen == 0) return kExitOk;
  return Listen(static_cast<std::uint32_t>(*listen), true, ListenStyleOf(options));
}

int Session::Version() {
  dialog_->OnCommand(app::ctl::kSv);
  const job::CommandResult& result = dialog_->LastCommandResult();
  if (!result.ok) return kExitReaderFailed;
  const std::string& version = result.text;
  if (json_ != nullptr) {
    json_->Add(ModelRecord(version));
  } else {
    out_ << version << '\n' << "model: " << ClassifyLine(version) << '\n';
  }
  return kExitOk;
}

JsonObject ModelRecord(const std::string& version) {
  const protocol::ReaderModel model = protocol::ClassifyReaderVersion(version);
  return JsonObject()
      .Text("version", version)
      .Number("model", static_cast<int>(model))
      .Text("modelName", protocol::ReaderModelName(model));
}

JsonObject CommandRecord(const job::CommandResult& result) {
  return JsonObject()
      .Bool("sent", result.sent)
      .Bool("ok", result.ok)
      .Bool("recognised", result.recognised)
      .Text("text", result.text);
}

JsonObject JobRecord(const job::JobResult& result) {
  std::vector<std::string> steps;
  steps.reserve(result.steps.size());
  for (const job::StepOutcome& step : result.steps) steps.push_back(StepJson(step));
  JsonObject record;
  record.Bool("ok", result.finished && result.ok)
      .Bool("readerFound", result.readerFound)
      .Raw("steps", JsonArray(steps))
      .Number("records", static_cast<long long>(result.records));
  if (!result.file.empty()) record.Text("file", result.file);
  return record.Raw("failures", JsonStringArray(result.failures)).Text("summary", result.summary);
}

namespace {

// `progress` takes the progress line, which moves the cursor itself; `err` is escaped.
int RunCommand(const CliOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               std::ostream& progress, JsonRecords* json) {
  const CommandEntry* entry = FindCommand(options.command);
  if (entry == nullptr || entry->run == nullptr) {
    err << "tagline: unknown command " << options.command << '\n';
    return kExitUsage;
  }
  CommandRun run{options, in, out, err, json, nullptr};
  if (entry->needs == CommandNeeds::Nothing) return entry->run(run);

  Session session(out, err);
  session.SetProgressStream(progress);
  session.SetJson(json);
  if (const int status = session.StartTrace(options); status != kExitOk) return status;
  if (const int status = session.Open(options, entry->needs == CommandNeeds::Reader);
      status != kExitOk) {
    // The settings are shown and changed without a line: a port that cannot be opened is
    // put right there.
    if (entry->needs != CommandNeeds::Settings || !session.HasWindow()) return status;
  }
  run.session = &session;
  const int lostBefore = session.LostReads();
  int status = entry->run(run);
  // However the command went on, a lost line is what it ended with; unless its return was
  // waited for and it came back.
  const bool cameBack = options.Has("reconnect") && session.dialog().portOpen() != 0;
  if (session.LostReads() != lostBefore && status != kExitUsage && !cameBack) {
    err << "tagline: " << job::kConnectionLost << '\n';
    status = kExitPortError;
  }
  if (entry->json == CommandJson::ButtonResult && json != nullptr && json->Empty()) {
    json->Add(CommandRecord(session.dialog().LastCommandResult()));
  }
  if (!session.FinishTrace() && status == kExitOk) status = kExitReaderFailed;
  return status;
}

}  // namespace

int RunCli(const CliOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  // What a reader sends reaches the terminal escaped; JSON escapes it by itself.
  TerminalSafeStream safeOut(out);
  TerminalSafeStream safeErr(err);
  if (ManyPorts(options)) return RunOnPorts(options, in, options.json ? out : safeOut, safeErr);
  if (!options.json) return RunCommand(options, in, safeOut, safeErr, err, nullptr);
  std::ostringstream printed;
  std::ostringstream errors;
  JsonRecords records;
  const int status = RunCommand(options, in, printed, errors, err, &records);
  safeErr << errors.str() << std::flush;
  PrintJson(options, status, printed.str(), errors.str(), records, out);
  return status;
}

std::string HexBytes(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (!out.empty()) out += ' ';
    out += serial::HexDigit(b >> 4);
    out += serial::HexDigit(b & 0xF);
  }
  return out;
}

std::string ClassifyLine(const std::string& version) {
  const protocol::ReaderModel model = protocol::ClassifyReaderVersion(version);
  return std::to_string(static_cast<int>(model)) + " " +
         std::string(protocol::ReaderModelName(model));
}

std::string PaneAddition(const std::string& before, const std::string& after) {
  // Lines are only cut off at the front and text only added at the end.
  for (std::size_t cut = 0; cut <= before.size(); ++cut) {
    const std::size_t kept = before.size() - cut;
    if (after.size() >= kept && after.compare(0, kept, before, cut, kept) == 0) {
      return after.substr(kept);
    }
  }
  return after;
}

}  // namespace tagline::cli
