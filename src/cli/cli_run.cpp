#include "cli/cli_run.h"

#include <cerrno>
#include <memory>
#include <string>

#include "app/app_settings.h"
#include "app/settings_path.h"
#include "platform/tick_count.h"
#include "serial/command_exchange.h"
#include "serial/frame.h"
#include "serial/serial_port.h"
#include "sim/simulated_reader.h"

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

class Session {
 public:
  Session(std::ostream& out, std::ostream& err) : out_(out), err_(err), exchange_(port_) {
    port_.SetMessageSink([this](const std::string& text) { err_ << "message: " << text << '\n'; });
  }

  // Opens this run's port: the simulated reader, or the configured port.
  int Open(const CliOptions& options) {
    std::string iniPath = options.iniPath;
    if (iniPath.empty()) {
      const auto path = app::BuildSettingsPath();
      if (!path.ok()) {
        err_ << "tagline: " << path.error << '\n';
        return kExitPortError;
      }
      iniPath = *path.value;
    }
    settings_ = app::LoadSettings(iniPath);

    std::string portName = options.port.value_or(settings_.port);
    if (options.simulate || (!options.port && settings_.port.empty())) {
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
      portName = reader_->DevicePath();
      if (!options.simulate) err_ << "tagline: no reader configured, using the simulated reader\n";
#endif
    }

    // A settings file without line values (a first run) gets the port's own defaults.
    const auto baud = settings_.baudrate > 0 ? static_cast<std::uint32_t>(settings_.baudrate)
                                             : port_.dcb().BaudRate;
    const auto bits = settings_.databits > 0 ? static_cast<std::uint8_t>(settings_.databits)
                                             : port_.dcb().ByteSize;
    port_.SetSettings(portName, baud, bits, settings_.parity, settings_.stopbits, settings_.CTS,
                      settings_.RTS);
    if (!port_.Open()) {
      err_ << "message: error on open com port\n";
      err_ << "tagline: cannot open " << portName << ": "
           << platform::CommErrorText(port_.lastError()) << OpenFailureHint(port_.lastError())
           << '\n';
      return kExitPortError;
    }
    exchange_.portOpen = 1;
    return kExitOk;
  }

  int Send(const CliOptions& options) {
    exchange_.sendText = options.args.front();
    exchange_.OnSend(options.protocol.value_or(settings_.protocol));
    if (options.listenMs == 0) return kExitOk;
    return Listen(options.listenMs, true);
  }

  // The receive poll every 250 ms for `ms` milliseconds; prints what the received pane gets.
  int Listen(std::uint32_t ms, bool expectAnswer) {
    bool received = false;
    bool refused = false;
    bool openLine = false;  // the last text printed did not end its line
    const std::uint32_t start = platform::GetTickCount();
    for (;;) {
      const std::uint32_t elapsed = platform::GetTickCount() - start;
      if (elapsed >= ms) break;
      platform::SleepMs(std::min<std::uint32_t>(serial::kPollPeriodMs, ms - elapsed));
      const std::size_t before = exchange_.receivedPane.size();
      exchange_.TrimPanes();
      if (exchange_.PollReceive(0)) {
        const std::string added =
            exchange_.receivedPane.substr(std::min(before, exchange_.receivedPane.size()));
        const std::string lines = ToTerminal(added);
        out_ << lines << std::flush;
        openLine = !lines.empty() && lines.back() != '\n';
        received = true;
        refused = refused || added == "// NAK\r\n" || added == "// BEL\r\n";
      }
      if (exchange_.portOpen == 0) return kExitReaderFailed;
    }
    if (openLine) out_ << '\n';
    if (expectAnswer && !received) {
      err_ << "tagline: no answer from the reader\n";
      return kExitReaderFailed;
    }
    return refused ? kExitReaderFailed : kExitOk;
  }

 private:
  std::ostream& out_;
  std::ostream& err_;
  app::AppSettings settings_;
  std::unique_ptr<sim::SimulatedReader> reader_;
  serial::SerialPort port_;
  serial::CommandExchange exchange_;
};

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

int RunCli(const CliOptions& options, std::ostream& out, std::ostream& err) {
  if (options.command == "frame") {
    out << HexBytes(serial::FrameCommand(options.args.front())) << '\n';
    return kExitOk;
  }
  if (options.command == "ports") {
    const std::string list = serial::SerialPort().ListPorts();
    std::size_t begin = 0;
    for (std::size_t end; (end = list.find(';', begin)) != std::string::npos; begin = end + 1) {
      out << list.substr(begin, end - begin) << '\n';
    }
    return kExitOk;
  }

  Session session(out, err);
  if (const int status = session.Open(options); status != kExitOk) return status;
  if (options.command == "send") return session.Send(options);
  return session.Listen(options.listenMs, false);
}

}  // namespace tagline::cli
