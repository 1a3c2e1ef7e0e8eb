#include "cli/cli_host.h"

#include "cli/cli_run.h"

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

}  // namespace

void CliHost::Flush() {
  if (dialog_ == nullptr) return;
  const std::string& pane = dialog_->controls().at(app::ctl::kReceived).text;
  const std::string added = ToTerminal(PaneAddition(printed_, pane));
  printed_ = pane;
  if (added.empty()) return;
  *out_ << added << std::flush;
  received_ += added;
}

void CliHost::DispatchPendingMessages() {
  HeadlessHost::DispatchPendingMessages();
  if (progress_ == nullptr || dialog_ == nullptr) return;
  const std::string& count = dialog_->controls().at(app::ctl::kDataset).text;
  if (count == lastProgress_) return;
  lastProgress_ = count;
  *progress_ << "\rDataset " << count << std::flush;
}

void CliHost::EndLine() {
  if (progress_ != nullptr && !lastProgress_.empty()) {
    *progress_ << '\n';
    lastProgress_.clear();
  }
  if (!received_.empty() && received_.back() != '\n') *out_ << '\n';
}

}  // namespace tagline::cli
