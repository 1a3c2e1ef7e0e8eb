// SPDX-License-Identifier: Apache-2.0
// The environment the command line runs a job in: the reader on a link of its own over the
// session's port, a transcript whose received pane is printed when the job ends, messages
// and dialogs on standard error (dialogs answered from the command's options), and the
// progress of a long job on standard error when that is a terminal.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "app/choice_script.h"
#include "app/panes.h"
#include "job/job_environment.h"
#include "job/job_runner.h"
#include "protocol/reader_protocol.h"
#include "serial/reader_link.h"

namespace tagline::cli {

class Session;

class CliEnvironment : public job::JobEnvironment {
 public:
  // `commandLabel` names the command a job is at on the progress line ("Factory default").
  explicit CliEnvironment(Session& session, std::string commandLabel = {});
  ~CliEnvironment() override;
  CliEnvironment(const CliEnvironment&) = delete;
  CliEnvironment& operator=(const CliEnvironment&) = delete;

  // The answer to the choice dialog of that name (nothing closes it); the text typed into
  // its text field.
  void SetChoiceAnswer(const std::string& name, std::optional<int> answer) {
    choices_.SetAnswer(name, answer);
  }
  void SetTextAnswer(const std::string& name, std::string text) {
    choices_.SetText(name, std::move(text));
  }

  // Runs a step-wise job to its end on the job tick.
  void Run(job::StepJob& job);
  // Prints what the received pane shows of the job, and ends the progress line.
  void PrintTranscript();

  protocol::ReaderProtocol& reader() override { return protocol_; }
  job::Transcript& transcript() override { return panes_; }
  job::AppSettings& settings() override;
  std::tm LocalTime() override;

  void ProgressTotal(int /*total*/) override {}
  void Progress(int /*count*/) override {}
  void ShowCount(const std::string& count) override;
  void ShowCommand(const std::string& command) override;
  void ShowResult(const std::string& /*text*/) override {}
  void ShowVersion(const std::string& /*version*/) override {}
  void NoteJobModel(std::optional<protocol::ReaderModel> /*model*/) override {}

  void Message(const std::string& text) override;
  // A question is answered OK, as the dialog would be by Enter.
  bool Confirm(const std::string& text) override;
  std::optional<int> Choose(const job::ChoiceRequest& request) override;
  std::optional<std::string> ChooseFileToSave(const job::FileDialogRequest& /*request*/) override {
    return std::nullopt;
  }
  bool AsksUser() const override { return false; }

  void OpenFile(const std::string& /*path*/) override {}
  void Beep(std::uint32_t /*frequencyHz*/, std::uint32_t /*durationMs*/) override {}
  void Idle() override {}
  // SIGINT, SIGTERM or SIGHUP since the run began.
  bool StopRequested() override;

 private:
  // One line rewritten in place on the terminal.
  void ShowProgress(const std::string& line);

  Session& session_;
  std::string commandLabel_;
  serial::ReaderLink link_;
  protocol::ReaderProtocol protocol_;
  app::Panes panes_;
  app::ChoiceScript choices_;
  std::ostream* progress_ = nullptr;
  std::string lastProgress_;
};

}  // namespace tagline::cli
