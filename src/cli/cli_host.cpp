#include "cli/cli_host.h"

#include "cli/cli_run.h"

namespace tagline::cli {

namespace {

// Pane text as terminal lines.
std::string ToTerminal(std::string_view pane) {
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
  const std::string added = PaneAddition(printed_, pane);
  printed_ = pane;
  if (!capturing_) Print(added);
}

void CliHost::Print(std::string_view paneText) {
  const std::string added = ToTerminal(paneText);
  if (added.empty()) return;
  *out_ << added << std::flush;
  received_ += added;
}

PollCapture::PollCapture(CliHost& host, serial::CommandExchange& exchange)
    : host_(host), exchange_(exchange) {
  host_.Flush();  // what came before is printed as before
  host_.capturing_ = true;
  exchange_.SetPollObserver([this](std::string_view added) { host_.Print(added); });
}

PollCapture::~PollCapture() {
  exchange_.SetPollObserver({});
  host_.Flush();  // takes note of the pane as the polls left it
  host_.capturing_ = false;
}

void CliHost::OnControlChanged(int id) {
  if (progress_ == nullptr || dialog_ == nullptr) return;
  const std::string& text = dialog_->controls().at(id).text;
  std::string line;
  if (id == app::ctl::kDataset && !text.empty()) {
    line = "Dataset " + text;
  } else if (id == app::ctl::kFactoryDefault && !text.empty()) {
    line = "Factory default: " + text;
  }
  if (line.empty() || line == lastProgress_) return;
  lastProgress_ = line;
  // Back to the line's start, the new text, the rest of the old one erased.
  *progress_ << '\r' << line << "\x1b[K" << std::flush;
}

void CliHost::EndLine() {
  if (progress_ != nullptr && !lastProgress_.empty()) {
    *progress_ << '\n';
    lastProgress_.clear();
  }
  if (!received_.empty() && received_.back() != '\n') *out_ << '\n';
}

}  // namespace tagline::cli
