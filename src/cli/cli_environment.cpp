// SPDX-License-Identifier: Apache-2.0
#include "cli/cli_environment.h"

#include <chrono>

#include "cli/cli_host.h"
#include "platform/printable_text.h"
#include "platform/stop_signals.h"
#include "platform/terminal.h"
#include "platform/tick_count.h"

namespace tagline::cli {

CliEnvironment::CliEnvironment(Session& session, std::string commandLabel)
    : session_(session),
      commandLabel_(std::move(commandLabel)),
      link_(session.dialog().port()),
      protocol_(link_) {
  link_.SetOpen(session.dialog().portOpen() != 0);
  link_.AddObserver(panes_);
  if (platform::StderrIsTerminal()) progress_ = &session.progressStream();
}

CliEnvironment::~CliEnvironment() {
  link_.RemoveObserver(panes_);
  session_.NoteLostReads(link_.lostReads());
}

void CliEnvironment::Run(job::StepJob& job) {
  const auto now = [] {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  };
  job::RunToEnd(job, *this, now, [](std::uint32_t ms) { platform::SleepMs(ms); });
}

void CliEnvironment::PrintTranscript() {
  std::string shown;
  for (const char c : panes_.received) {
    if (c != '\r') shown += c;
  }
  session_.out() << shown << std::flush;
  if (progress_ != nullptr && !lastProgress_.empty()) {
    *progress_ << '\n';
    lastProgress_.clear();
  }
  if (!shown.empty() && shown.back() != '\n') session_.out() << '\n';
}

job::AppSettings& CliEnvironment::settings() {
  return session_.dialog().settings();
}

std::tm CliEnvironment::LocalTime() {
  return session_.dialog().LocalTime();
}

bool CliEnvironment::StopRequested() {
  return platform::StopSignals::Caught() != 0;
}

void CliEnvironment::ShowCount(const std::string& count) {
  if (!count.empty()) ShowProgress("Dataset " + count);
}

void CliEnvironment::ShowCommand(const std::string& command) {
  if (!commandLabel_.empty() && !command.empty()) ShowProgress(commandLabel_ + ": " + command);
}

void CliEnvironment::ShowProgress(const std::string& line) {
  if (progress_ == nullptr || line == lastProgress_) return;
  lastProgress_ = line;
  // Back to the line's start, the new text, the rest of the old one erased.
  // The count comes from the reader: escaped like everything else it sends.
  *progress_ << '\r' << platform::TerminalSafeText(line) << "\x1b[K" << std::flush;
}

void CliEnvironment::Message(const std::string& text) {
  session_.err() << "message: " << text << '\n' << std::flush;
}

bool CliEnvironment::Confirm(const std::string& text) {
  Message(text);
  return true;
}

std::optional<int> CliEnvironment::Choose(const job::ChoiceRequest& request) {
  session_.err() << "dialog: " << request.caption << '\n' << std::flush;
  return choices_.Answer(request);
}

}  // namespace tagline::cli
