// SPDX-License-Identifier: Apache-2.0
#include "app/headless_host.h"

#include <chrono>
#include <thread>

#include "app/main_dialog.h"
#include "app/settings_dialog.h"

namespace tagline::app {

namespace {

std::uint64_t SteadyMs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

int DefaultAnswer(unsigned type) {
  switch (type & mb::kButtonMask) {
    case mb::kYesNo:
    case mb::kYesNoCancel:
      return id::kYes;
    default:
      return id::kOk;
  }
}

}  // namespace

std::uint64_t HeadlessHost::Now() const {
  return clock_ == Clock::Virtual ? virtualNow_ : SteadyMs();
}

std::optional<std::uint32_t> HeadlessHost::TimerPeriod(int id) const {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return std::nullopt;
  return it->second.period;
}

int HeadlessHost::MessageBox(const std::string& text, const std::string& caption, unsigned type) {
  messages_.push_back({text, caption, type});
  if (messageOut_ != nullptr) *messageOut_ << "message: " << text << '\n' << std::flush;
  if (messageAnswers_.empty()) return DefaultAnswer(type);
  const int answer = messageAnswers_.front();
  messageAnswers_.pop_front();
  return answer;
}

std::optional<std::string> HeadlessHost::SaveFileDialog(const FileDialogRequest& request) {
  fileDialogsShown_.push_back("save");
  return NextFileAnswer(request);
}

std::optional<std::string> HeadlessHost::OpenFileDialog(const FileDialogRequest& request) {
  fileDialogsShown_.push_back("open");
  return NextFileAnswer(request);
}

std::optional<std::string> HeadlessHost::NextFileAnswer(const FileDialogRequest& /*request*/) {
  if (fileAnswers_.empty()) return std::nullopt;
  auto answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

std::optional<int> HeadlessHost::ChoiceDialog(const ChoiceRequest& request) {
  choicesShown_.push_back(request.name);
  if (messageOut_ != nullptr) *messageOut_ << "dialog: " << request.caption << '\n' << std::flush;
  return choices_.Answer(request);
}

int HeadlessHost::RunSettingsDialog(SettingsDialog& dialog) {
  ++settingsDialogRuns_;
  dialog.OnInitDialog();
  const int button = settingsScript_ ? settingsScript_(dialog) : id::kOk;
  dialog.OnCommand(button == id::kOk ? id::kOk : id::kCancel);
  return dialog.result();
}

void HeadlessHost::SetTimer(int id, std::uint32_t periodMs) {
  timers_[id] = Timer{periodMs, Now() + periodMs};
}

void HeadlessHost::KillTimer(int id) {
  timers_.erase(id);
}

bool HeadlessHost::ShellOpen(const std::string& target, const std::string& verb) {
  shellOpens_.emplace_back(target, verb);
  return shellOpenResult_;
}

void HeadlessHost::ShowPortInformation(const std::string& text) {
  portInformation_ = text;
  if (messageOut_ != nullptr) *messageOut_ << text << std::flush;
}

std::optional<int> HeadlessHost::NextDue(std::uint64_t limit) const {
  std::optional<int> next;
  std::uint64_t first = limit;
  for (const auto& [id, t] : timers_) {
    if (t.due <= first) {
      first = t.due;
      next = id;
    }
  }
  return next;
}

void HeadlessHost::Attach(MainDialog* dialog) {
  if (dialog == nullptr) {
    timerSink_ = nullptr;
  } else {
    timerSink_ = [dialog](int id) { dialog->OnTimer(id); };
  }
}

void HeadlessHost::Tick(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  // Like a window timer: the next tick is one period after this one is handled.
  it->second.due = Now() + it->second.period;
  if (timerSink_) timerSink_(id);
}

void HeadlessHost::WaitUntil(std::uint64_t time) {
  if (clock_ == Clock::Virtual) {
    if (time > virtualNow_) virtualNow_ = time;
    return;
  }
  const std::uint64_t now = SteadyMs();
  if (time > now) std::this_thread::sleep_for(std::chrono::milliseconds(time - now));
}

void HeadlessHost::DispatchPendingMessages() {
  const std::uint64_t now = Now();
  // Each timer at most once: a handler that pumps again must not starve the caller.
  std::vector<int> due;
  for (const auto& [id, t] : timers_) {
    if (t.due <= now) due.push_back(id);
  }
  for (const int id : due) {
    if (endResult_) return;
    Tick(id);
  }
}

bool HeadlessHost::RunUntil(const std::function<bool()>& done, std::uint32_t maxMs) {
  const std::uint64_t end = Now() + maxMs;
  while (!(done && done())) {
    if (endResult_) return false;
    const auto next = NextDue(end);
    if (!next) {
      WaitUntil(end);
      return done && done();
    }
    WaitUntil(timers_.at(*next).due);
    Tick(*next);
  }
  return true;
}

void HeadlessHost::RunFor(std::uint32_t ms) {
  RunUntil(nullptr, ms);
}

}  // namespace tagline::app
