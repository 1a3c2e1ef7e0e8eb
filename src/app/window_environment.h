// SPDX-License-Identifier: Apache-2.0
// The environment the window gives a job or a reader command: the reader and the panes of
// the window, and the row the work belongs to, whose button shows the command it is at and
// whose result field shows its result. Progress goes to the DB group's bar and "Dataset"
// field, questions to the host's dialogs.
#pragma once

#include <string>

#include "app/window_context.h"
#include "job/job_environment.h"

namespace tagline::app {

// Where a job's command and result are shown; none for either is allowed.
struct WindowRow {
  int commandControl = 0;
  std::string DialogFields::*result = nullptr;
};

class WindowEnvironment : public job::JobEnvironment {
 public:
  WindowEnvironment(WindowContext& window, WindowRow row) : window_(window), row_(row) {}

  protocol::ReaderProtocol& reader() override { return window_.reader(); }
  job::Transcript& transcript() override { return window_.panes(); }
  job::AppSettings& settings() override { return window_.settings(); }
  std::tm LocalTime() override { return window_.LocalTime(); }

  void ProgressTotal(int total) override;
  void Progress(int count) override;
  void ShowCount(const std::string& count) override { window_.fields().datasetCount = count; }
  void ShowCommand(const std::string& command) override;
  void ShowResult(const std::string& text) override;
  void ShowVersion(const std::string& version) override { window_.fields().svResult = version; }
  void NoteJobModel(std::optional<protocol::ReaderModel> model) override {
    window_.SetLastJobModel(model);
  }

  void Message(const std::string& text) override { window_.Message(text); }
  bool Confirm(const std::string& text) override;
  std::optional<int> Choose(const job::ChoiceRequest& request) override;
  std::optional<std::string> ChooseFileToSave(const job::FileDialogRequest& request) override {
    return window_.host().SaveFileDialog(request);
  }

  // Where no program opens the file, the panes say where it is.
  void OpenFile(const std::string& path) override {
    if (!window_.host().ShellOpen(path, "open")) {
      transcript().Received("// " + path + " is written; no program to open it was found\r\n");
    }
  }
  void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override {
    window_.host().Beep(frequencyHz, durationMs);
  }
  // The window shows what the job did so far and handles the messages that wait.
  void Idle() override;
  // The window stops a job only by ending it; closing it is asked first.
  bool StopRequested() override { return false; }

 private:
  WindowContext& window_;
  WindowRow row_;
};

}  // namespace tagline::app
