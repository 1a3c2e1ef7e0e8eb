// SPDX-License-Identifier: Apache-2.0
#include "cli/cli_host.h"

#include "cli/cli_run.h"
#include "serial/trace_file.h"

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
  received_ += added;
  if (muted_) return;
  lineOpen_ = added.back() != '\n';
  if (!timestamps_) {
    *out_ << added << std::flush;
    return;
  }
  std::string stamped;
  for (const char c : added) {
    if (atLineStart_) stamped += LinePrefix();
    stamped += c;
    atLineStart_ = c == '\n';
  }
  *out_ << stamped << std::flush;
}

std::string CliHost::LinePrefix() {
  return timestamps_ ? clock_.Format(platform::UnixMsNow()) + ' ' : std::string();
}

ListenStyle ListenStyleOf(const CliOptions& options) {
  return {options.Has("hex"), options.Has("timestamps"), options.Has("reconnect")};
}

HexEcho::HexEcho(CliHost& host, serial::SerialPort& port) : host_(host), port_(port) {
  host_.SetMuted(true);
  port_.AddRecorder(this);
}

HexEcho::~HexEcho() {
  port_.RemoveRecorder(this);
  host_.SetMuted(false);
}

void HexEcho::Received(std::string_view bytes, std::uint32_t /*agoMs*/) {
  host_.paneStream() << host_.LinePrefix() << serial::TraceHex(bytes) << '\n' << std::flush;
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
  if (lineOpen_) *out_ << '\n';
  lineOpen_ = false;
}

}  // namespace tagline::cli
