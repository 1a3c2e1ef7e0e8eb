// SPDX-License-Identifier: Apache-2.0
// A host without a window system, for the command line and the tests: window timers on
// its own loop (real time, or a virtual clock that jumps to the next tick), message
// boxes recorded (and printed if asked), dialogs answered from a script.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/choice_script.h"
#include "app/host.h"

namespace tagline::app {

class MainDialog;
class SettingsDialog;

class HeadlessHost : public Host {
 public:
  enum class Clock { Real, Virtual };

  struct RecordedMessage {
    std::string text;
    std::string caption;
    unsigned type = 0;
  };

  // Plays the user in the settings dialog: edits its controls and returns the button to
  // press, id::kOk or id::kCancel.
  using SettingsScript = std::function<int(SettingsDialog& dialog)>;

  explicit HeadlessHost(Clock clock = Clock::Real) : clock_(clock) {}

  // Timer ticks go to this window, or to `sink` (a test's own job context).
  void Attach(MainDialog* dialog);
  void AttachTimerSink(std::function<void(int id)> sink) { timerSink_ = std::move(sink); }

  // Script and observation.
  void SetMessageStream(std::ostream* out) { messageOut_ = out; }
  void QueueMessageAnswer(int answer) { messageAnswers_.push_back(answer); }
  void QueueFileAnswer(std::optional<std::string> path) { fileAnswers_.push_back(std::move(path)); }
  void SetChoiceAnswer(const std::string& name, std::optional<int> answer) {
    choices_.SetAnswer(name, answer);
  }
  // The text typed into a choice dialog's text field.
  void SetTextAnswer(const std::string& name, std::string text) {
    choices_.SetText(name, std::move(text));
  }
  // The choice dialogs shown, by name, in order.
  const std::vector<std::string>& choicesShown() const { return choicesShown_; }
  void SetCursor(Point p) { cursor_ = p; }
  void SetShellOpenResult(bool ok) { shellOpenResult_ = ok; }
  // Without a script the settings dialog is confirmed with OK as it opened.
  void SetSettingsScript(SettingsScript script) { settingsScript_ = std::move(script); }

  const std::vector<RecordedMessage>& messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& beeps() const { return beeps_; }
  const std::vector<std::pair<std::string, std::string>>& shellOpens() const { return shellOpens_; }
  const std::string& portInformation() const { return portInformation_; }
  std::optional<int> endResult() const { return endResult_; }
  int settingsDialogRuns() const { return settingsDialogRuns_; }
  int aboutBoxes() const { return aboutBoxes_; }
  int waitCursorDepth() const { return waitCursor_; }
  bool TimerActive(int id) const { return timers_.contains(id); }
  std::optional<std::uint32_t> TimerPeriod(int id) const;

  // Milliseconds on this host's clock.
  std::uint64_t Now() const;
  // Delivers timer ticks for `ms` milliseconds (returns early when the window ended).
  void RunFor(std::uint32_t ms);
  // Runs until `done` holds (checked after each tick) or `maxMs` passed; true if it held.
  bool RunUntil(const std::function<bool()>& done, std::uint32_t maxMs);

  // Host.
  int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  // "save" or "open" for each file dialog shown, in order.
  const std::vector<std::string>& fileDialogsShown() const { return fileDialogsShown_; }
  std::optional<int> ChoiceDialog(const ChoiceRequest& request) override;
  int RunSettingsDialog(SettingsDialog& dialog) override;
  void ShowAboutBox() override { ++aboutBoxes_; }
  void SetTimer(int id, std::uint32_t periodMs) override;
  void KillTimer(int id) override;
  void DispatchPendingMessages() override;
  void BeginWaitCursor() override { ++waitCursor_; }
  void EndWaitCursor() override {
    if (waitCursor_ > 0) --waitCursor_;
  }
  Point CursorPosition() override { return cursor_; }
  void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override {
    beeps_.emplace_back(frequencyHz, durationMs);
  }
  bool ShellOpen(const std::string& target, const std::string& verb) override;
  void ScrollToEnd(int /*controlId*/) override {}
  void SelectAllText(int /*controlId*/) override {}
  void ShowPortInformation(const std::string& text) override;
  void EndDialog(int result) override { endResult_ = result; }
  bool OwnPopupOpen() const override { return popupOpen_; }
  // A test's stand-in for a dialog or list of the program that is open.
  void SetPopupOpen(bool open) { popupOpen_ = open; }

 private:
  struct Timer {
    std::uint32_t period = 0;
    std::uint64_t due = 0;
  };

  // The timer due first at or before `limit`, if any.
  std::optional<int> NextDue(std::uint64_t limit) const;
  void Tick(int id);
  std::optional<std::string> NextFileAnswer(const FileDialogRequest& request);
  void WaitUntil(std::uint64_t time);

  Clock clock_;
  std::uint64_t virtualNow_ = 0;
  std::function<void(int id)> timerSink_;
  std::map<int, Timer> timers_;
  std::ostream* messageOut_ = nullptr;
  std::deque<int> messageAnswers_;
  std::deque<std::optional<std::string>> fileAnswers_;
  ChoiceScript choices_;
  std::vector<std::string> choicesShown_;
  SettingsScript settingsScript_;
  int settingsDialogRuns_ = 0;
  int aboutBoxes_ = 0;
  std::vector<RecordedMessage> messages_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> beeps_;
  std::vector<std::pair<std::string, std::string>> shellOpens_;
  std::string portInformation_;
  std::optional<int> endResult_;
  bool popupOpen_ = false;
  std::vector<std::string> fileDialogsShown_;
  Point cursor_;
  bool shellOpenResult_ = true;
  int waitCursor_ = 0;
};

}  // namespace tagline::app
