// The command line's window: the main window's controller on the headless host, with
// what the received pane gains printed as it comes.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "app/control_ids.h"
#include "app/headless_host.h"
#include "app/main_dialog.h"
#include "cli/cli_options.h"

namespace tagline::sim {
class DemoReader;
}  // namespace tagline::sim

namespace tagline::cli {

class CliHost : public app::HeadlessHost {
 public:
  CliHost(std::ostream& out, std::ostream& err) : out_(&out) { SetMessageStream(&err); }

  void Watch(const app::MainDialog* dialog) { dialog_ = dialog; }
  // Where the pane's lines go (ONLINE mode keeps standard output for the typed text).
  void SetPaneStream(std::ostream& out) { out_ = &out; }

  // Shows the "Dataset" count on `progress` while a transfer dispatches messages between
  // records (for a terminal; nothing when null).
  void SetProgressStream(std::ostream* progress) { progress_ = progress; }
  void DispatchPendingMessages() override;

  void ScrollToEnd(int controlId) override {
    if (controlId == app::ctl::kReceived) Flush();
  }

  // Prints what the received pane gained since the last call.
  void Flush();
  void EndLine();
  const std::string& received() const { return received_; }
  void ClearReceived() { received_.clear(); }

 private:
  std::ostream* out_;
  const app::MainDialog* dialog_ = nullptr;
  std::string printed_;
  std::string received_;
  std::ostream* progress_ = nullptr;
  std::string lastProgress_;
};

// One run of the command line against the configured (or simulated) reader.
class Session {
 public:
  Session(std::ostream& out, std::ostream& err);
  ~Session();

  int Open(const CliOptions& options);
  int Listen(std::uint32_t ms, bool expectAnswer);
  int Send(const CliOptions& options);
  int Version();

  app::MainDialog& dialog() { return *dialog_; }
  CliHost& host() { return host_; }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }

 private:
  std::ostream& out_;
  std::ostream& err_;
  CliHost host_;
  // Shared, so that a build without the simulator needs no complete type to destroy it.
  std::shared_ptr<sim::DemoReader> demo_;
  std::unique_ptr<app::MainDialog> dialog_;
};

}  // namespace tagline::cli
