#include "cli/cli_run.h"

#include <cerrno>
#include <memory>
#include <string>

#include "app/app_settings.h"
#include "app/control_ids.h"
#include "app/headless_host.h"
#include "app/main_dialog.h"
#include "app/settings_path.h"
#include "platform/comm.h"
#include "reader/classify_reader_version.h"
#include "serial/frame.h"
#include "serial/serial_port.h"
#ifndef _WIN32
#include "platform/port_info.h"
#include "sim/simulated_reader.h"
#endif

namespace tagline::cli {

namespace {

// Pane text as terminal lines.
std::string ToTerminal(const std::string& pane) {
  std::string out;
  for (const char c : pane) {
    if (c != '\r') out += c;
  }
  return out;
}

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

// The command line's window: the main window's controller on the headless host, with
// what the received pane gains printed as it comes.
class CliHost : public app::HeadlessHost {
 public:
  CliHost(std::ostream& out, std::ostream& err) : out_(out) { SetMessageStream(&err); }

  void Watch(const app::MainDialog* dialog) { dialog_ = dialog; }

  void ScrollToEnd(int controlId) override {
    if (controlId == app::ctl::kReceived) Flush();
  }

  // Prints what the received pane gained since the last call.
  void Flush() {
    if (dialog_ == nullptr) return;
    const std::string& pane = dialog_->controls().at(app::ctl::kReceived).text;
    const std::string added = ToTerminal(PaneAddition(printed_, pane));
    printed_ = pane;
    if (added.empty()) return;
    out_ << added << std::flush;
    received_ += added;
  }
  void EndLine() {
    if (!received_.empty() && received_.back() != '\n') out_ << '\n';
  }
  const std::string& received() const { return received_; }

 private:
  std::ostream& out_;
  const app::MainDialog* dialog_ = nullptr;
  std::string printed_;
  std::string received_;
};

class Session {
 public:
  Session(std::ostream& out, std::ostream& err) : err_(err), host_(out, err) {}

  int Open(const CliOptions& options) {
    app::MainDialogOptions dialogOptions;
    dialogOptions.iniPath = options.iniPath;
    dialogOptions.portOverride = options.port;
    dialogOptions.saveSettings = false;  // the command line leaves the settings as they are
    const bool simulate = options.simulate || (!options.port && !PortConfigured(options));
    if (simulate) {
#ifdef _WIN32
      err_ << "tagline: the simulated reader runs on pseudo-terminals, which Windows lacks\n";
      return kExitPortError;
#else
      sim::SimOptions simOptions;
      if (options.version) simOptions.version = *options.version;
      std::string error;
      reader_ = sim::SimulatedReader::Start(simOptions, error);
      if (!reader_) {
        err_ << "tagline: cannot start the simulated reader: " << error << '\n';
        return kExitPortError;
      }
      dialogOptions.portOverride = reader_->DevicePath();
      if (!options.simulate) err_ << "tagline: no reader configured, using the simulated reader\n";
#endif
    }
    dialog_ = std::make_unique<app::MainDialog>(host_, dialogOptions);
    host_.Attach(dialog_.get());
    host_.Watch(dialog_.get());
    dialog_->OnInitDialog();
    if (dialog_->portOpen() == 0) {
      const auto& port = dialog_->port();
      err_ << "tagline: cannot open " << platform::CommDevicePath(port.portName()) << ": "
           << platform::CommErrorText(port.lastError()) << OpenFailureHint(port.lastError())
           << '\n';
      return kExitPortError;
    }
    host_.ClearMessages();
    return kExitOk;
  }

  int Send(const CliOptions& options) {
    if (options.protocol) dialog_->settings().protocol = *options.protocol;
    dialog_->controls().UserSetText(app::ctl::kToSend, options.args.front());
    dialog_->OnCommand(app::ctl::kSend);
    if (options.listenMs == 0) return kExitOk;
    return Listen(options.listenMs, true);
  }

  // The receive poll runs on its timer for `ms` milliseconds.
  int Listen(std::uint32_t ms, bool expectAnswer) {
    host_.RunFor(ms);
    host_.Flush();
    host_.EndLine();
    if (dialog_->portOpen() == 0) return kExitReaderFailed;
    const std::string& received = host_.received();
    if (expectAnswer && received.empty()) {
      err_ << "tagline: no answer from the reader\n";
      return kExitReaderFailed;
    }
    const bool refused = received == "// NAK\n" || received == "// BEL\n";
    return refused ? kExitReaderFailed : kExitOk;
  }

  int Version(std::ostream& out) {
    dialog_->OnCommand(app::ctl::kSv);
    const std::string version = dialog_->controls().at(app::ctl::kSvResult).text;
    if (version.empty()) return kExitReaderFailed;
    out << version << '\n' << "model: " << ClassifyLine(version) << '\n';
    return kExitOk;
  }

 private:
  static bool PortConfigured(const CliOptions& options) {
    app::MainDialogOptions probe;
    probe.iniPath = options.iniPath;
    if (probe.iniPath.empty()) {
      const auto path = app::BuildSettingsPath();
      if (!path.ok()) return true;  // the window reports it
      probe.iniPath = *path.value;
    }
    return !app::LoadSettings(probe.iniPath).port.empty();
  }

  std::ostream& err_;
  CliHost host_;
#ifndef _WIN32
  std::unique_ptr<sim::SimulatedReader> reader_;
#endif
  std::unique_ptr<app::MainDialog> dialog_;
};

int Classify(const CliOptions& options, std::istream& in, std::ostream& out) {
  if (!options.batch) {
    out << ClassifyLine(options.args.front()) << '\n';
    return kExitOk;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // CR LF files
    out << ClassifyLine(line) << '\n';
  }
  return kExitOk;
}

}  // namespace

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
  const reader::ReaderModel model = reader::ClassifyReaderVersion(version);
  return std::to_string(static_cast<int>(model)) + " " +
         std::string(reader::ReaderModelName(model));
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

int RunCli(const CliOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  if (options.command == "frame") {
    out << HexBytes(serial::FrameCommand(options.args.front())) << '\n';
    return kExitOk;
  }
  if (options.command == "classify") return Classify(options, in, out);
  if (options.command == "ports") {
    const std::string list = serial::SerialPort().ListPorts();
    std::size_t begin = 0;
    for (std::size_t end; (end = list.find(';', begin)) != std::string::npos; begin = end + 1) {
      out << list.substr(begin, end - begin) << '\n';
    }
    return kExitOk;
  }
#ifndef _WIN32
  if (options.command == "portinfo") {
    out << platform::FormatPortInfo(platform::ListPortInfo());
    return kExitOk;
  }
#endif

  Session session(out, err);
  if (const int status = session.Open(options); status != kExitOk) return status;
  if (options.command == "send") return session.Send(options);
  if (options.command == "version") return session.Version(out);
  return session.Listen(options.listenMs, false);
}

}  // namespace tagline::cli
