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

PollCapture::PollCapture(CliHost& host, app::Terminal& terminal)
    : host_(host), terminal_(terminal) {
  host_.Flush();  // what came before is printed as before
  host_.capturing_ = true;
  terminal_.SetPollObserver([this](std::string_view added) { host_.Print(added); });
}

PollCapture::~PollCapture() {
  terminal_.SetPollObserver({});
  host_.Flush();  // takes note of the pane as the polls left it
  host_.capturing_ = false;
}

void CliHost::EndLine() {
  if (!received_.empty() && received_.back() != '\n') *out_ << '\n';
}

}  // namespace tagline::cli
