// SPDX-License-Identifier: Apache-2.0
// The command line's window: the main window's controller on the headless host, with
// what the received pane gains printed as it comes.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "app/control_ids.h"
#include "app/headless_host.h"
#include "app/main_dialog.h"
#include "cli/cli_options.h"
#include "cli/json_output.h"
#include "platform/iso_time.h"
#include "serial/line_recorder.h"
#include "serial/serial_port.h"
#include "serial/trace_writer.h"

namespace tagline::sim {
class DemoReader;
}  // namespace tagline::sim

namespace tagline::cli {

// How `listen`, `send --listen` and `online` print what comes: as the pane shows it or in
// hex (one reply a line), each line with its time or not; and whether a lost port is
// waited for (its name back, the listening goes on).
struct ListenStyle {
  bool hex = false;
  bool timestamps = false;
  bool reconnect = false;
};
ListenStyle ListenStyleOf(const CliOptions& options);

class CliHost : public app::HeadlessHost {
 public:
  CliHost(std::ostream& out, std::ostream& err) : out_(&out) { SetMessageStream(&err); }

  void Watch(const app::MainDialog* dialog) { dialog_ = dialog; }
  // Where the pane's lines go (ONLINE mode keeps standard output for the typed text).
  void SetPaneStream(std::ostream& out) { out_ = &out; }
  std::ostream& paneStream() { return *out_; }
  // Each printed line begins with its local time.
  void SetTimestamps(bool on) { timestamps_ = on; }
  // The pane's lines are not printed (the hex view prints the bytes instead).
  void SetMuted(bool muted) { muted_ = muted; }
  // The line's start for a line printed now: its time and a blank, or nothing.
  std::string LinePrefix();

  void ScrollToEnd(int controlId) override {
    if (controlId == app::ctl::kReceived) Flush();
  }

  // Prints what the received pane gained since the last call (while polls are captured,
  // only takes note of the pane as it is).
  void Flush();
  void EndLine();
  const std::string& received() const { return received_; }
  void ClearReceived() { received_.clear(); }

 private:
  friend class PollCapture;
  void Print(std::string_view paneText);

  std::ostream* out_;
  const app::MainDialog* dialog_ = nullptr;
  std::string printed_;
  std::string received_;
  bool capturing_ = false;
  bool timestamps_ = false;
  bool muted_ = false;
  bool atLineStart_ = true;
  bool lineOpen_ = false;  // what was printed last did not end its line
  platform::IsoTimeFormatter clock_;
};

// For its lifetime, prints every byte the reader sends as hex pairs, one reply a line.
class HexEcho final : public serial::LineRecorder {
 public:
  HexEcho(CliHost& host, serial::SerialPort& port);
  ~HexEcho() override;
  HexEcho(const HexEcho&) = delete;
  HexEcho& operator=(const HexEcho&) = delete;

  void Opened(const std::string& /*port*/, const platform::Dcb& /*line*/) override {}
  void Closed() override {}
  void Sent(std::string_view /*bytes*/) override {}
  void Received(std::string_view bytes, std::uint32_t agoMs) override;
  void Flushed() override {}
  void Lost() override {}

 private:
  CliHost& host_;
  serial::SerialPort& port_;
};

// For its lifetime, prints everything the receive poll adds to the received pane as it is
// added. The pane keeps only 20 lines, so the difference of two states loses a burst of
// more lines and cannot tell a repeated line from no line at all.
class PollCapture {
 public:
  PollCapture(CliHost& host, app::Terminal& terminal);
  ~PollCapture();
  PollCapture(const PollCapture&) = delete;
  PollCapture& operator=(const PollCapture&) = delete;

 private:
  CliHost& host_;
  app::Terminal& terminal_;
};

// One run of the command line against the configured (or simulated) reader.
class Session {
 public:
  Session(std::ostream& out, std::ostream& err);
  ~Session();

  // Starts recording the line into the options' trace file; exit status.
  int StartTrace(const CliOptions& options);
  // Says when the trace did not take every event; false then.
  bool FinishTrace();
  // Exit status; a port that cannot be opened leaves the window running without a line.
  // Without a configured port a command that `needsReader` is refused.
  int Open(const CliOptions& options, bool needsReader);
  // The reads that found the line lost, on the window's link and on the jobs' own links.
  int LostReads() const;
  void NoteLostReads(int count) { jobLostReads_ += count; }
  bool HasWindow() const { return dialog_ != nullptr; }
  // Says why the port is not open; returns the exit status for it.
  int ReportPortFailure();
  int Listen(std::uint32_t ms, bool expectAnswer, const ListenStyle& style);
  int Send(const CliOptions& options);
  int Version();

  app::MainDialog& dialog() { return *dialog_; }
  CliHost& host() { return host_; }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }
  // Where the progress line goes: standard error without the escaping of err(), as the
  // line moves the cursor itself.
  std::ostream& progressStream() { return *progress_; }
  void SetProgressStream(std::ostream& progress) { progress_ = &progress; }
  // Where the results go as JSON objects; null when the output is text.
  JsonRecords* json() { return json_; }
  void SetJson(JsonRecords* json) { json_ = json; }

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::ostream* progress_ = &err_;
  // Before the window: the port closes into it when the window goes.
  std::unique_ptr<serial::TraceWriter> trace_;
  CliHost host_;
  // Shared, so that a build without the simulator needs no complete type to destroy it.
  std::shared_ptr<sim::DemoReader> demo_;
  std::unique_ptr<app::MainDialog> dialog_;
  JsonRecords* json_ = nullptr;
  int jobLostReads_ = 0;
};

}  // namespace tagline::cli
